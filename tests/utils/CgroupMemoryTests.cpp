// The memory a process's control groups leave it, read from cgroup trees
// laid out as the kernel shows them, in a scratch folder.

#include <gmock/gmock.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "TemporaryFolder.h"
#include "utils/CgroupMemory.h"

namespace {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

struct CgroupTree {
    std::string name;
    std::string selfCgroup;                    // /proc/self/cgroup
    std::map<std::string, std::string> files;  // under the cgroup root
    std::optional<std::uint64_t> left;
};

std::string Bytes(std::uint64_t mebibytes) { return std::to_string(mebibytes * kMiB) + "\n"; }

const CgroupTree kTrees[] = {
    {"v2: the limit less the usage, the inactive file cache counted as free", "0::/user/kvtest\n",
     {{"user/kvtest/memory.max", Bytes(300)}, {"user/kvtest/memory.current", Bytes(120)},
      {"user/kvtest/memory.stat", "anon 1\ninactive_file " + std::to_string(20 * kMiB) + "\nactive_file 7\n"}},
     200 * kMiB},
    {"v2: a parent's tighter limit", "0::/a/b\n",
     {{"a/b/memory.max", Bytes(300)}, {"a/b/memory.current", Bytes(10)}, {"a/memory.max", Bytes(100)},
      {"a/memory.current", Bytes(60)}},
     40 * kMiB},
    {"v2: no limit anywhere", "0::/a\n", {{"a/memory.max", "max\n"}, {"a/memory.current", Bytes(60)}}, std::nullopt},
    {"v2: in a container, whose group is the root of the tree", "0::/\n",
     {{"memory.max", Bytes(512)}, {"memory.current", Bytes(12)}}, 500 * kMiB},
    {"v2: under unified/, as hybrid systems mount it", "0::/s\n",
     {{"unified/s/memory.max", Bytes(64)}, {"unified/s/memory.current", Bytes(4)}}, 60 * kMiB},
    {"v2: usage over the limit leaves nothing", "0::/a\n", {{"a/memory.max", Bytes(64)}, {"a/memory.current", Bytes(65)}}, 0},
    {"v2: no usage file counts as full", "0::/a\n", {{"a/memory.max", Bytes(64)}}, 0},
    {"v1: the memory controller among others, a parent's limit above", "9:name=systemd:/\n4:cpu,memory:/api/x\n0::/\n",
     {{"memory/api/x/memory.limit_in_bytes", "9223372036854771712\n"}, {"memory/api/x/memory.usage_in_bytes", Bytes(7)},
      {"memory/api/memory.limit_in_bytes", Bytes(300)}, {"memory/api/memory.usage_in_bytes", Bytes(90)},
      {"memory/api/memory.stat", "cache 5\ntotal_inactive_file " + std::to_string(10 * kMiB) + "\n"}},
     220 * kMiB},
    {"v1: another controller's limit files are not the memory's", "4:cpu:/x\n",
     {{"cpu/x/memory.limit_in_bytes", Bytes(1)}, {"memory/x/memory.limit_in_bytes", Bytes(1)}}, std::nullopt},
    {"a group outside the namespace", "0::/../../other\n", {{"memory.max", Bytes(1)}, {"memory.current", "0\n"}},
     std::nullopt},
    {"a limit that is not a number", "0::/a\n", {{"a/memory.max", "lots\n"}, {"a/memory.current", "0\n"}}, std::nullopt},
    {"no /proc/self/cgroup", "", {{"memory.max", Bytes(1)}}, std::nullopt},
};

TEST(CgroupMemory, LeavesTheLeastOfTheLimitsOnItsWay) {
    for (const CgroupTree& tree : kTrees) {
        const TemporaryFolder root;
        for (const auto& [path, content] : tree.files) WriteFile(root / path, content);
        EXPECT_EQ(hollin::utils::CgroupMemoryLeft(root.Path(), tree.selfCgroup), tree.left) << tree.name;
    }
}

}  // namespace
