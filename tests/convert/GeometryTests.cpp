#include <gtest/gtest.h>

#include "ConverterFixture.h"

namespace hollin::importer::testing {
namespace {

using GeometryTest = ConverterTest;

TEST_F(GeometryTest, FacesGoToOneWeldedFillInStoredOrderWithVerticesAndTranslationScaled) {
    AddMesh(MeshData{"m", {{1, 3, -0.1f}, {1, 0, 0}, {1, 1, 0}}, {{0, 1, 2, ""}, {2, 0, 0, ""}}, {}, {1, 2, -3}});
    ASSERT_TRUE(ConvertScene(7));
    ASSERT_EQ(Host().definitions.size(), 1u);
    ASSERT_EQ(Host().definitions[0].fills.size(), 1u);
    const RecordedFill& fill = Host().definitions[0].fills[0];
    EXPECT_TRUE(fill.weldVertices);
    ASSERT_EQ(fill.vertices.size(), 3u);
    const float scale = 39.37f;
    EXPECT_EQ((std::array{fill.vertices[0].x, fill.vertices[0].y, fill.vertices[0].z}),
              (std::array<double, 3>{scale, 3.0f * scale, -0.1f * scale}));
    // Degenerate faces go to the host unchanged; it decides what to skip.
    EXPECT_EQ(fill.faces, (std::vector<std::vector<std::size_t>>{{0, 1, 2}, {2, 0, 0}}));
    EXPECT_EQ(std::to_array(Host().instances.at(0).transform.values),
              (std::array<double, 16>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, scale, 2.0f * scale, -3.0f * scale, 1}));
}

TEST_F(GeometryTest, ModelUnitsAndUnknownUnitsUseTheMasterScaleAndMergeRunsOnlyWhenChosen) {
    scene->master_scale = 2.5f;
    AddMesh(MeshData{"m", {{2, 0, 0}}, {}});
    const std::filesystem::path input = SaveScene();
    for (const auto& [units, merge] : {std::pair{0, false}, {9, true}, {-1, false}}) {
        Host() = {};
        ASSERT_TRUE(Convert(input, units, merge));
        EXPECT_EQ(Host().definitions.at(0).fills.at(0).vertices.at(0).x, 5.0) << units;
        EXPECT_EQ(std::ranges::count(Host().calls, "KVModelMergeCoplanarFaces"), merge ? 1 : 0);
    }
}

TEST_F(GeometryTest, NodesThatFindMeshesReplaceTheMeshOnlyPass) {
    MeshData moved = StripMesh("a", 2);
    moved.translation = {1.0f, 2.0f, 3.0f};
    AddMesh(moved).AddMesh(StripMesh("b", 3)).AddMesh(StripMesh("c", 4));
    for (const bool withNodes : {false, true}) {
        SCOPED_TRACE(withNodes);
        Host() = {};
        if (withNodes) AddNode("a").AddNode("c");
        ASSERT_TRUE(ConvertScene());
        EXPECT_EQ(Host().DefinitionNames(),
                  (withNodes ? std::vector<std::string>{"a", "c"} : std::vector<std::string>{"a", "b", "c"}));
        EXPECT_EQ(Host().FilledFaceCount(), withNodes ? 6u : 9u);
        EXPECT_EQ(converter->NodeCount(), withNodes ? 2 : 0);
        EXPECT_EQ(converter->MeshCount(), withNodes ? 2 : 3);
        ASSERT_EQ(Host().instances.size(), Host().definitions.size());
        for (const RecordedInstance& instance : Host().instances) EXPECT_TRUE(instance.topLevel);
        // A node places its instance by its own matrix, not by the mesh's.
        EXPECT_EQ(Host().instances[0].transform.values[12], withNodes ? 0.0 : 1.0);
    }
}

TEST_F(GeometryTest, NodesWhoseMeshesHaveNoPointsLeaveTheMeshOnlyPassToRun) {
    AddMesh(MeshData{"empty", {}, {}}).AddNode("empty").AddNode("group");
    ASSERT_TRUE(ConvertScene());
    // Two node definitions (one empty mesh, one grouping node), then the mesh again.
    EXPECT_EQ(Host().DefinitionNames(), (std::vector<std::string>{"empty", "group", "empty"}));
    EXPECT_EQ(converter->NodeCount(), 2);
    EXPECT_EQ(converter->MeshCount(), 0);
    EXPECT_EQ(progress.messages.at(6), "Parsing mesh empty...");
}

TEST_F(GeometryTest, TreeIsWalkedDepthFirstAndFlattenedToTopLevelInstances) {
    // a(0) { b(1) { d(3) }, c(2) { camera e(4) { f(5) } } }
    for (const char* name : {"a", "b", "c", "d", "f"}) AddMesh(StripMesh(name, 1));
    AddNode("a").AddNode("b", 0).AddNode("c", 0).AddNode("d", 1).AddNode("e", 2, true).AddNode("f", 4);
    ASSERT_TRUE(ConvertScene());
    EXPECT_EQ(Host().DefinitionNames(), (std::vector<std::string>{"a", "b", "d", "c", "f"}));
    for (const RecordedInstance& instance : Host().instances) EXPECT_TRUE(instance.topLevel);
    EXPECT_EQ(converter->NodeCount(), 5);
    // Only top-level nodes are announced.
    EXPECT_EQ(std::ranges::count_if(progress.messages, [](auto& text) { return text.starts_with("Parsing node "); }),
              1);
}

}  // namespace
}  // namespace hollin::importer::testing
