#pragma once

#include <cstdint>

namespace hollin::utils {

// The memory this process can still take: what the system says it can hand
// out without swapping (MemAvailable), or less when the process's address
// space is limited (RLIMIT_AS, `ulimit -v`) and what is left of that limit
// is smaller. A quarter of the installed memory when the system says nothing.
std::uint64_t AvailableMemory();

}  // namespace hollin::utils
