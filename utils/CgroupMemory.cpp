#include "utils/CgroupMemory.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>
#include <string>

namespace hollin::utils {
namespace {

// What one generation of the memory controller calls its files.
struct ControllerFiles {
    const char* limit;
    const char* usage;
    const char* inactiveFileKey;  // in memory.stat
};

constexpr ControllerFiles kVersion2{"memory.max", "memory.current", "inactive_file"};
constexpr ControllerFiles kVersion1{"memory.limit_in_bytes", "memory.usage_in_bytes", "total_inactive_file"};

// v1 writes "no limit" as the largest multiple of the page size; v2 as "max".
constexpr std::uint64_t kNoLimitAbove = std::uint64_t{1} << 62;

// Control files are a few lines long.
constexpr std::streamsize kLongestFile = 1 << 16;

std::optional<std::string> ReadSmallFile(const std::filesystem::path& path) {
    std::ifstream file(path);
    if (!file) return std::nullopt;
    std::string text(static_cast<std::size_t>(kLongestFile), '\0');
    file.read(text.data(), kLongestFile);
    text.resize(static_cast<std::size_t>(file.gcount()));
    return text;
}

std::optional<std::uint64_t> ParseNumber(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

std::optional<std::uint64_t> ReadNumber(const std::filesystem::path& path) {
    const std::optional<std::string> text = ReadSmallFile(path);
    return text ? ParseNumber(*text) : std::nullopt;
}

// The value of `key` in memory.stat ("key value" lines); 0 when absent.
std::uint64_t StatValue(const std::filesystem::path& folder, std::string_view key) {
    const std::optional<std::string> text = ReadSmallFile(folder / "memory.stat");
    if (!text) return 0;
    std::istringstream lines(*text);
    std::string name;
    std::string value;
    while (lines >> name >> value) {
        if (name == key) return ParseNumber(value).value_or(0);
    }
    return 0;
}

// What the group in `folder` leaves, when it has a limit.
std::optional<std::uint64_t> GroupLeft(const std::filesystem::path& folder, const ControllerFiles& files) {
    const std::optional<std::uint64_t> limit = ReadNumber(folder / files.limit);
    if (!limit || *limit >= kNoLimitAbove) return std::nullopt;
    const std::uint64_t usage = ReadNumber(folder / files.usage).value_or(*limit);
    const std::uint64_t reclaimable = std::min(usage, StatValue(folder, files.inactiveFileKey));
    const std::uint64_t used = usage - reclaimable;
    return *limit > used ? *limit - used : 0;
}

void TakeLeast(std::optional<std::uint64_t>& least, std::optional<std::uint64_t> candidate) {
    if (candidate && (!least || *candidate < *least)) least = candidate;
}

// The least that the groups from `group` up to `mount` leave.
std::optional<std::uint64_t> HierarchyLeft(const std::filesystem::path& mount, std::string_view group,
                                           const ControllerFiles& files) {
    const std::filesystem::path relative = std::filesystem::path(group).relative_path().lexically_normal();
    // A group outside the process's cgroup namespace shows as "/..".
    if (!relative.empty() && *relative.begin() == "..") return std::nullopt;
    std::optional<std::uint64_t> least;
    for (std::filesystem::path level = relative;; level = level.parent_path()) {
        TakeLeast(least, GroupLeft(mount / level, files));
        if (level.empty() || level == level.parent_path()) break;
    }
    return least;
}

bool NamesTheMemoryController(std::string_view controllers) {
    while (!controllers.empty()) {
        const std::size_t comma = controllers.find(',');
        if (controllers.substr(0, comma) == "memory") return true;
        if (comma == std::string_view::npos) break;
        controllers.remove_prefix(comma + 1);
    }
    return false;
}

}  // namespace

std::optional<std::uint64_t> CgroupMemoryLeft(const std::filesystem::path& cgroupRoot, std::string_view selfCgroup) {
    std::optional<std::uint64_t> least;
    while (!selfCgroup.empty()) {
        const std::size_t lineEnd = selfCgroup.find('\n');
        const std::string_view line = selfCgroup.substr(0, lineEnd);
        selfCgroup.remove_prefix(lineEnd == std::string_view::npos ? selfCgroup.size() : lineEnd + 1);
        // "hierarchy-ID:controller-list:cgroup-path"; the path may hold colons.
        const std::size_t first = line.find(':');
        const std::size_t second = first == std::string_view::npos ? first : line.find(':', first + 1);
        if (second == std::string_view::npos) continue;
        const std::string_view id = line.substr(0, first);
        const std::string_view controllers = line.substr(first + 1, second - first - 1);
        const std::string_view group = line.substr(second + 1);
        if (id == "0" && controllers.empty()) {
            TakeLeast(least, HierarchyLeft(cgroupRoot, group, kVersion2));
            TakeLeast(least, HierarchyLeft(cgroupRoot / "unified", group, kVersion2));
        } else if (NamesTheMemoryController(controllers)) {
            TakeLeast(least, HierarchyLeft(cgroupRoot / "memory", group, kVersion1));
        }
    }
    return least;
}

}  // namespace hollin::utils
