#include <gtest/gtest.h>

#include "ConverterFixture.h"

namespace hollin::importer::testing {
namespace {

std::vector<std::string> DefinitionNames(const RecordingHostApi& host) {
    std::vector<std::string> names;
    for (const RecordedDefinition& definition : host.definitions) names.push_back(definition.name);
    return names;
}

MeshSpec NoPoints(const std::string& name) { return MeshSpec{name, {}, {}, {}, {}}; }

class NodeTest : public ConverterTest {};

TEST_F(NodeTest, WithoutNodesEveryMeshIsPlacedAtTheTopLevel) {
    SceneWriter scene;
    scene.AddMesh(StripMesh("a", 2)).AddMesh(StripMesh("b", 3)).AddMesh(StripMesh("c", 4));
    ASSERT_TRUE(Convert(Write(scene)));
    EXPECT_EQ(DefinitionNames(Host()), (std::vector<std::string>{"a", "b", "c"}));
    ASSERT_EQ(Host().instances.size(), 3u);
    for (std::size_t index = 0; index < 3; ++index) {
        const RecordedInstance& instance = Host().instances[index];
        EXPECT_EQ(instance.definition, index);
        EXPECT_TRUE(instance.addedToTopLevel);
        EXPECT_FALSE(instance.addedWithName);
        EXPECT_TRUE(instance.transform);
        EXPECT_TRUE(Host().definitions[index].addedToModel);
    }
    EXPECT_EQ(Host().FilledFaceCount(), 9u);
    EXPECT_EQ(converter->NodeCount(), 0);
    EXPECT_EQ(converter->MeshCount(), 3);
}

TEST_F(NodeTest, NodesThatFindMeshesReplaceTheMeshOnlyPass) {
    SceneWriter scene;
    scene.AddMesh(StripMesh("a", 2)).AddMesh(StripMesh("b", 3)).AddMesh(StripMesh("c", 4));
    scene.AddObjectNode("a").AddObjectNode("c");
    ASSERT_TRUE(Convert(Write(scene)));
    EXPECT_EQ(DefinitionNames(Host()), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(Host().FilledFaceCount(), 6u);
    EXPECT_EQ(converter->NodeCount(), 2);
    EXPECT_EQ(converter->MeshCount(), 2);
}

TEST_F(NodeTest, NodesWhoseMeshesHaveNoPointsLeaveTheMeshOnlyPassToRun) {
    SceneWriter scene;
    scene.AddMesh(NoPoints("empty")).AddObjectNode("empty").AddObjectNode("group");
    ASSERT_TRUE(Convert(Write(scene)));
    // Two node definitions (one empty mesh, one grouping node), then the mesh again.
    EXPECT_EQ(DefinitionNames(Host()), (std::vector<std::string>{"empty", "group", "empty"}));
    EXPECT_EQ(Host().instances.size(), 3u);
    EXPECT_EQ(converter->NodeCount(), 2);
    EXPECT_EQ(converter->MeshCount(), 0);
    EXPECT_TRUE(Host().definitions[1].fills.empty());
    const std::vector<std::string> messages = progress.Messages();
    EXPECT_NE(std::find(messages.begin(), messages.end(), "Parsing mesh empty..."), messages.end());
}

TEST_F(NodeTest, SharedMeshIsBuiltAndCountedOncePerNode) {
    SceneWriter scene;
    scene.AddMesh(StripMesh("box", 5)).AddObjectNode("box").AddObjectNode("box");
    ASSERT_TRUE(Convert(Write(scene)));
    EXPECT_EQ(DefinitionNames(Host()), (std::vector<std::string>{"box", "box"}));
    EXPECT_EQ(Host().definitions[0].fills.at(0).faces.size(), 5u);
    EXPECT_EQ(Host().definitions[1].fills.at(0).faces.size(), 5u);
    EXPECT_EQ(Report(), "3ds Entities Imported\n\tMaterials:\t0\n\tNodes:\t2\n\tMeshes:\t2\n");
}

TEST_F(NodeTest, TreeIsWalkedDepthFirstAndFlattenedToTopLevelInstances) {
    // a(0) { b(1) { d(3) }, c(2) }, camera e(4) { f(5) }
    SceneWriter scene;
    for (const char* name : {"a", "b", "c", "d", "f"}) scene.AddMesh(StripMesh(name, 1));
    scene.AddObjectNode("a").AddObjectNode("b", 0).AddObjectNode("c", 0).AddObjectNode("d", 1);
    scene.AddCameraNode("e").AddObjectNode("f", 4);
    ASSERT_TRUE(Convert(Write(scene)));
    EXPECT_EQ(DefinitionNames(Host()), (std::vector<std::string>{"a", "b", "d", "c", "f"}));
    for (const RecordedInstance& instance : Host().instances) EXPECT_TRUE(instance.addedToTopLevel);
    // Only top-level nodes are announced.
    const std::vector<std::string> messages = progress.Messages();
    EXPECT_EQ(std::count_if(messages.begin(), messages.end(),
                            [](const std::string& message) { return message.rfind("Parsing node ", 0) == 0; }),
              2);
    EXPECT_EQ(converter->NodeCount(), 5);
}

TEST_F(NodeTest, CancellingInsideTheTreeStopsBeforeTheNextChild) {
    SceneWriter scene;
    for (const char* name : {"a", "b", "c"}) scene.AddMesh(StripMesh(name, 1));
    scene.AddObjectNode("a").AddObjectNode("b", 0).AddObjectNode("c", 0);
    progress.CancelAfterMessageStartingWith("Building mesh b");
    ASSERT_TRUE(Convert(Write(scene)));
    EXPECT_EQ(DefinitionNames(Host()), (std::vector<std::string>{"a", "b"}));
}

TEST_F(NodeTest, DeepNodeChainIsWalkedWithoutExhaustingTheStack) {
    constexpr int kDepth = 3000;
    SceneWriter scene;
    scene.AddMesh(StripMesh("leaf", 1));
    for (int level = 0; level < kDepth; ++level) scene.AddObjectNode(level + 1 == kDepth ? "leaf" : "n", level - 1);
    ASSERT_TRUE(Convert(Write(scene)));
    EXPECT_EQ(converter->NodeCount(), kDepth);
    EXPECT_EQ(Host().definitions.back().name, "leaf");
    EXPECT_EQ(Host().FilledFaceCount(), 1u);
}

}  // namespace
}  // namespace hollin::importer::testing
