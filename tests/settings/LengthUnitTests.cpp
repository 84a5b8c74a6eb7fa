#include <gtest/gtest.h>

#include "settings/LengthUnits.h"

namespace hollin::settings {
namespace {

// The units as users name them and as stored models were scaled: a changed
// name breaks command lines and a changed factor the size of every model
// imported again, so each is pinned here, in the stored order.
TEST(LengthUnits, KeepTheirNamesSymbolsAndFactors) {
    constexpr double kMasterScale = 2.5;
    const struct {
        const char* name;
        const char* symbol;
        double inchesPerUnit;
    } rows[] = {
        {"Model Units", "in", kMasterScale},
        {"Inches", "in", 1.0},
        {"Feet", "ft", 12.0},
        {"Yards", "yd", 36.0},
        {"Miles", "mi", 63360.0},
        {"Millimeters", "mm", 0.03937},
        {"Centimeters", "cm", 0.3937},
        {"Meters", "m", 39.37},
        {"Kilometers", "km", 39370.079},
    };
    ASSERT_EQ(std::size(rows), static_cast<std::size_t>(kUnitCount));
    for (std::int32_t index = 0; index < kUnitCount; ++index) {
        const auto& row = rows[index];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ParseLengthUnit(row.name), index);
        EXPECT_EQ(DisplayUnit(index).symbol, row.symbol);
        EXPECT_EQ(InchesPerFileUnit(index, kMasterScale), row.inchesPerUnit);
    }
    // Units the list does not hold scale as model units do.
    for (const std::int32_t unknown : {-1, kUnitCount}) EXPECT_EQ(InchesPerFileUnit(unknown, kMasterScale), kMasterScale);
}

}  // namespace
}  // namespace hollin::settings
