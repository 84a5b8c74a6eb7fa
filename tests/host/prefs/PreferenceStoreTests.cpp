// The preference store on a file of its own: types, damage, failed writes and
// several processes sharing the file.

#include <gmock/gmock.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include <nlohmann/json.hpp>

#include "PreferenceLocation.h"
#include "PreferenceStore.h"

using hollin::prefs::PreferenceStore;
using hollin::utils::Utf16String;
using nlohmann::json;
using ::testing::UnorderedElementsAre;

namespace {

const Utf16String kSection("3DS Importer");
const Utf16String kUnits("ImportUnits");
const Utf16String kMerge("ImportMergeCoplanarFaces");

class PreferenceStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "kvprefs-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::filesystem::path File() const { return folder_ / "Korvanta" / "preferences.json"; }

    std::string Read(const std::filesystem::path& path) const {
        std::ostringstream content;
        content << std::ifstream(path, std::ios::binary).rdbuf();
        return content.str();
    }

    void WriteStoreFile(const std::string& content) const {
        std::filesystem::create_directories(File().parent_path());
        std::ofstream(File(), std::ios::binary) << content;
    }

    // Anything else would be a temporary file left behind.
    std::vector<std::string> StoreFolder() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(File().parent_path())) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    std::filesystem::path folder_;
};

}  // namespace

TEST_F(PreferenceStoreTest, AMissingFileGivesTheDefaultsAndReadingCreatesNothing) {
    const PreferenceStore store(File());
    EXPECT_FALSE(store.HasValue(kSection, kUnits));
    EXPECT_EQ(store.ReadInt(kSection, kUnits, 3), 3);
    EXPECT_TRUE(store.ReadBool(kSection, kMerge, true));
    EXPECT_FALSE(std::filesystem::exists(File().parent_path()));
}

TEST_F(PreferenceStoreTest, ValuesReadBackInAFreshStoreWithTheirTypes) {
    {
        PreferenceStore writer(File());
        writer.WriteInt(kSection, kUnits, -2147483647 - 1);
        writer.WriteBool(kSection, kMerge, false);
        writer.WriteInt64(Utf16String("Ünïcode"), Utf16String("größe"), 9007199254740993LL);
        writer.WriteDouble(Utf16String("Ünïcode"), Utf16String("ratio"), 0.1);
        writer.WriteString(Utf16String("Ünïcode"), Utf16String("name"), Utf16String("日本語 \"quoted\""));
    }
    const PreferenceStore reader(File());
    EXPECT_EQ(reader.ReadInt(kSection, kUnits, 0), -2147483647 - 1);
    EXPECT_FALSE(reader.ReadBool(kSection, kMerge, true));
    EXPECT_EQ(reader.ReadInt64(Utf16String("Ünïcode"), Utf16String("größe"), 0), 9007199254740993LL);
    EXPECT_EQ(reader.ReadDouble(Utf16String("Ünïcode"), Utf16String("ratio"), 0), 0.1);
    EXPECT_EQ(reader.ReadString(Utf16String("Ünïcode"), Utf16String("name"), ""), Utf16String("日本語 \"quoted\""));
    // A bool and an int must not read as each other.
    EXPECT_EQ(reader.ReadInt(kSection, kMerge, 42), 42);
    EXPECT_TRUE(reader.ReadBool(kSection, kUnits, true));
}

TEST_F(PreferenceStoreTest, AValueOfAnotherTypeOrRangeReadsAsTheDefault) {
    WriteStoreFile(R"({"S": {"true": true, "one": 1, "two": 2.0, "big": 4294967296, "text": "7", "null": null,
                             "huge": 18446744073709551615}, "NotASection": 5})");
    const PreferenceStore store(File());
    const Utf16String s("S");
    EXPECT_EQ(store.ReadInt(s, "true", 42), 42);
    EXPECT_FALSE(store.ReadBool(s, "one", false));
    EXPECT_EQ(store.ReadInt(s, "two", 42), 42);
    EXPECT_EQ(store.ReadInt(s, "big", 42), 42);
    EXPECT_EQ(store.ReadInt64(s, "big", 0), 4294967296LL);
    EXPECT_EQ(store.ReadInt64(s, "huge", 5), 5);
    EXPECT_EQ(store.ReadInt(s, "text", 42), 42);
    EXPECT_EQ(store.ReadInt(s, "null", 42), 42);
    EXPECT_EQ(store.ReadDouble(s, "one", 0.5), 1.0);
    EXPECT_EQ(store.ReadInt(Utf16String("NotASection"), "k", 42), 42);
}

TEST_F(PreferenceStoreTest, TheFileIsReadOnceButEveryWriteMergesWhatOthersWrote) {
    WriteStoreFile(R"({"3DS Importer": {"ImportUnits": 2}, "Gone": {"k": 1}, "NotASection": 5})");
    PreferenceStore store(File());
    ASSERT_EQ(store.ReadInt(kSection, kUnits, 0), 2);

    WriteStoreFile(R"({"3DS Importer": {"ImportUnits": 5}, "Gone": {"k": 1}, "NotASection": 5})");
    EXPECT_EQ(store.ReadInt(kSection, kUnits, 0), 2) << "the store keeps what it read";

    store.WriteBool(kSection, kMerge, true);
    store.WriteInt(Utf16String("NotASection"), Utf16String("k"), 3);
    store.Remove(Utf16String("Gone"), Utf16String("k"));
    EXPECT_EQ(store.ReadInt(kSection, kUnits, 0), 5);
    EXPECT_EQ(json::parse(Read(File())),
              json::parse(R"({"3DS Importer": {"ImportUnits": 5, "ImportMergeCoplanarFaces": true},
                              "NotASection": {"k": 3}})"));
}

TEST_F(PreferenceStoreTest, ACorruptFileGivesDefaultsAndIsKeptAside) {
    for (const std::string damaged : {"", "{\"3DS Importer\": {\"ImportUnits\": 7", "[1, 2]", "null", "{} trailing",
                                      "\xff\xfe{\x00}"}) {
        WriteStoreFile(damaged);
        PreferenceStore store(File());
        EXPECT_EQ(store.ReadInt(kSection, kUnits, -1), -1) << damaged;
        EXPECT_EQ(Read(File().string() + ".corrupt"), damaged);

        store.WriteInt(kSection, kUnits, 4);
        EXPECT_EQ(PreferenceStore(File()).ReadInt(kSection, kUnits, 0), 4) << damaged;
    }
}

TEST_F(PreferenceStoreTest, AFailedWriteThrowsKeepsTheOldValueAndLeavesNoTemporaryFile) {
    PreferenceStore store(File());
    for (int value = 0; value < 20; ++value) store.WriteInt(kSection, kUnits, value);
    EXPECT_THAT(StoreFolder(), UnorderedElementsAre("preferences.json", "preferences.json.lock"));

    // A folder in the file's place cannot be replaced by a rename.
    std::filesystem::remove(File());
    std::filesystem::create_directories(File() / "occupied");
    EXPECT_THROW(store.WriteInt(kSection, kUnits, 99), std::system_error);
    EXPECT_EQ(store.ReadInt(kSection, kUnits, 0), 19);
    EXPECT_THAT(StoreFolder(), UnorderedElementsAre("preferences.json", "preferences.json.lock"));
}

TEST_F(PreferenceStoreTest, ProcessesWritingAtTheSameTimeLoseNothingAndNeverTearTheFile) {
    constexpr int kWriters = 2;
    constexpr int kWritesEach = 40;
    std::vector<pid_t> children;
    for (int writer = 0; writer < kWriters; ++writer) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            PreferenceStore store(File());
            const Utf16String section(("Writer " + std::to_string(writer)).c_str());
            for (int index = 0; index < kWritesEach; ++index) {
                store.WriteInt(section, Utf16String(("key" + std::to_string(index)).c_str()), index * 10 + writer);
                store.WriteBool(Utf16String("Shared"), section, index % 2 == 0);
            }
            ::_exit(0);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    const json file = json::parse(Read(File()));
    for (int writer = 0; writer < kWriters; ++writer) {
        const std::string section = "Writer " + std::to_string(writer);
        ASSERT_EQ(file[section].size(), static_cast<std::size_t>(kWritesEach)) << section;
        for (int index = 0; index < kWritesEach; ++index) {
            EXPECT_EQ(file[section]["key" + std::to_string(index)], index * 10 + writer);
        }
        EXPECT_EQ(file["Shared"][section], false);
    }
    EXPECT_THAT(StoreFolder(), UnorderedElementsAre("preferences.json", "preferences.json.lock"));
}

TEST(PreferenceLocation, FollowsAnAbsoluteXdgConfigHomeAndFallsBackToHome) {
    const std::string savedHome = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "/";
    ::setenv("HOME", "/home/someone", 1);
    ::setenv("XDG_CONFIG_HOME", "/elsewhere", 1);
    EXPECT_EQ(hollin::prefs::DefaultPreferenceFilePath(), "/elsewhere/Korvanta/preferences.json");
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(hollin::prefs::DefaultPreferenceFilePath(), "/home/someone/.config/Korvanta/preferences.json");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(hollin::prefs::DefaultPreferenceFilePath(), "/home/someone/.config/Korvanta/preferences.json");
    ::setenv("HOME", savedHome.c_str(), 1);
}
