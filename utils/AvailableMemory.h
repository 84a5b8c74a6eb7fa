#pragma once

#include <cstdint>

namespace hollin::utils {

// The memory this process can still take: the least of what the system says
// it can hand out without swapping (MemAvailable), what its control groups'
// memory limits leave (see CgroupMemoryLeft), and what is left of its
// address space limit (RLIMIT_AS, `ulimit -v`) and of its data limit
// (RLIMIT_DATA, `ulimit -d`). A quarter of the installed memory when the
// system says nothing.
std::uint64_t AvailableMemory();

}  // namespace hollin::utils
