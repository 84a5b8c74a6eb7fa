// kvprefs against the real preference store, one fresh process per call.

#include <gmock/gmock.h>

#include <nlohmann/json.hpp>

#include "ProcessRunner.h"

using ::testing::HasSubstr;

namespace {

class KvprefsTest : public ::testing::Test {
protected:
    std::filesystem::path Config() const { return folder_.Path() / "config"; }
    std::filesystem::path StoreFile() const { return Config() / "Korvanta" / "preferences.json"; }

    ProcessResult Kvprefs(const std::vector<std::string>& arguments) const {
        return RunProcess(KV_KVPREFS, arguments, {{"XDG_CONFIG_HOME", Config().string()}});
    }

    TemporaryFolder folder_;
};

}  // namespace

TEST_F(KvprefsTest, ValuesSurviveIntoAFreshProcessWithTheirTypes) {
    ASSERT_EQ(Kvprefs({"set", "3DS Importer", "ImportUnits", "7"}).exitCode, 0);
    ASSERT_EQ(Kvprefs({"set", "3DS Importer", "ImportMergeCoplanarFaces", "true"}).exitCode, 0);
    ASSERT_EQ(Kvprefs({"set", "Ünïcode", "schlüssel", "-2147483648"}).exitCode, 0);
    ASSERT_EQ(Kvprefs({"set", "Flags", "k", "1"}).exitCode, 0);
    ASSERT_EQ(Kvprefs({"set", "Flags", "k", "false"}).exitCode, 0);

    EXPECT_EQ(Kvprefs({"get", "3DS Importer", "ImportUnits"}).out, "7\n");
    EXPECT_EQ(Kvprefs({"get", "3DS Importer", "ImportMergeCoplanarFaces"}).out, "true\n");
    EXPECT_EQ(Kvprefs({"get", "Ünïcode", "schlüssel"}).out, "-2147483648\n");
    EXPECT_EQ(Kvprefs({"get", "Flags", "k"}).out, "false\n");

    const nlohmann::json stored = nlohmann::json::parse(ReadFile(StoreFile()));
    EXPECT_TRUE(stored["3DS Importer"]["ImportMergeCoplanarFaces"].is_boolean());
    EXPECT_TRUE(stored["3DS Importer"]["ImportUnits"].is_number_integer());
}

TEST_F(KvprefsTest, GetOfSomethingNotStoredExitsOneWithoutCreatingTheStore) {
    const ProcessResult result = Kvprefs({"get", "3DS Importer", "ImportUnits"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_THAT(result.err, HasSubstr("nothing is stored"));
    EXPECT_FALSE(std::filesystem::exists(StoreFile()));

    ASSERT_EQ(Kvprefs({"set", "S", "k", "3"}).exitCode, 0);
    ASSERT_EQ(Kvprefs({"remove", "S", "k"}).exitCode, 0);
    EXPECT_EQ(Kvprefs({"get", "S", "k"}).exitCode, 1);
}

TEST_F(KvprefsTest, ACorruptStoreReadsAsEmptyIsKeptAsideAndIsReplacedOnWrite) {
    const std::string damaged = "{\"3DS Importer\": {\"ImportUnits\": 7";
    std::filesystem::create_directories(StoreFile().parent_path());
    WriteFile(StoreFile(), damaged);

    EXPECT_EQ(Kvprefs({"get", "3DS Importer", "ImportUnits"}).exitCode, 1);
    EXPECT_EQ(ReadFile(StoreFile().string() + ".corrupt"), damaged);
    ASSERT_EQ(Kvprefs({"set", "3DS Importer", "ImportUnits", "2"}).exitCode, 0);
    EXPECT_EQ(Kvprefs({"get", "3DS Importer", "ImportUnits"}).out, "2\n");
}

TEST_F(KvprefsTest, AStoreThatCannotBeWrittenExitsOneWithTheReason) {
    WriteFile(Config(), "a file where the config folder should be");
    const ProcessResult result = Kvprefs({"set", "S", "k", "1"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.err, HasSubstr("cannot save the preferences"));
}

TEST_F(KvprefsTest, UsageErrorsExitTwoAndHelpNamesTheImporterKeys) {
    const std::vector<std::vector<std::string>> cases = {
        {}, {"get", "S"}, {"get", "S", "k", "extra"}, {"set", "S", "k"}, {"set", "S", "k", "1.5"},
        {"set", "S", "k", "yes"}, {"set", "S", "k", "2147483648"}, {"set", "", "k", "1"}, {"delete", "S", "k"},
    };
    for (const auto& arguments : cases) {
        const ProcessResult result = Kvprefs(arguments);
        EXPECT_EQ(result.exitCode, 2) << ::testing::PrintToString(arguments);
        EXPECT_THAT(result.err, HasSubstr("kvprefs --help"));
    }
    EXPECT_FALSE(std::filesystem::exists(StoreFile()));

    const ProcessResult help = Kvprefs({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const std::string topic : {"get", "set", "remove", "3DS Importer", "ImportUnits", "ImportMergeCoplanarFaces"}) {
        EXPECT_THAT(help.out, HasSubstr(topic));
    }
}
