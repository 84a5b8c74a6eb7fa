#include "utils/AvailableMemory.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "utils/CgroupMemory.h"

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

// The process's address space and its data (the heap, private writable
// mappings and the stack), in bytes, as the kernel counts them against
// RLIMIT_AS and RLIMIT_DATA.
struct MemoryInUse {
    std::uint64_t addressSpace = 0;
    std::uint64_t data = 0;
};

MemoryInUse ProcessMemoryInUse() {
    // size resident shared text lib data dirty, in pages
    std::ifstream statm("/proc/self/statm");
    std::uint64_t fields[6] = {};
    for (std::uint64_t& field : fields) statm >> field;
    const auto pageSize = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    return {fields[0] * pageSize, fields[5] * pageSize};
}

// What is left of a resource limit, or nothing when there is none.
std::optional<std::uint64_t> LimitLeft(int resource, std::uint64_t inUse) {
    rlimit limit{};
    if (::getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return std::nullopt;
    return limit.rlim_cur > inUse ? limit.rlim_cur - inUse : 0;
}

std::optional<std::uint64_t> ControlGroupsLeft() {
    std::ifstream file("/proc/self/cgroup");
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return CgroupMemoryLeft("/sys/fs/cgroup", text);
}

}  // namespace

std::uint64_t AvailableMemory() {
    std::uint64_t available = SystemAvailable();
    if (available == 0) available = InstalledMemory() / 4;
    const MemoryInUse inUse = ProcessMemoryInUse();
    for (const std::optional<std::uint64_t> left :
         {ControlGroupsLeft(), LimitLeft(RLIMIT_AS, inUse.addressSpace), LimitLeft(RLIMIT_DATA, inUse.data)}) {
        if (left) available = std::min(available, *left);
    }
    return available;
}

}  // namespace hollin::utils
