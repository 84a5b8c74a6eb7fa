#pragma once

#include <cstdint>

// Ids of the library's dialog templates and of the controls that code
// reaches; every resource library uses the same ones.
namespace hollin::resources {

inline constexpr std::int32_t kOptionsDialogId = 3000;
inline constexpr std::int32_t kReportDialogId = 3001;

inline constexpr std::int32_t kReportTextId = 3006;
inline constexpr std::int32_t kMergeCoplanarFacesCheckId = 3007;
inline constexpr std::int32_t kUnitListId = 3008;

}  // namespace hollin::resources
