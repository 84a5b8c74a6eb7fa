#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
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
    int systemError = 0;
    const bool replaced = ReplaceFileAtomically(target_, "far more than four bytes", &error, &systemError);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    ::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(replaced);
    EXPECT_NE(error.find("cannot write " + target_), std::string::npos) << error;
    EXPECT_EQ(systemError, EFBIG) << "the system's reason, for the host to say";
    EXPECT_EQ(State(), (std::pair<std::string, long>("old contents", 0)));
}

// Contents written through a stream: a large block and small pieces arrive in
// order, and the file keeps its permissions; a writer that gives up or throws
// changes nothing.
TEST_F(AtomicFile, StreamedContentsArriveWholeWithThePermissionsKeptOrNotAtAll) {
    struct stat info {};
    ASSERT_EQ(::stat(target_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    ASSERT_EQ(::chmod(target_.c_str(), 0600), 0);
    const std::string block(200000, 'b');
    ASSERT_TRUE(ReplaceFileAtomically(target_, [&](std::ostream& out) { return static_cast<bool>(out << "head " << block << 42); }));
    ASSERT_EQ(::stat(target_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(State(), (std::pair<std::string, long>("head " + block + "42", 0)));

    ASSERT_TRUE(ReplaceFileAtomically(target_, "old contents", nullptr));
    std::string error;
    EXPECT_FALSE(ReplaceFileAtomically(target_, [](std::ostream& out) { return !(out << "partial"); }, &error));
    EXPECT_NE(error.find("cannot write " + target_), std::string::npos) << error;
    int systemError = -1;
    EXPECT_FALSE(ReplaceFileAtomically(target_, [](std::ostream&) { return false; }, nullptr, &systemError));
    EXPECT_EQ(systemError, 0) << "a writer that gives up is no refusal of the system's";
    EXPECT_THROW(ReplaceFileAtomically(target_, [](std::ostream& out) -> bool { out << "partial"; throw std::bad_alloc(); }),
                 std::bad_alloc);
    EXPECT_EQ(State(), (std::pair<std::string, long>("old contents", 0)));
}

// A file that a dotfile manager links elsewhere stays a link; the file it
// leads to is replaced, with no temporary file left beside either.
TEST_F(AtomicFile, ALinkedTargetStaysALinkAndItsFileIsReplaced) {
    std::filesystem::create_directories(folder_ / "dotfiles");
    ASSERT_TRUE(ReplaceFileAtomically((folder_ / "dotfiles/real.json").string(), "old", nullptr));
    std::filesystem::create_symlink("dotfiles/real.json", folder_ / "link.json");
    std::filesystem::create_symlink("link.json", folder_ / "link-to-link.json");
    ASSERT_TRUE(ReplaceFileAtomically((folder_ / "link-to-link.json").string(), "new", nullptr));
    EXPECT_TRUE(std::filesystem::is_symlink(folder_ / "link.json"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder_ / "link-to-link.json"));
    EXPECT_EQ(ReadFile(folder_ / "dotfiles/real.json"), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_ / "dotfiles"), {}), 1);
    EXPECT_EQ(State(), (std::pair<std::string, long>("old contents", 3)));
}

}  // namespace
