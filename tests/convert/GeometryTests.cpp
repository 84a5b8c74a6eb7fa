#include <gtest/gtest.h>

#include "ConverterFixture.h"

namespace hollin::importer::testing {
namespace {

using GeometryTest = ConverterTest;

// Vertices and translation are scaled by the units chosen, or by the file's
// master scale for model units; merging runs only when chosen.
TEST_F(GeometryTest, FacesGoToOneWeldedFillWithVerticesAndTranslationScaled) {
    // Points 2 and 3 are one point twice; a face over one point twice goes to
    // the host unchanged, and the host decides to skip it.
    scene.SetMasterScale(2.5f);
    scene.AddMesh(MeshData{"m", {{1, 3, -0.1f}, {1, 0, 0}, {1, 1, 0}, {1, 1, 0}, {1, 0, 1}},
                           {{0, 1, 2, ""}, {2, 0, 0, ""}, {3, 1, 4, ""}}, {}, {1, 2, -3}});
    const std::filesystem::path input = SaveScene();
    for (const auto& [units, scale] : {std::pair{7, 39.37f}, {0, 2.5f}}) {
        SCOPED_TRACE(units);
        Spy() = {};
        ASSERT_TRUE(Convert(input, units));
        EXPECT_EQ(CallCount("KVGeometryInputCreate"), 1);
        EXPECT_EQ(CallCount("KVEntitiesFill"), 1);
        EXPECT_EQ(CallCount("KVModelMergeCoplanarFaces"), 0);
        const Model model = Saved();
        ASSERT_EQ(model.definitions.size(), 1u);
        const Entities& mesh = model.definitions[0]->entities;
        EXPECT_EQ(mesh.faces.size(), 2u);
        EXPECT_EQ(mesh.skippedFaces, 1u);
        ASSERT_EQ(mesh.vertices.size(), 4u);
        EXPECT_EQ((std::array{mesh.vertices[0].x, mesh.vertices[0].y, mesh.vertices[0].z}),
                  (std::array<double, 3>{scale, 3.0f * scale, -0.1f * scale}));
        EXPECT_EQ(std::to_array(model.entities.instances.at(0)->transform.values),
                  (std::array<double, 16>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, scale, 2.0f * scale, -3.0f * scale, 1}));
    }
}

TEST_F(GeometryTest, NodesWhoseMeshesHaveNoPointsLeaveTheMeshOnlyPassToRun) {
    scene.AddMesh(MeshData{"empty", {}, {}});
    AddNode("empty").AddNode("group");
    ASSERT_TRUE(ConvertScene());
    // Two node definitions (one empty mesh, one grouping node), then the mesh again.
    EXPECT_EQ(DefinitionNames(Saved()), (std::vector<std::string>{"empty", "group", "empty"}));
    EXPECT_EQ(converter->NodeCount(), 2);
    EXPECT_EQ(converter->MeshCount(), 0);
    EXPECT_EQ(progress.messages.at(6), "Parsing mesh empty...");
}

// Nodes that find meshes replace the mesh-only pass: the tree is walked depth
// first and flattened to top-level instances, each placed by its node's own
// matrix, not by its mesh's; a mesh no node names is left out.
TEST_F(GeometryTest, NodesThatFindMeshesReplaceTheMeshOnlyPassAndAreFlattenedDepthFirst) {
    MeshData moved = StripMesh("a", 1);
    moved.translation = {1.0f, 2.0f, 3.0f};
    scene.AddMesh(moved);
    for (const char* name : {"b", "c", "d", "f", "g"}) scene.AddMesh(StripMesh(name, 2));
    for (const bool withNodes : {false, true}) {
        SCOPED_TRACE(withNodes);
        progress = {};
        // a(0) { b(1) { d(3) }, c(2) { camera e(4) { f(5) } } }
        if (withNodes) AddNode("a").AddNode("b", 0).AddNode("c", 0).AddNode("d", 1).AddNode("e", 2, true).AddNode("f", 4);
        ASSERT_TRUE(ConvertScene());
        const Model model = Saved();
        EXPECT_EQ(DefinitionNames(model), (withNodes ? std::vector<std::string>{"a", "b", "d", "c", "f"}
                                                     : std::vector<std::string>{"a", "b", "c", "d", "f", "g"}));
        EXPECT_EQ(TriangleCount(model), withNodes ? 9u : 11u);
        EXPECT_EQ(converter->NodeCount(), withNodes ? 5 : 0);
        EXPECT_EQ(converter->MeshCount(), withNodes ? 5 : 6);
        ASSERT_EQ(model.entities.instances.size(), model.definitions.size());
        EXPECT_EQ(model.entities.instances[0]->transform.values[12], withNodes ? 0.0 : 1.0);
        // Only top-level nodes are announced.
        EXPECT_EQ(std::ranges::count_if(progress.messages, [](auto& text) { return text.starts_with("Parsing node "); }),
                  withNodes ? 1 : 0);
    }
}

}  // namespace
}  // namespace hollin::importer::testing
