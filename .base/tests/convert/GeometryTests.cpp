#include <gtest/gtest.h>

#include "ConverterFixture.h"

namespace hollin::importer::testing {
namespace {

using GeometryTest = ConverterTest;

TEST_F(GeometryTest, FacesGoToOneWeldedFillWithVerticesAndTranslationScaled) {
    // Points 2 and 3 are one point twice; a face over one point twice goes to
    // the host unchanged, and the host decides to skip it.
    AddMesh(MeshData{"m", {{1, 3, -0.1f}, {1, 0, 0}, {1, 1, 0}, {1, 1, 0}, {1, 0, 1}},
                     {{0, 1, 2, ""}, {2, 0, 0, ""}, {3, 1, 4, ""}}, {}, {1, 2, -3}});
    ASSERT_TRUE(ConvertScene(7));
    EXPECT_EQ(CallCount("KVGeometryInputCreate"), 1);
    EXPECT_EQ(CallCount("KVEntitiesFill"), 1);
    const Model model = Saved();
    ASSERT_EQ(model.definitions.size(), 1u);
    const Entities& mesh = model.definitions[0]->entities;
    EXPECT_EQ(mesh.faces.size(), 2u);
    EXPECT_EQ(mesh.skippedFaces, 1u);
    ASSERT_EQ(mesh.vertices.size(), 4u);
    const float scale = 39.37f;
    EXPECT_EQ((std::array{mesh.vertices[0].x, mesh.vertices[0].y, mesh.vertices[0].z}),
              (std::array<double, 3>{scale, 3.0f * scale, -0.1f * scale}));
    EXPECT_EQ(std::to_array(model.entities.instances.at(0)->transform.values),
              (std::array<double, 16>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, scale, 2.0f * scale, -3.0f * scale, 1}));
}

TEST_F(GeometryTest, ModelUnitsAndUnknownUnitsUseTheMasterScaleAndMergeRunsOnlyWhenChosen) {
    scene.SetMasterScale(2.5f);
    AddMesh(MeshData{"m", {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}}, {{0, 1, 2, ""}}});
    const std::filesystem::path input = SaveScene();
    for (const auto& [units, merge] : {std::pair{0, false}, {9, true}, {-1, false}}) {
        Spy() = {};
        ASSERT_TRUE(Convert(input, units, merge));
        EXPECT_EQ(Saved().definitions.at(0)->entities.vertices.at(1).x, 5.0) << units;
        EXPECT_EQ(CallCount("KVModelMergeCoplanarFaces"), merge ? 1 : 0);
    }
}

TEST_F(GeometryTest, NodesThatFindMeshesReplaceTheMeshOnlyPass) {
    MeshData moved = StripMesh("a", 2);
    moved.translation = {1.0f, 2.0f, 3.0f};
    AddMesh(moved).AddMesh(StripMesh("b", 3)).AddMesh(StripMesh("c", 4));
    for (const bool withNodes : {false, true}) {
        SCOPED_TRACE(withNodes);
        if (withNodes) AddNode("a").AddNode("c");
        ASSERT_TRUE(ConvertScene());
        const Model model = Saved();
        EXPECT_EQ(DefinitionNames(model),
                  (withNodes ? std::vector<std::string>{"a", "c"} : std::vector<std::string>{"a", "b", "c"}));
        EXPECT_EQ(TriangleCount(model), withNodes ? 6u : 9u);
        EXPECT_EQ(converter->NodeCount(), withNodes ? 2 : 0);
        EXPECT_EQ(converter->MeshCount(), withNodes ? 2 : 3);
        ASSERT_EQ(model.entities.instances.size(), model.definitions.size());
        // A node places its instance by its own matrix, not by the mesh's.
        EXPECT_EQ(model.entities.instances[0]->transform.values[12], withNodes ? 0.0 : 1.0);
    }
}

TEST_F(GeometryTest, NodesWhoseMeshesHaveNoPointsLeaveTheMeshOnlyPassToRun) {
    AddMesh(MeshData{"empty", {}, {}}).AddNode("empty").AddNode("group");
    ASSERT_TRUE(ConvertScene());
    // Two node definitions (one empty mesh, one grouping node), then the mesh again.
    EXPECT_EQ(DefinitionNames(Saved()), (std::vector<std::string>{"empty", "group", "empty"}));
    EXPECT_EQ(converter->NodeCount(), 2);
    EXPECT_EQ(converter->MeshCount(), 0);
    EXPECT_EQ(progress.messages.at(6), "Parsing mesh empty...");
}

TEST_F(GeometryTest, TreeIsWalkedDepthFirstAndFlattenedToTopLevelInstances) {
    // a(0) { b(1) { d(3) }, c(2) { camera e(4) { f(5) } } }
    for (const char* name : {"a", "b", "c", "d", "f"}) AddMesh(StripMesh(name, 1));
    AddNode("a").AddNode("b", 0).AddNode("c", 0).AddNode("d", 1).AddNode("e", 2, true).AddNode("f", 4);
    ASSERT_TRUE(ConvertScene());
    const Model model = Saved();
    EXPECT_EQ(DefinitionNames(model), (std::vector<std::string>{"a", "b", "d", "c", "f"}));
    EXPECT_EQ(model.entities.instances.size(), 5u);
    EXPECT_EQ(converter->NodeCount(), 5);
    // Only top-level nodes are announced.
    EXPECT_EQ(std::ranges::count_if(progress.messages, [](auto& text) { return text.starts_with("Parsing node "); }),
              1);
}

}  // namespace
}  // namespace hollin::importer::testing
