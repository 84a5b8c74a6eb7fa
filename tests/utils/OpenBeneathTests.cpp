#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>

#include "TemporaryFolder.h"
#include "utils/OpenBeneath.h"

namespace {

namespace fs = std::filesystem;

using hollin::utils::BeneathLinks;
using hollin::utils::BeneathProblem;
using hollin::utils::BeneathTarget;
using hollin::utils::OpenBeneath;

struct Row {
    const char* relative;
    BeneathTarget target;
    BeneathLinks links;
    BeneathProblem withOpenat2;
    BeneathProblem withoutOpenat2;  // every link refused
    mode_t kind = 0;                // of what is opened, when it opens
};

constexpr BeneathProblem kOpens = BeneathProblem::None, kMissing = BeneathProblem::Missing,
                         kOutside = BeneathProblem::LeadsOutside;
constexpr BeneathLinks kInside = BeneathLinks::StayInside, kNoLinks = BeneathLinks::Refused;

const Row kRows[] = {
    {"a.png", BeneathTarget::File, kInside, kOpens, kOpens, S_IFREG},
    {"sub/./b.png", BeneathTarget::File, kInside, kOpens, kOpens, S_IFREG},
    {"sub", BeneathTarget::Folder, kNoLinks, kOpens, kOpens, S_IFDIR},
    {"absent.png", BeneathTarget::File, kInside, kMissing, kMissing},
    {"a.png/b.png", BeneathTarget::File, kInside, kMissing, kMissing},
    // Never waited on: a FIFO without a writer opens at once, as what it is.
    {"pipe.png", BeneathTarget::File, kInside, kOpens, kOpens, S_IFIFO},
    {"pipe.png", BeneathTarget::Probe, kInside, kOpens, kOpens, S_IFIFO},
    // Links that stay inside work where the kernel can hold them there.
    {"inside.png", BeneathTarget::File, kInside, kOpens, kOutside, S_IFREG},
    {"inside.png", BeneathTarget::File, kNoLinks, kOutside, kOutside},
    {"linked/b.png", BeneathTarget::File, kInside, kOpens, kOutside, S_IFREG},
    {"absolute.png", BeneathTarget::File, kInside, kOpens, kOutside, S_IFREG},  // a link by the folder's full path
    {"absolute/b.png", BeneathTarget::File, kInside, kOpens, kOutside, S_IFREG},
    {"outside.png", BeneathTarget::File, kInside, kOutside, kOutside},
    {"outside.png", BeneathTarget::Probe, kInside, kOutside, kOutside},
    {"away/c.png", BeneathTarget::File, kInside, kOutside, kOutside},
    {"away", BeneathTarget::Folder, kInside, kOutside, kOutside},
    {"linked", BeneathTarget::Folder, kNoLinks, kOutside, kOutside},
    {"root/etc/passwd", BeneathTarget::File, kInside, kOutside, kOutside},
    {"../outside/c.png", BeneathTarget::File, kInside, kOutside, kOutside},
    {"sub/../../outside/c.png", BeneathTarget::File, kInside, kOutside, kOutside},
    {"/etc/passwd", BeneathTarget::File, kInside, kOutside, kOutside},
};

class OpenBeneathTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(folder_ / "root/a.png", "a");
        WriteFile(folder_ / "root/sub/b.png", "b");
        WriteFile(folder_ / "outside/c.png", "c");
        ASSERT_EQ(::mkfifo((folder_ / "root/pipe.png").c_str(), 0644), 0);
        fs::create_symlink("sub/b.png", folder_ / "root/inside.png");
        fs::create_directory_symlink("sub", folder_ / "root/linked");
        fs::create_symlink("../outside/c.png", folder_ / "root/outside.png");
        fs::create_directory_symlink(folder_ / "outside", folder_ / "root/away");
        fs::create_directory_symlink("/", folder_ / "root/root");
        fs::create_symlink(fs::canonical(folder_ / "root/sub/b.png"), folder_ / "root/absolute.png");
        fs::create_directory_symlink(fs::canonical(folder_ / "root/sub"), folder_ / "root/absolute");
        root_ = ::open((folder_ / "root").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ASSERT_GE(root_, 0);
    }
    void TearDown() override { ::close(root_); }

    // The rows whose outcome differs from what they expect, one a line.
    std::string Mismatches(bool openat2) const {
        std::string mismatches;
        for (const Row& row : kRows) {
            const hollin::utils::BeneathOpen opened = OpenBeneath(root_, row.relative, row.target, row.links);
            struct stat status {};
            const mode_t kind = opened.descriptor.IsOpen() && ::fstat(opened.descriptor.Get(), &status) == 0
                                    ? status.st_mode & S_IFMT : 0;
            const BeneathProblem expected = openat2 ? row.withOpenat2 : row.withoutOpenat2;
            if (opened.problem != expected || kind != (expected == kOpens ? row.kind : 0) ||
                opened.descriptor.IsOpen() != (expected == kOpens)) {
                mismatches += std::string(row.relative) + ": problem " + std::to_string(static_cast<int>(opened.problem)) +
                              ", kind " + std::to_string(kind) + "\n";
            }
        }
        return mismatches;
    }

    TemporaryFolder folder_;
    int root_ = -1;
};

bool KernelHasOpenat2() {
    return !(::syscall(SYS_openat2, AT_FDCWD, ".", nullptr, 0) < 0 && errno == ENOSYS);
}

// From here on, openat2 fails with ENOSYS, as on a kernel before 5.6.
void TakeOpenat2Away() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_openat2, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOSYS),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
        std::cerr << "no seccomp filter: " << std::strerror(errno) << "\n";
        std::exit(2);
    }
}

TEST_F(OpenBeneathTest, OpensOnlyWhatLiesBeneathTheFolderWithOrWithoutOpenat2) {
    EXPECT_EQ(Mismatches(KernelHasOpenat2()), "");
    EXPECT_EXIT(
        {
            TakeOpenat2Away();
            const std::string mismatches = Mismatches(false);
            std::cerr << mismatches;
            std::exit(mismatches.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "^$");
}

}  // namespace
