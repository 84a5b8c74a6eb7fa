// The preference store on its own file: reading, writing, types, damage and
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
using ::testing::UnorderedElementsAre;

namespace {

const Utf16String kSection("3DS Importer");
const Utf16String kUnits("ImportUnits");
const Utf16String kMerge("ImportMergeCoplanarFaces");

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    std::ostringstream content;
    content << stream.rdbuf();
    return content.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

class PreferenceStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "kvprefs-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::filesystem::path StoreFile() const { return folder_ / "Korvanta" / "preferences.json"; }

    std::vector<std::string> FilesInStoreFolder() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(StoreFile().parent_path())) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    void WriteStoreFile(const std::string& content) const {
        std::filesystem::create_directories(StoreFile().parent_path());
        WriteFile(StoreFile(), content);
    }

    std::filesystem::path folder_;
};

}  // namespace

TEST_F(PreferenceStoreTest, AMissingFileGivesEveryDefaultAndIsNotCreatedByReading) {
    const PreferenceStore store(StoreFile());
    EXPECT_FALSE(store.HasValue(kSection, kUnits));
    EXPECT_EQ(store.ReadInt(kSection, kUnits, 3), 3);
    EXPECT_TRUE(store.ReadBool(kSection, kMerge, true));
    EXPECT_FALSE(store.ReadBool(kSection, kMerge, false));
    EXPECT_EQ(store.ReadInt64(kSection, kUnits, -9), -9);
    EXPECT_EQ(store.ReadDouble(kSection, kUnits, 2.5), 2.5);
    EXPECT_EQ(store.ReadString(kSection, kUnits, "none"), Utf16String("none"));
    EXPECT_FALSE(std::filesystem::exists(StoreFile().parent_path()));
}

TEST_F(PreferenceStoreTest, EveryTypeReadsBackFromTheFileInAFreshStore) {
    {
        PreferenceStore writer(StoreFile());
        writer.WriteInt(kSection, kUnits, -2147483647 - 1);
        writer.WriteBool(kSection, kMerge, true);
        writer.WriteInt64(Utf16String("Ünïcode"), Utf16String("größe"), 9007199254740993LL);
        writer.WriteDouble(Utf16String("Ünïcode"), Utf16String("ratio"), 0.1);
        writer.WriteString(Utf16String("Ünïcode"), Utf16String("name"), Utf16String("日本語 \"quoted\""));
    }
    const PreferenceStore reader(StoreFile());
    EXPECT_EQ(reader.ReadInt(kSection, kUnits, 0), -2147483647 - 1);
    EXPECT_TRUE(reader.ReadBool(kSection, kMerge, false));
    EXPECT_EQ(reader.ReadInt64(Utf16String("Ünïcode"), Utf16String("größe"), 0), 9007199254740993LL);
    EXPECT_EQ(reader.ReadDouble(Utf16String("Ünïcode"), Utf16String("ratio"), 0), 0.1);
    EXPECT_EQ(reader.ReadString(Utf16String("Ünïcode"), Utf16String("name"), ""), Utf16String("日本語 \"quoted\""));

    const nlohmann::json file = nlohmann::json::parse(ReadFile(StoreFile()));
    EXPECT_TRUE(file["3DS Importer"]["ImportMergeCoplanarFaces"].is_boolean());
    EXPECT_TRUE(file["3DS Importer"]["ImportUnits"].is_number_integer());
}

TEST_F(PreferenceStoreTest, AValueOfAnotherTypeReadsAsTheDefault) {
    WriteStoreFile(R"({"S": {"bool": true, "int": 1, "zero": 0, "double": 2.0, "big": 4294967296,
                             "text": "7", "null": null, "list": [1], "huge": 18446744073709551615}})");
    const PreferenceStore store(StoreFile());
    const Utf16String s("S");
    EXPECT_EQ(store.ReadInt(s, "bool", 42), 42);
    EXPECT_EQ(store.ReadBool(s, "int", false), false);
    EXPECT_EQ(store.ReadBool(s, "zero", true), true);
    EXPECT_EQ(store.ReadInt(s, "double", 42), 42);
    EXPECT_EQ(store.ReadInt(s, "big", 42), 42);
    EXPECT_EQ(store.ReadInt64(s, "big", 0), 4294967296LL);
    EXPECT_EQ(store.ReadInt64(s, "huge", 5), 5);
    EXPECT_EQ(store.ReadInt(s, "text", 42), 42);
    EXPECT_EQ(store.ReadString(s, "int", "d"), Utf16String("d"));
    EXPECT_EQ(store.ReadInt(s, "null", 42), 42);
    EXPECT_EQ(store.ReadBool(s, "list", true), true);
    EXPECT_EQ(store.ReadDouble(s, "int", 0.5), 1.0);
    EXPECT_TRUE(store.HasValue(s, "null"));
}

TEST_F(PreferenceStoreTest, TheFileIsReadOnceButEveryWriteMergesWhatOthersWrote) {
    WriteStoreFile(R"({"3DS Importer": {"ImportUnits": 2}})");
    PreferenceStore store(StoreFile());
    ASSERT_EQ(store.ReadInt(kSection, kUnits, 0), 2);

    // Another process writes meanwhile.
    WriteStoreFile(R"({"3DS Importer": {"ImportUnits": 5}, "Other": {"k": 1}})");
    EXPECT_EQ(store.ReadInt(kSection, kUnits, 0), 2) << "the store keeps what it read";

    store.WriteBool(kSection, kMerge, true);
    EXPECT_EQ(store.ReadInt(kSection, kUnits, 0), 5);
    EXPECT_EQ(store.ReadInt(Utf16String("Other"), Utf16String("k"), 0), 1);
    const nlohmann::json file = nlohmann::json::parse(ReadFile(StoreFile()));
    EXPECT_EQ(file, nlohmann::json::parse(
                        R"({"3DS Importer": {"ImportUnits": 5, "ImportMergeCoplanarFaces": true}, "Other": {"k": 1}})"));
}

TEST_F(PreferenceStoreTest, ACorruptFileGivesDefaultsAndIsKeptAsideWithoutCrashing) {
    const std::vector<std::string> damaged = {
        "",
        "{\"3DS Importer\": {\"ImportUnits\": 7",
        "[1, 2, 3]",
        "\"just text\"",
        "null",
        std::string("\x00\xff\xfe{}", 5),
        "{\"a\": 1} trailing",
    };
    for (const std::string& content : damaged) {
        WriteStoreFile(content);
        std::filesystem::remove(StoreFile().string() + ".corrupt");
        PreferenceStore store(StoreFile());
        EXPECT_EQ(store.ReadInt(kSection, kUnits, -1), -1) << content;
        EXPECT_FALSE(std::filesystem::exists(StoreFile())) << content;
        EXPECT_EQ(ReadFile(StoreFile().string() + ".corrupt"), content);

        store.WriteInt(kSection, kUnits, 4);
        EXPECT_EQ(PreferenceStore(StoreFile()).ReadInt(kSection, kUnits, 0), 4) << content;
    }
}

TEST_F(PreferenceStoreTest, ASectionThatIsNotAnObjectIsEmptyAndIsReplacedOnWrite) {
    WriteStoreFile(R"({"3DS Importer": 12, "Other": {"k": true}})");
    PreferenceStore store(StoreFile());
    EXPECT_FALSE(store.HasValue(kSection, kUnits));
    store.WriteInt(kSection, kUnits, 8);
    EXPECT_EQ(PreferenceStore(StoreFile()).ReadInt(kSection, kUnits, 0), 8);
    EXPECT_TRUE(PreferenceStore(StoreFile()).ReadBool(Utf16String("Other"), Utf16String("k"), false));
}

TEST_F(PreferenceStoreTest, RemoveDropsTheKeyAndAnEmptySection) {
    PreferenceStore store(StoreFile());
    store.WriteInt(kSection, kUnits, 1);
    store.WriteInt(Utf16String("Other"), Utf16String("k"), 1);
    store.Remove(kSection, kUnits);
    EXPECT_FALSE(store.HasValue(kSection, kUnits));
    EXPECT_EQ(nlohmann::json::parse(ReadFile(StoreFile())), nlohmann::json::parse(R"({"Other": {"k": 1}})"));
}

TEST_F(PreferenceStoreTest, WritesLeaveNoTemporaryFilesBehind) {
    PreferenceStore store(StoreFile());
    for (int value = 0; value < 50; ++value) store.WriteInt(kSection, kUnits, value);
    EXPECT_THAT(FilesInStoreFolder(), UnorderedElementsAre("preferences.json", "preferences.json.lock"));
}

TEST_F(PreferenceStoreTest, AFailedWriteThrowsKeepsTheOldValueAndLeavesNoTemporaryFile) {
    PreferenceStore store(StoreFile());
    store.WriteInt(kSection, kUnits, 1);
    // A folder in the file's place cannot be replaced by a rename.
    std::filesystem::remove(StoreFile());
    std::filesystem::create_directories(StoreFile() / "occupied");
    EXPECT_THROW(store.WriteInt(kSection, kUnits, 2), std::system_error);
    EXPECT_EQ(store.ReadInt(kSection, kUnits, 0), 1);
    EXPECT_THAT(FilesInStoreFolder(), UnorderedElementsAre("preferences.json", "preferences.json.lock"));
    EXPECT_TRUE(std::filesystem::is_directory(StoreFile() / "occupied"));
}

TEST_F(PreferenceStoreTest, ProcessesWritingAtTheSameTimeLoseNothingAndNeverTearTheFile) {
    constexpr int kWriters = 2;
    constexpr int kWritesEach = 40;
    std::vector<pid_t> children;
    for (int writer = 0; writer < kWriters; ++writer) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            PreferenceStore store(StoreFile());
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

    const nlohmann::json file = nlohmann::json::parse(ReadFile(StoreFile()));
    for (int writer = 0; writer < kWriters; ++writer) {
        const std::string section = "Writer " + std::to_string(writer);
        ASSERT_EQ(file[section].size(), static_cast<std::size_t>(kWritesEach)) << section;
        for (int index = 0; index < kWritesEach; ++index) {
            EXPECT_EQ(file[section]["key" + std::to_string(index)], index * 10 + writer);
        }
        EXPECT_EQ(file["Shared"][section], false);
    }
    EXPECT_THAT(FilesInStoreFolder(), UnorderedElementsAre("preferences.json", "preferences.json.lock"));
}

TEST(PreferenceLocation, FollowsXdgConfigHomeAndFallsBackToHome) {
    const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string restoreXdg = savedXdg != nullptr ? savedXdg : "";
    const char* savedHome = std::getenv("HOME");
    const std::string restoreHome = savedHome != nullptr ? savedHome : "";

    ::setenv("HOME", "/home/someone", 1);
    ::setenv("XDG_CONFIG_HOME", "/elsewhere/config", 1);
    EXPECT_EQ(hollin::prefs::DefaultPreferenceFilePath(), "/elsewhere/config/Korvanta/preferences.json");
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(hollin::prefs::DefaultPreferenceFilePath(), "/home/someone/.config/Korvanta/preferences.json");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(hollin::prefs::DefaultPreferenceFilePath(), "/home/someone/.config/Korvanta/preferences.json");

    if (savedXdg != nullptr) ::setenv("XDG_CONFIG_HOME", restoreXdg.c_str(), 1);
    if (savedHome != nullptr) ::setenv("HOME", restoreHome.c_str(), 1);
}
