// How kvimport turns its flags into the options map the importer receives.

#include <gmock/gmock.h>

#include "KvimportTestSupport.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

TEST_F(KvimportTest, WithoutOptionFlagsTheMapHoldsNoKeysSoStoredOptionsApply) {
    const auto input = Script("plain.3ds", "");
    const ProcessResult result = Kvimport({input.string(), (Dir() / "plain.kvm").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto record = Record(Dir() / "plain.kvm");
    EXPECT_THAT(record, ::testing::Contains("options set"));
    EXPECT_THAT(OptionLines(Dir() / "plain.kvm"), IsEmpty());
}

TEST_F(KvimportTest, UnitsArePassedAsIntByNameInAnyCaseOrByIndex) {
    const auto input = Script("units.3ds", "");
    const std::vector<std::pair<std::string, int>> cases = {
        {"Model Units", 0}, {"model", 0}, {"MODEL UNITS", 0}, {"Inches", 1}, {"feet", 2},     {"yArDs", 3},
        {"miles", 4},       {"Millimeters", 5}, {"centimeters", 6}, {"meters", 7}, {"KILOMETERS", 8}, {"0", 0},
        {"8", 8},           {"5", 5},
    };
    for (const auto& [flag, index] : cases) {
        const auto output = Dir() / "units.kvm";
        const ProcessResult result = Kvimport({"--units", flag, input.string(), output.string()});
        ASSERT_EQ(result.exitCode, 0) << flag << ": " << result.err;
        // Variant type 4 is Int.
        EXPECT_THAT(OptionLines(output), ElementsAre("option ImportUnits 4 " + std::to_string(index))) << flag;
    }
}

TEST_F(KvimportTest, MergeFlagsArePassedAsBoolAndTheLastOneWins) {
    const auto input = Script("merge.3ds", "");
    const auto output = Dir() / "merge.kvm";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--merge"}, "true"},
        {{"--no-merge"}, "false"},
        {{"--merge", "--no-merge"}, "false"},
        {{"--no-merge", "--merge"}, "true"},
    };
    for (const auto& [flags, value] : cases) {
        std::vector<std::string> arguments = flags;
        arguments.insert(arguments.end(), {input.string(), output.string()});
        const ProcessResult result = Kvimport(arguments);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_THAT(OptionLines(output), ElementsAre("option ImportMergeCoplanarFaces 1 " + value));
    }
}

TEST_F(KvimportTest, UnitsAndMergeTogetherFillBothKeys) {
    const auto input = Script("both.3ds", "");
    const auto output = Dir() / "both.kvm";
    const ProcessResult result = Kvimport({input.string(), "--units=feet", output.string(), "--merge"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(OptionLines(output),
                ElementsAre("option ImportMergeCoplanarFaces 1 true", "option ImportUnits 4 2"));
}

TEST_F(KvimportTest, UnknownUnitsAreAUsageErrorAndNothingIsConverted) {
    const auto input = Script("bad.3ds", "");
    for (const std::string units : {"furlongs", "9", "-1", "", "meter", "7.0", " 7"}) {
        const ProcessResult result = Kvimport({"--units", units, input.string(), (Dir() / "bad.kvm").string()});
        EXPECT_EQ(result.exitCode, 2) << units;
        EXPECT_THAT(result.err, HasSubstr("unknown unit")) << units;
        EXPECT_FALSE(std::filesystem::exists(Dir() / "bad.kvm")) << units;
    }
}
