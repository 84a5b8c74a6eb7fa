// The preference store on a file of its own: types, damage, failed writes and
// several processes sharing the file.

#include <gmock/gmock.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include <nlohmann/json.hpp>

#include "PreferenceLocation.h"
#include "PreferenceStore.h"
#include "ProcessRunner.h"

using hollin::prefs::PreferenceStore;
using hollin::prefs::StoreError;
using hollin::utils::Utf16String;
using ::testing::UnorderedElementsAre;

namespace {

const Utf16String kSection("3DS Importer");
const Utf16String kUnits("ImportUnits");

class PreferenceStoreTest : public ::testing::Test {
protected:
    std::filesystem::path File() const { return folder_ / "Korvanta" / "preferences.json"; }

    // Anything else would be a temporary file left behind.
    std::set<std::string> StoreFolder() const { return NamesIn(File().parent_path()); }

    TemporaryFolder folder_;
};

}  // namespace

TEST_F(PreferenceStoreTest, AValueOfAnotherTypeOrRangeReadsAsTheDefault) {
    WriteFile(File(), R"({"S": {"true": true, "one": 1, "two": 2.0, "big": 4294967296, "text": "7",
                             "huge": 18446744073709551615}, "NotASection": 5})");
    const PreferenceStore store(File());
    const Utf16String s("S");
    EXPECT_EQ(store.ReadInt(s, "true", 42), 42);
    EXPECT_FALSE(store.ReadBool(s, "one", false));
    EXPECT_EQ(store.ReadInt(s, "two", 42), 42);
    EXPECT_EQ(store.ReadInt(s, "big", 42), 42);
    EXPECT_EQ(store.ReadInt64(s, "huge", 5), 5);
    EXPECT_EQ(store.ReadInt(s, "text", 42), 42);
    EXPECT_EQ(store.ReadDouble(s, "one", 0.5), 1.0);
    EXPECT_EQ(store.ReadInt(Utf16String("NotASection"), "k", 42), 42);
}

TEST_F(PreferenceStoreTest, TheFileIsReadOnceButEveryWriteMergesWhatOthersWrote) {
    WriteFile(File(), R"({"3DS Importer": {"ImportUnits": 2}, "Gone": {"k": 1}, "NotASection": 5})");
    PreferenceStore store(File());
    ASSERT_EQ(store.ReadInt(kSection, kUnits, 0), 2);

    WriteFile(File(), R"({"3DS Importer": {"ImportUnits": 5}, "Gone": {"k": 1}, "NotASection": 5})");
    EXPECT_EQ(store.ReadInt(kSection, kUnits, 0), 2) << "the store keeps what it read";

    store.WriteBool(kSection, Utf16String("ImportMergeCoplanarFaces"), true);
    store.WriteInt(Utf16String("NotASection"), Utf16String("k"), 3);
    store.Remove(Utf16String("Gone"), Utf16String("k"));
    EXPECT_EQ(store.ReadInt(kSection, kUnits, 0), 5);
    EXPECT_EQ(nlohmann::json::parse(ReadFile(File())),
              nlohmann::json::parse(R"({"3DS Importer": {"ImportUnits": 5, "ImportMergeCoplanarFaces": true},
                              "NotASection": {"k": 3}})"));
}

// The reason for nesting too deep: where, as the pointer to the first level
// too many, cut at 120 bytes.
std::string Deep(std::string member) {
    while (member.size() < 120) member += "/0";
    return "its arrays and objects nest deeper than 64 levels, at " + member.substr(0, 120) + "...";
}

TEST_F(PreferenceStoreTest, AMissingFileIsEmptyAndOneThatCannotBeReadIsRefusedAndLeftAsItIs) {
    EXPECT_EQ(PreferenceStore(File()).ReadInt(kSection, kUnits, 3), 3);
    EXPECT_FALSE(std::filesystem::exists(File().parent_path())) << "reading creates nothing";
    const std::pair<std::string, std::string> damaged[] = {
        {"", "it is not well-formed JSON"},
        {"{\"3DS Importer\": {\"ImportUnits\": 7", "it is not well-formed JSON, at byte 34"},
        {"{} trailing", "it is not well-formed JSON, at byte 5"},
        {"\xff\xfe{\x00}", "it is not well-formed JSON"},
        {"[1, 2]", "it is not a JSON object"},
        {R"({"S": {"k": 1}, "S": {}})", "a key is given twice in one object, at /S"},
        {R"({"a~/b": {"k": 1, "k": 2}})", "a key is given twice in one object, at /a~0~1b/k"},
        // Read without recursion: a million levels would overflow any stack.
        {R"({"S": {"k": )" + std::string(1'000'000, '[') + std::string(1'000'000, ']') + "}}", Deep("/S/k")},
    };
    for (const auto& [content, reason] : damaged) {
        WriteFile(File(), content);
        PreferenceStore store(File());
        try {
            store.ReadInt(kSection, kUnits, -1);
            ADD_FAILURE() << "read despite " << reason;
        } catch (const StoreError& error) {
            EXPECT_EQ(error.GetOperation(), StoreError::Operation::Read);
            EXPECT_EQ(error.Path(), File().string());
            EXPECT_EQ(error.Reason() + (error.Member().empty() ? "" : ", at " + error.Member()) +
                          (error.Offset() == 0 ? "" : ", at byte " + std::to_string(error.Offset())),
                      reason);
        }
        EXPECT_THROW(store.WriteInt(kSection, kUnits, 4), StoreError) << reason;
        EXPECT_EQ(ReadFile(File()), content) << reason;
        EXPECT_THAT(StoreFolder(), UnorderedElementsAre("preferences.json", "preferences.json.lock"));
    }
}

// (The store replaces its file atomically; that a failed replacement leaves
// no temporary file behind is AtomicFile.AFailedReplacementChangesNothing.)
TEST_F(PreferenceStoreTest, AFailedWriteThrowsAndKeepsTheOldValue) {
    PreferenceStore store(File());
    store.WriteInt(kSection, kUnits, 19);
    // A folder in the file's place cannot be replaced by a rename.
    std::filesystem::remove(File());
    std::filesystem::create_directories(File() / "occupied");
    EXPECT_THROW(store.WriteInt(kSection, kUnits, 99), StoreError);
    EXPECT_EQ(store.ReadInt(kSection, kUnits, 0), 19);
}

// Values of every type, written before the processes that share the file,
// read back after them in a fresh store.
TEST_F(PreferenceStoreTest, ValuesKeepTheirTypesAndProcessesWritingAtTheSameTimeLoseNothing) {
    const Utf16String typed("Ünïcode");
    PreferenceStore(File()).WriteInt64(typed, Utf16String("größe"), 9007199254740993LL);
    PreferenceStore(File()).WriteDouble(typed, Utf16String("ratio"), 0.1);
    PreferenceStore(File()).WriteString(typed, Utf16String("name"), Utf16String("日本語 \"quoted\""));
    const auto section = [](int writer) { return Utf16String(("Writer " + std::to_string(writer)).c_str()); };
    const auto key = [](int index) { return Utf16String(("key" + std::to_string(index)).c_str()); };
    std::vector<pid_t> children;
    for (int writer = 0; writer < 2; ++writer) {
        children.push_back(::fork());
        ASSERT_GE(children.back(), 0);
        if (children.back() == 0) {
            PreferenceStore store(File());
            for (int index = 0; index < 40; ++index) {
                store.WriteInt(section(writer), key(index), index * 10 + writer);
                store.WriteBool(Utf16String("Shared"), section(writer), index % 2 == 0);
            }
            ::_exit(0);
        }
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    // Read back here, the values have crossed processes with their types.
    const PreferenceStore reader(File());
    EXPECT_EQ(reader.ReadInt64(typed, Utf16String("größe"), 0), 9007199254740993LL);
    EXPECT_EQ(reader.ReadDouble(typed, Utf16String("ratio"), 0), 0.1);
    EXPECT_EQ(reader.ReadString(typed, Utf16String("name"), ""), Utf16String("日本語 \"quoted\""));
    for (int writer = 0; writer < 2; ++writer) {
        for (int index = 0; index < 40; ++index) {
            EXPECT_EQ(reader.ReadInt(section(writer), key(index), -1), index * 10 + writer);
        }
        EXPECT_FALSE(reader.ReadBool(Utf16String("Shared"), section(writer), true));
    }
    EXPECT_THAT(StoreFolder(), UnorderedElementsAre("preferences.json", "preferences.json.lock"));
}

TEST(PreferenceLocation, FollowsAnAbsoluteXdgConfigHomeAndFallsBackToHome) {
    // Each test runs in its own process under ctest; the variables need no restoring.
    ::setenv("HOME", "/home/someone", 1);
    ::setenv("XDG_CONFIG_HOME", "/elsewhere", 1);
    EXPECT_EQ(hollin::prefs::DefaultPreferenceFilePath(), "/elsewhere/Korvanta/preferences.json");
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(hollin::prefs::DefaultPreferenceFilePath(), "/home/someone/.config/Korvanta/preferences.json");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(hollin::prefs::DefaultPreferenceFilePath(), "/home/someone/.config/Korvanta/preferences.json");
}
