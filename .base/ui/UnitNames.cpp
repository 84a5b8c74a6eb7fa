#include "ui/UnitNames.h"

#include "l10n/LocalizedStrings.h"
#include "settings/LengthUnits.h"

namespace hollin::ui {

using hollin::settings::kLengthUnits;
using hollin::settings::kUnitCount;

hollin::utils::Utf16String UnitName(std::int32_t index) {
    if (index < 0 || index >= kUnitCount) return {};
    // The table's names are literals, so their views end in NUL.
    return hollin::l10n::GetLocalizedString(kLengthUnits[static_cast<std::size_t>(index)].name.data());
}

std::vector<hollin::utils::Utf16String> UnitNames() {
    std::vector<hollin::utils::Utf16String> names;
    names.reserve(kUnitCount);
    for (std::int32_t index = 0; index < kUnitCount; ++index) names.push_back(UnitName(index));
    return names;
}

}  // namespace hollin::ui
