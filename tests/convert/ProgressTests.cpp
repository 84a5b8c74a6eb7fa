#include <gtest/gtest.h>

#include "ConverterFixture.h"

namespace hollin::importer::testing {
namespace {

using ProgressTest = ConverterTest;

// Every phase in order, names from the file as UTF-8; without nodes the
// mesh-only pass announces the first mesh once and skips faceless meshes.
TEST_F(ProgressTest, PhasesComeInOrderAndTheMeshOnlyPassSkipsFacelessMeshes) {
    scene.AddCamera("Kamera S\xC3\xBC" "d", {0, 0, 0}, {0, 1, 0});
    scene.AddMaterial("Stein").AddMesh(StripMesh("a", 50)).AddMesh(MeshData{"b", {{0, 0, 0}}, {}});
    ASSERT_TRUE(ConvertScene());
    EXPECT_EQ(progress.messages,
              (std::vector<std::string>{"Parsing file...", "Parsing cameras...", "Parsing camera Kamera S\xC3\xBC" "d...",
                                        "Parsing materials...", "Parsing material Stein...", "Parsing nodes...",
                                        "Parsing mesh a...", "Building mesh a face: 0 of 50...",
                                        "Building mesh a face: 10 of 50...", "Building mesh a face: 20 of 50...",
                                        "Building mesh a face: 30 of 50...", "Building mesh a face: 40 of 50...",
                                        "Cleaning up..."}));
    EXPECT_EQ(std::vector<double>(progress.percents.begin(), progress.percents.begin() + 4),
              (std::vector<double>{10, 20, 30, 40}));
    EXPECT_NEAR(progress.percents.at(5), 41.2, 1e-5);
    EXPECT_EQ(converter->MeshCount(), 2);
}

TEST_F(ProgressTest, SharedMeshIsBuiltCountedAndReportedOncePerNode) {
    scene.AddMesh(StripMesh("box", 1005));
    AddNode("box").AddNode("box");
    ASSERT_TRUE(ConvertScene());
    EXPECT_EQ(Report(), "3ds Entities Imported\n\tMaterials:\t0\n\tNodes:\t2\n\tMeshes:\t2\n");
    EXPECT_EQ(TriangleCount(Saved()), 2010u);
    // Every tenth face is reported, 11 times per build.
    EXPECT_EQ(progress.percents.size(), 4u + 2 * 11u + 1u);
    EXPECT_EQ(progress.messages.at(6), "Building mesh box face: 100 of 1005...");
    EXPECT_EQ(progress.messages.at(15), "Building mesh box face: 1000 of 1005...");
    // The face total counts the mesh once, so the second build runs past 100%.
    EXPECT_NEAR(progress.percents.at(15), 100.0597, 1e-4);
}

TEST_F(ProgressTest, CancellingStopsThePassesAndTheReportsButStillSaves) {
    // Where the user cancels, and the materials, definitions and filled faces left then;
    // an empty `cancelAfter` stands for a user who cancelled before the run.
    const std::tuple<const char*, std::size_t, std::size_t, std::size_t> cases[] = {
        {"", 0, 0, 0},          {"Parsing file...", 0, 0, 0}, {"Parsing material m1", 1, 0, 0},
        {"Parsing nodes...", 2, 0, 0}, {"Parsing node a", 2, 1, 0}, {"Building mesh b face: 10", 2, 2, 12}};
    scene.AddCamera("c1", {0, 0, 0}, {0, 1, 0});
    scene.AddMaterial("m1").AddMaterial("m2").AddMesh(StripMesh("a", 12, "m1")).AddMesh(StripMesh("b", 12, "m2"));
    AddNode("a").AddNode("b", 0);
    const std::filesystem::path input = SaveScene();
    for (const auto& [cancelAfter, materials, definitions, filledFaces] : cases) {
        SCOPED_TRACE(cancelAfter);
        Spy() = {};
        progress = {};
        progress.cancelAfter = cancelAfter;
        progress.cancelled = progress.cancelAfter.empty();
        EXPECT_TRUE(Convert(input, 1, true));

        // Nothing is reported after the message that cancelled.
        const auto* last = progress.events.empty() ? nullptr : std::get_if<std::string>(&progress.events.back());
        EXPECT_EQ(last != nullptr && last->starts_with(progress.cancelAfter), !progress.cancelAfter.empty());
        const Model model = Saved();
        EXPECT_EQ(model.materials.size(), materials);
        EXPECT_EQ(model.definitions.size(), definitions);
        EXPECT_EQ(TriangleCount(model), filledFaces);
        EXPECT_EQ(std::vector<std::string>(Spy().calls.end() - 4, Spy().calls.end()),
                  (std::vector<std::string>{"KVModelMergeCoplanarFaces", "KVModelSaveToFile", "KVModelRelease",
                                            "KVTerminate"}));
        EXPECT_EQ(CallCount("KVGeometryInputRelease"), CallCount("KVGeometryInputCreate"));
        EXPECT_TRUE(converter->Errors().empty());
    }
}

}  // namespace
}  // namespace hollin::importer::testing
