#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace hollin::utils {

// The memory a process's control groups still let it take: for each group
// on its path and each above it up to the root, the group's limit less what
// it uses beyond the file pages the kernel drops before it fails an
// allocation (its inactive file cache), and the least of those. Both
// generations: cgroup v2 (memory.max, memory.current; mounted at
// `cgroupRoot` or at its "unified" folder) and v1's memory controller
// (memory.limit_in_bytes, memory.usage_in_bytes, at its "memory" folder).
// `selfCgroup` is the text of /proc/self/cgroup. Nothing when no group on
// the way has a limit, or the files cannot be read.
std::optional<std::uint64_t> CgroupMemoryLeft(const std::filesystem::path& cgroupRoot, std::string_view selfCgroup);

}  // namespace hollin::utils
