// kvimport's reading of its command line, below the level of a whole run.

#include <gmock/gmock.h>

#include "CommandLine.h"
#include "Conversion.h"

using namespace kvimport;
using ::testing::HasSubstr;
using hollin::utils::Utf16String;
using hollin::utils::Variant;

TEST(KvimportCommandLine, OptionsMayComeBeforeBetweenOrAfterTheFiles) {
    const ParsedCommandLine parsed =
        ParseCommandLine({"in.3ds", "--units", "Feet", "out.kvm", "--no-merge", "--cancel-after=7"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.command.inputs, std::vector<std::string>{"in.3ds"});
    EXPECT_EQ(parsed.command.output, "out.kvm");
    EXPECT_EQ(parsed.command.units, 2);
    EXPECT_EQ(parsed.command.mergeCoplanarFaces, false);
    EXPECT_EQ(parsed.command.cancelAfter, 7u);
    EXPECT_FALSE(parsed.command.progress.has_value());
}

TEST(KvimportCommandLine, DoubleDashEndsOptionsSoFilesMayStartWithADash) {
    const ParsedCommandLine parsed = ParseCommandLine({"--merge", "--", "--odd.3ds", "-out.kvm"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.command.inputs, std::vector<std::string>{"--odd.3ds"});
    EXPECT_EQ(parsed.command.output, "-out.kvm");
}

TEST(KvimportCommandLine, ParsingTwiceStartsAfresh) {
    ASSERT_NE(ParseCommandLine({"--bogus"}).error, "");
    const ParsedCommandLine parsed = ParseCommandLine({"-o", "dir", "a.3ds", "b.3ds"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.command.outputFolder, "dir");
    EXPECT_EQ(parsed.command.inputs, (std::vector<std::string>{"a.3ds", "b.3ds"}));
}

TEST(KvimportCommandLine, UnitNamesAndIndices) {
    EXPECT_EQ(ParseUnits("Model Units"), 0);
    EXPECT_EQ(ParseUnits("model"), 0);
    EXPECT_EQ(ParseUnits("Kilometers"), 8);
    EXPECT_EQ(ParseUnits("mIlLiMeTeRs"), 5);
    EXPECT_EQ(ParseUnits("4"), 4);
    EXPECT_EQ(ParseUnits("9"), std::nullopt);
    EXPECT_EQ(ParseUnits("Model  Units"), std::nullopt);
    EXPECT_EQ(ParseUnits("modelunits"), std::nullopt);
    EXPECT_EQ(ParseUnits(""), std::nullopt);
}

TEST(KvimportCommandLine, ImportOptionsHoldOnlyWhatWasGivenWithTheImportersTypes) {
    ImportCommand command;
    EXPECT_TRUE(BuildImportOptions(command).empty());

    command.units = 6;
    command.mergeCoplanarFaces = false;
    const ImportOptions options = BuildImportOptions(command);
    ASSERT_EQ(options.size(), 2u);
    const Variant& units = options.at(Utf16String("ImportUnits"));
    EXPECT_EQ(units.GetType(), Variant::Int);
    EXPECT_EQ(units.AsInt32(), 6);
    const Variant& merge = options.at(Utf16String("ImportMergeCoplanarFaces"));
    EXPECT_EQ(merge.GetType(), Variant::Bool);
    EXPECT_FALSE(merge.AsBool());
}

TEST(KvimportCommandLine, BatchOutputsAreNamedAfterTheInputsWithoutExtension) {
    ImportCommand command;
    command.outputFolder = "out";
    command.inputs = {"/models/car.3ds", "scene.final.3DS", "noextension", "dir/.hidden.3ds"};
    std::string error;
    const std::vector<ConversionJob> jobs = PlanConversions(command, error);
    ASSERT_EQ(error, "");
    ASSERT_EQ(jobs.size(), 4u);
    EXPECT_EQ(jobs[0].output, "out/car.kvm");
    EXPECT_EQ(jobs[1].output, "out/scene.final.kvm");
    EXPECT_EQ(jobs[2].output, "out/noextension.kvm");
    EXPECT_EQ(jobs[3].output, "out/.hidden.kvm");
}

TEST(KvimportCommandLine, BatchInputsWithoutAFileNameAreRefused) {
    ImportCommand command;
    command.outputFolder = "out";
    for (const std::string input : {"models/", ".", ".."}) {
        command.inputs = {input};
        std::string error;
        EXPECT_TRUE(PlanConversions(command, error).empty()) << input;
        EXPECT_THAT(error, HasSubstr("has no file name")) << input;
    }
}
