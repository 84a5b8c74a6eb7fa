// kvprefs against the real preference store, one fresh process per call; the
// store's own handling of damaged files is tested with the store, a store
// that cannot be read or written with the hostile environments.

#include <gmock/gmock.h>

#include "ProcessRunner.h"

using ::testing::HasSubstr;

TEST(Kvprefs, KeepsTypesFromOneProcessToTheNextAndExitsOneOrTwoOnFailure) {
    const TemporaryFolder folder;
    const auto kvprefs = [&](const std::vector<std::string>& arguments) {
        return RunProcess(KV_KVPREFS, arguments, {{"XDG_CONFIG_HOME", (folder / "config").string()}});
    };
    ASSERT_EQ(kvprefs({"set", "3DS Importer", "ImportUnits", "-2147483648"}).exitCode, 0);
    ASSERT_EQ(kvprefs({"set", "Ünïcode", "schlüssel", "true"}).exitCode, 0);
    EXPECT_EQ(kvprefs({"get", "3DS Importer", "ImportUnits"}).out, "-2147483648\n");
    EXPECT_EQ(kvprefs({"get", "Ünïcode", "schlüssel"}).out, "true\n");
    ASSERT_EQ(kvprefs({"remove", "Ünïcode", "schlüssel"}).exitCode, 0);
    const ProcessResult removed = kvprefs({"get", "Ünïcode", "schlüssel"});
    EXPECT_EQ(removed.exitCode, 1);
    EXPECT_THAT(removed.err, HasSubstr("nothing is stored"));

    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {}, {"get", "S"}, {"set", "S", "k", "1.5"}, {"set", "S", "k", "2147483648"}, {"delete", "S", "k"}}) {
        const ProcessResult result = kvprefs(arguments);
        EXPECT_EQ(result.exitCode, 2) << ::testing::PrintToString(arguments);
        EXPECT_THAT(result.err, HasSubstr("kvprefs --help"));
    }
}
