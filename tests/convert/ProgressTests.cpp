#include <gtest/gtest.h>

#include <cctype>
#include <regex>

#include "ConverterFixture.h"

namespace hollin::importer::testing {
namespace {

using Kind = ProgressEvent::Kind;

double FacePercent(int facesProcessed, int totalFaces) {
    return 40.0 + 60.0 * static_cast<double>(static_cast<float>(facesProcessed) / static_cast<float>(totalFaces));
}

// The face numbers of the "Building mesh" reports, in order.
std::vector<int> ReportedFaces(const std::vector<std::string>& messages) {
    static const std::regex pattern("Building mesh .* face: ([0-9]+) of [0-9]+\\.\\.\\.");
    std::vector<int> faces;
    for (const std::string& message : messages) {
        std::smatch match;
        if (std::regex_match(message, match, pattern)) faces.push_back(std::stoi(match[1]));
    }
    return faces;
}

class ProgressTest : public ConverterTest {};

TEST_F(ProgressTest, SmallSceneReportsEveryPhaseThenFacesThenCleaningUp) {
    SceneWriter scene;
    scene.AddCamera("cam1").AddMaterial("red").AddMesh(StripMesh("box", 12, "red")).AddObjectNode("box");
    ASSERT_TRUE(Convert(Write(scene)));

    const std::vector<ProgressEvent> expected{
        {Kind::Percent, 10.0, {}}, {Kind::Message, 0.0, "Parsing file..."},
        {Kind::Percent, 20.0, {}}, {Kind::Message, 0.0, "Parsing cameras..."},
        {Kind::Message, 0.0, "Parsing camera cam1..."},
        {Kind::Percent, 30.0, {}}, {Kind::Message, 0.0, "Parsing materials..."},
        {Kind::Message, 0.0, "Parsing material red..."},
        {Kind::Percent, 40.0, {}}, {Kind::Message, 0.0, "Parsing nodes..."},
        {Kind::Message, 0.0, "Parsing node box..."},
        {Kind::Percent, FacePercent(1, 12), {}}, {Kind::Message, 0.0, "Building mesh box face: 0 of 12..."},
        {Kind::Percent, FacePercent(11, 12), {}}, {Kind::Message, 0.0, "Building mesh box face: 10 of 12..."},
        {Kind::Percent, 99.0, {}}, {Kind::Message, 0.0, "Cleaning up..."}};
    ASSERT_EQ(progress.events.size(), expected.size());
    for (std::size_t index = 0; index < expected.size(); ++index) {
        SCOPED_TRACE(index);
        EXPECT_EQ(progress.events[index].kind, expected[index].kind);
        EXPECT_EQ(progress.events[index].percent, expected[index].percent);
        EXPECT_EQ(progress.events[index].message, expected[index].message);
    }
}

TEST_F(ProgressTest, MeshesWithoutNodesReportTheFirstMeshOnceAndSinglePrecisionPercents) {
    SceneWriter scene;
    scene.AddMesh(StripMesh("a", 50)).AddMesh(StripMesh("b", 50));
    ASSERT_TRUE(Convert(Write(scene)));

    const std::vector<std::string> messages = progress.Messages();
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "Parsing mesh a..."), 1);
    EXPECT_EQ(std::count_if(messages.begin(), messages.end(),
                            [](const std::string& message) { return message.rfind("Parsing mesh", 0) == 0; }),
              1);
    const std::vector<double> percents = progress.Percents();
    ASSERT_GE(percents.size(), 6u);
    EXPECT_EQ(percents[4], 40.0);
    // 1/100 faces: the quotient is taken in single precision.
    EXPECT_EQ(percents[5], 40.0 + 60.0 * static_cast<double>(0.01f));
    EXPECT_NE(percents[5], 40.6);
    EXPECT_EQ(percents.back(), 99.0);
}

TEST_F(ProgressTest, FiftyFaceMeshStartsAtAboutFortyOnePointTwo) {
    SceneWriter scene;
    scene.AddMesh(StripMesh("only", 50));
    ASSERT_TRUE(Convert(Write(scene)));
    const std::vector<double> percents = progress.Percents();
    ASSERT_GE(percents.size(), 6u);
    EXPECT_EQ(percents[5], FacePercent(1, 50));
    EXPECT_NEAR(percents[5], 41.2, 1e-5);
}

TEST_F(ProgressTest, ReportIntervalFollowsTheFaceCount) {
    const std::vector<std::pair<std::size_t, std::vector<int>>> cases{
        {12, {0, 10}},
        {99, {0, 10, 20, 30, 40, 50, 60, 70, 80, 90}},
        {100, {0, 10, 20, 30, 40, 50, 60, 70, 80, 90}},
        {250, {0, 25, 50, 75, 100, 125, 150, 175, 200, 225}},
        {1005, {0, 100, 200, 300, 400, 500, 600, 700, 800, 900, 1000}},
    };
    for (const auto& [faceCount, expectedFaces] : cases) {
        SCOPED_TRACE(faceCount);
        progress = RecordingProgress{};
        SceneWriter scene;
        scene.AddMesh(StripMesh("m", faceCount));
        ASSERT_TRUE(Convert(Write(scene)));
        EXPECT_EQ(ReportedFaces(progress.Messages()), expectedFaces);
    }
}

TEST_F(ProgressTest, MeshBuiltTwiceDrivesPercentPastOneHundredUnclamped) {
    SceneWriter scene;
    scene.AddMesh(StripMesh("box", 10)).AddObjectNode("box").AddObjectNode("box");
    ASSERT_TRUE(Convert(Write(scene)));
    const std::vector<double> percents = progress.Percents();
    ASSERT_EQ(percents.size(), 7u);
    EXPECT_EQ(percents[4], FacePercent(1, 10));
    EXPECT_EQ(percents[5], FacePercent(11, 10));
    EXPECT_GT(percents[5], 100.0);
    EXPECT_EQ(percents[6], 99.0);
}

TEST_F(ProgressTest, RunWithoutProgressCallbackCompletes) {
    SceneWriter scene;
    scene.AddMaterial("red").AddMesh(StripMesh("box", 30, "red")).AddObjectNode("box");
    const std::filesystem::path input = Write(scene);
    C3DSImporter importer;
    importer.SetProgressMessages(EnglishProgressMessages());
    EXPECT_TRUE(importer.ConvertFile(Utf16String::FromUtf8(input.string()),
                                     Utf16String::FromUtf8(output.string()), nullptr));
    EXPECT_EQ(Host().FilledFaceCount(), 30u);
    EXPECT_EQ(Host().savedPaths.size(), 1u);
}

// Where the user cancels, what is left in the model, and that nothing more is
// reported while the model is still saved.
struct CancellationCase {
    const char* cancelAfter;
    std::size_t materials;
    std::size_t definitions;
    std::size_t filledFaces;
};

void PrintTo(const CancellationCase& cancellation, std::ostream* stream) {
    *stream << "cancel after \"" << cancellation.cancelAfter << '"';
}

class CancellationTest : public ConverterTest, public ::testing::WithParamInterface<CancellationCase> {};

TEST_P(CancellationTest, StopsThePassesButStillSaves) {
    SceneWriter scene;
    scene.AddCamera("c1").AddCamera("c2");
    scene.AddMaterial("m1").AddMaterial("m2");
    scene.AddMesh(StripMesh("a", 12, "m1")).AddMesh(StripMesh("b", 12, "m2"));
    scene.AddObjectNode("a").AddObjectNode("b");
    progress.CancelAfterMessageStartingWith(GetParam().cancelAfter);

    EXPECT_TRUE(Convert(Write(scene), 1, true));

    const std::vector<std::string> messages = progress.Messages();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().rfind(GetParam().cancelAfter, 0), 0u) << messages.back();
    EXPECT_EQ(progress.events.back().kind, Kind::Message);
    EXPECT_EQ(Host().materials.size(), GetParam().materials);
    EXPECT_EQ(Host().definitions.size(), GetParam().definitions);
    EXPECT_EQ(Host().instances.size(), GetParam().definitions);
    EXPECT_EQ(Host().FilledFaceCount(), GetParam().filledFaces);
    EXPECT_EQ(Host().mergeCount, 1);
    EXPECT_EQ(Host().savedPaths, std::vector<std::string>{output.string()});
    EXPECT_EQ(Host().terminateCount, 1);
    EXPECT_EQ(Host().geometryInputsCreated, Host().geometryInputsReleased);
    EXPECT_TRUE(converter->Errors().empty());
    EXPECT_TRUE(Host().misuses.empty());
}

INSTANTIATE_TEST_SUITE_P(EachPhase, CancellationTest,
                         ::testing::Values(CancellationCase{"Parsing file...", 0, 0, 0},
                                           CancellationCase{"Parsing cameras...", 0, 0, 0},
                                           CancellationCase{"Parsing camera c1", 0, 0, 0},
                                           CancellationCase{"Parsing materials...", 0, 0, 0},
                                           CancellationCase{"Parsing material m1", 1, 0, 0},
                                           CancellationCase{"Parsing nodes...", 2, 0, 0},
                                           CancellationCase{"Parsing node a", 2, 1, 0},
                                           CancellationCase{"Building mesh a face: 0", 2, 1, 0},
                                           CancellationCase{"Building mesh b face: 0", 2, 2, 12}),
                         [](const ::testing::TestParamInfo<CancellationCase>& info) {
                             std::string name;
                             for (const char* text = info.param.cancelAfter; *text != '\0'; ++text) {
                                 if (std::isalnum(static_cast<unsigned char>(*text))) name.push_back(*text);
                             }
                             return name;
                         });

TEST_F(ProgressTest, CancelledFromTheStartReportsNothingAndSavesAnEmptyModel) {
    SceneWriter scene;
    scene.AddCamera("c").AddMaterial("m").AddMesh(StripMesh("a", 5, "m"));
    progress.CancelFromTheStart();
    EXPECT_TRUE(Convert(Write(scene)));
    EXPECT_TRUE(progress.events.empty());
    EXPECT_TRUE(Host().materials.empty());
    EXPECT_TRUE(Host().definitions.empty());
    EXPECT_EQ(Host().savedPaths.size(), 1u);
}

TEST_F(ProgressTest, CancellingDuringNodesAlsoEndsTheMeshOnlyPass) {
    SceneWriter scene;
    scene.AddMesh(StripMesh("a", 5)).AddObjectNode("dummy");
    progress.CancelAfterMessageStartingWith("Parsing nodes...");
    EXPECT_TRUE(Convert(Write(scene)));
    EXPECT_TRUE(Host().definitions.empty());
    EXPECT_EQ(progress.Messages().back(), "Parsing nodes...");
}

}  // namespace
}  // namespace hollin::importer::testing
