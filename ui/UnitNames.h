#pragma once

#include <cstdint>
#include <vector>

#include "utils/Utf16String.h"

namespace hollin::ui {

// Number of entries in the unit list; index 0 is the file's own master scale.
inline constexpr std::int32_t kUnitCount = 9;

// The localized name of one unit index, empty outside 0 to kUnitCount - 1.
hollin::utils::Utf16String UnitName(std::int32_t index);

// All unit names in index order, looked up afresh on every call.
std::vector<hollin::utils::Utf16String> UnitNames();

}  // namespace hollin::ui
