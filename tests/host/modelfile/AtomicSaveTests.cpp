#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>

#include "ModelFile.h"
#include "TestModels.h"

namespace korvanta::test {
namespace {

class AtomicSave : public ::testing::Test {
protected:
    void SetUp() override {
        existing_ = folder_ / "existing.kvm";
        ASSERT_EQ(SaveModelFile(MakeRichModel(), existing_), KV_SUCCESS);
        existingBytes_ = ReadBytes(existing_);
    }

    void ExpectExistingUntouched() {
        EXPECT_EQ(ReadBytes(existing_), existingBytes_);
    }

    TemporaryFolder folder_;
    std::filesystem::path existing_;
    std::vector<std::uint8_t> existingBytes_;
};

TEST_F(AtomicSave, OntoAFolderFailsAndLeavesItAlone) {
    const auto target = folder_ / "folder.kvm";
    std::filesystem::create_directory(target);
    WriteBytes(target / "inside.txt", {1, 2, 3});
    EXPECT_EQ(SaveModelFile(MakeRichModel(), target), KV_ERROR_FILE_WRITE);
    EXPECT_TRUE(std::filesystem::is_directory(target));
    EXPECT_EQ(ReadBytes(target / "inside.txt"), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(folder_.Entries(), (std::vector<std::string>{"existing.kvm", "folder.kvm"}));
    ExpectExistingUntouched();
}

TEST_F(AtomicSave, IntoAMissingFolderFailsWithoutCreatingIt) {
    EXPECT_EQ(SaveModelFile(MakeRichModel(), folder_ / "missing" / "model.kvm"), KV_ERROR_FILE_WRITE);
    EXPECT_EQ(SaveModelFile(MakeRichModel(), existing_ / "model.kvm"), KV_ERROR_FILE_WRITE);
    EXPECT_EQ(folder_.Entries(), std::vector<std::string>{"existing.kvm"});
    ExpectExistingUntouched();
}

TEST_F(AtomicSave, EmptyOrFolderLikePathFails) {
    EXPECT_EQ(SaveModelFile(Model{}, ""), KV_ERROR_FILE_WRITE);
    EXPECT_EQ(SaveModelFile(Model{}, folder_.Path().string() + "/"), KV_ERROR_FILE_WRITE);
    EXPECT_EQ(folder_.Entries(), std::vector<std::string>{"existing.kvm"});
}

// The disk filling up half way through stands in for any interrupted write:
// the target must keep its old contents and no temporary file may remain.
TEST_F(AtomicSave, WriteCutShortKeepsTheOldFile) {
    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousHandler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const KVResult result = SaveModelFile(MakeRichModel(), existing_);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    ::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(result, KV_ERROR_FILE_WRITE);
    ExpectExistingUntouched();
    EXPECT_EQ(folder_.Entries(), std::vector<std::string>{"existing.kvm"});
}

TEST_F(AtomicSave, ReplacingKeepsTheFilePermissions) {
    struct stat info {};
    ASSERT_EQ(::stat(existing_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    ASSERT_EQ(::chmod(existing_.c_str(), 0600), 0);
    ASSERT_EQ(SaveModelFile(Model{}, existing_), KV_SUCCESS);
    ASSERT_EQ(::stat(existing_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_NE(ReadBytes(existing_), existingBytes_);
}

}  // namespace
}  // namespace korvanta::test
