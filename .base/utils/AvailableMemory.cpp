#include "utils/AvailableMemory.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>

namespace hollin::utils {
namespace {

std::uint64_t InstalledMemory() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

// MemAvailable of /proc/meminfo, in bytes; nothing when there is none.
std::uint64_t SystemAvailable() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kibibytes = 0;
    std::string unit;
    while (meminfo >> key >> kibibytes >> unit) {
        if (key == "MemAvailable:") return kibibytes * 1024;
    }
    return 0;
}

// The address space the process has mapped, in bytes.
std::uint64_t AddressSpaceInUse() {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    statm >> pages;
    return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

}  // namespace

std::uint64_t AvailableMemory() {
    std::uint64_t available = SystemAvailable();
    if (available == 0) available = InstalledMemory() / 4;
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        const std::uint64_t inUse = AddressSpaceInUse();
        const std::uint64_t left = limit.rlim_cur > inUse ? limit.rlim_cur - inUse : 0;
        available = std::min(available, left);
    }
    return available;
}

}  // namespace hollin::utils
