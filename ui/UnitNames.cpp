#include "ui/UnitNames.h"

#include <array>

#include "l10n/LocalizedStrings.h"

namespace hollin::ui {

namespace {

// Index order is stored in users' preferences: never reorder.
constexpr std::array<const char*, kUnitCount> kUnitKeys = {
    "Model Units", "Inches", "Feet", "Yards", "Miles", "Millimeters", "Centimeters", "Meters", "Kilometers",
};

}  // namespace

hollin::utils::Utf16String UnitName(std::int32_t index) {
    if (index < 0 || index >= kUnitCount) return {};
    return hollin::l10n::GetLocalizedString(kUnitKeys[static_cast<std::size_t>(index)]);
}

std::vector<hollin::utils::Utf16String> UnitNames() {
    std::vector<hollin::utils::Utf16String> names;
    names.reserve(kUnitCount);
    for (std::int32_t index = 0; index < kUnitCount; ++index) names.push_back(UnitName(index));
    return names;
}

}  // namespace hollin::ui
