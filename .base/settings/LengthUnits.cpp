#include "settings/LengthUnits.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace hollin::settings {
namespace {

bool EqualIgnoringAsciiCase(std::string_view left, std::string_view right) {
    return std::equal(left.begin(), left.end(), right.begin(), right.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

bool IsListed(std::int32_t units) { return units >= 0 && units < kUnitCount; }

}  // namespace

double InchesPerFileUnit(std::int32_t units, double masterScale) {
    if (!IsListed(units) || units == kModelUnits) return masterScale;
    return kLengthUnits[static_cast<std::size_t>(units)].inchesPerUnit;
}

const LengthUnit& DisplayUnit(std::int32_t units) {
    if (!IsListed(units) || units == kModelUnits) return kLengthUnits[kInches];
    return kLengthUnits[static_cast<std::size_t>(units)];
}

std::optional<std::int32_t> ParseLengthUnit(std::string_view text) {
    std::int32_t index = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), index);
    if (!text.empty() && error == std::errc() && end == text.data() + text.size()) {
        return IsListed(index) ? std::optional(index) : std::nullopt;
    }
    if (EqualIgnoringAsciiCase(text, "model")) return kModelUnits;
    for (std::int32_t units = 0; units < kUnitCount; ++units) {
        if (EqualIgnoringAsciiCase(text, kLengthUnits[static_cast<std::size_t>(units)].name)) return units;
    }
    return std::nullopt;
}

}  // namespace hollin::settings
