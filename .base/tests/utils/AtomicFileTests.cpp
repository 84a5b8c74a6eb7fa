#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <new>
#include <string>

#include "ProcessRunner.h"
#include "utils/AtomicFile.h"

using hollin::utils::ReplaceFileAtomically;

namespace {

class AtomicFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(ReplaceFileAtomically(target_, "old contents", nullptr)); }

    // The target's contents, and how many entries the folder has besides it.
    std::pair<std::string, long> State() const {
        return {ReadFile(target_), std::distance(std::filesystem::directory_iterator(folder_ / ""), {}) - 1};
    }

    TemporaryFolder folder_;
    const std::string target_ = (folder_ / "file.txt").string();
};

TEST_F(AtomicFile, ReplacesTheContentsAndKeepsThePermissions) {
    struct stat info {};
    ASSERT_EQ(::stat(target_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    ASSERT_EQ(::chmod(target_.c_str(), 0600), 0);
    ASSERT_TRUE(ReplaceFileAtomically(target_, "new contents", nullptr));
    ASSERT_EQ(::stat(target_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(State(), (std::pair<std::string, long>("new contents", 0)));
}

// A full disk stands in for any write cut short: the old contents stay and no
// temporary file remains; the error says what went wrong where.
TEST_F(AtomicFile, AFailedReplacementChangesNothing) {
    std::string error;
    EXPECT_FALSE(ReplaceFileAtomically((folder_ / "missing" / "file").string(), "x", &error));
    EXPECT_NE(error.find((folder_ / "missing/file").string() + ": No such file"), std::string::npos) << error;
    std::filesystem::create_directory(folder_ / "taken");
    EXPECT_FALSE(ReplaceFileAtomically((folder_ / "taken").string(), "x", &error));
    EXPECT_NE(error.find("cannot replace"), std::string::npos) << error;
    std::filesystem::remove(folder_ / "taken");

    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousHandler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 4;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool replaced = ReplaceFileAtomically(target_, "far more than four bytes", &error);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    ::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(replaced);
    EXPECT_NE(error.find("cannot write " + target_), std::string::npos) << error;
    EXPECT_EQ(State(), (std::pair<std::string, long>("old contents", 0)));
}

// Contents written through a stream: a large block and small pieces arrive in
// order; a writer that gives up or throws changes nothing.
TEST_F(AtomicFile, StreamedContentsArriveWholeOrNotAtAll) {
    const std::string block(200000, 'b');
    ASSERT_TRUE(ReplaceFileAtomically(target_, [&](std::ostream& out) { return static_cast<bool>(out << "head " << block << 42); }));
    EXPECT_EQ(State(), (std::pair<std::string, long>("head " + block + "42", 0)));

    ASSERT_TRUE(ReplaceFileAtomically(target_, "old contents", nullptr));
    std::string error;
    EXPECT_FALSE(ReplaceFileAtomically(target_, [](std::ostream& out) { return !(out << "partial"); }, &error));
    EXPECT_NE(error.find("cannot write " + target_), std::string::npos) << error;
    EXPECT_THROW(ReplaceFileAtomically(target_, [](std::ostream& out) -> bool { out << "partial"; throw std::bad_alloc(); }),
                 std::bad_alloc);
    EXPECT_EQ(State(), (std::pair<std::string, long>("old contents", 0)));
}

}  // namespace
