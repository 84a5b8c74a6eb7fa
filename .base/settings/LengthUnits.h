#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace hollin::settings {

// One length unit a 3DS file's coordinates may be taken to be in.
struct LengthUnit {
    // English, as users choose it on command lines; the options dialog shows
    // it translated.
    std::string_view name;
    // International, the same in every language.
    std::string_view symbol;
    // What the import multiplies the coordinates by. Zero for "Model Units",
    // where the file's own master scale decides.
    double inchesPerUnit;
};

inline constexpr std::int32_t kUnitCount = 9;
inline constexpr std::int32_t kModelUnits = 0;
inline constexpr std::int32_t kInches = 1;

// The unit list, by the index the preference store keeps: never reorder. The
// factors are the ones users' files were always converted with (39.37 inches
// a metre, not 39.3700787), so that a model keeps its size across versions.
inline constexpr std::array<LengthUnit, kUnitCount> kLengthUnits = {{
    {"Model Units", "", 0.0},
    {"Inches", "in", 1.0},
    {"Feet", "ft", 12.0},
    {"Yards", "yd", 36.0},
    {"Miles", "mi", 63360.0},
    {"Millimeters", "mm", 0.03937},
    {"Centimeters", "cm", 0.3937},
    {"Meters", "m", 39.37},
    {"Kilometers", "km", 39370.079},
}};

// Inches per file unit: the unit's factor, or `masterScale` for "Model Units"
// and for any index outside the list.
double InchesPerFileUnit(std::int32_t units, double masterScale);

// The unit a model's sizes are shown in: the chosen one, and inches (the
// modelling application's own unit) for "Model Units" or an unknown index.
const LengthUnit& DisplayUnit(std::int32_t units);

// A unit named as users write it: its English name in any case ("model" for
// "Model Units"), or its index 0 to 8.
std::optional<std::int32_t> ParseLengthUnit(std::string_view text);

}  // namespace hollin::settings
