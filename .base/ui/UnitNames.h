#pragma once

#include <cstdint>
#include <vector>

#include "utils/Utf16String.h"

namespace hollin::ui {

// The localized name of one unit index, empty outside the unit list.
hollin::utils::Utf16String UnitName(std::int32_t index);

// All unit names in index order, looked up afresh on every call.
std::vector<hollin::utils::Utf16String> UnitNames();

}  // namespace hollin::ui
