#include <gtest/gtest.h>

#include <tiny_gltf.h>

#include "ModelFile.h"
#include "ProcessRunner.h"
#include "TestModels.h"

namespace korvanta::test {
namespace {

// What a viewer sees: the rich model's file read as plain glTF.
class ViewerScene : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SaveModelFile(model_, folder_ / "model.kvm"), KV_SUCCESS);
        std::string error, warning;
        ASSERT_TRUE(tinygltf::TinyGLTF().LoadBinaryFromFile(&gltf_, &error, &warning, folder_ / "model.kvm")) << error;
    }

    const tinygltf::Node& Node(int index) const { return gltf_.nodes.at(static_cast<std::size_t>(index)); }
    const tinygltf::Node& Root() const { return Node(gltf_.scenes.at(0).nodes.at(0)); }
    const tinygltf::Node& Child(std::size_t i) const { return Node(Root().children.at(i)); }

    const Model model_ = MakeRichModel();
    TemporaryFolder folder_;
    tinygltf::Model gltf_;
};

// Viewers work in metres with y up; the host in inches with z up. One root
// turns the one into the other; below it the top-level faces, then a node per
// top-level instance: the box of 10 x 20 x 30 inches placed at x = 100 inches
// comes out 0.254 m wide, 0.762 m tall and 0.508 m deep at x = 2.54 m.
TEST_F(ViewerScene, InstancesStandInMetresYUpWithTheirSizes) {
    ASSERT_EQ(gltf_.scenes.size(), 1u);
    ASSERT_EQ(gltf_.scenes[0].nodes.size(), 1u);
    EXPECT_EQ(Root().matrix, (std::vector<double>{0.0254, 0, 0, 0, 0, 0, -0.0254, 0, 0, 0.0254, 0, 0, 0, 0, 0, 1}));
    ASSERT_EQ(Root().children.size(), 9u);
    EXPECT_EQ(Child(1).name, "first box");
    EXPECT_EQ(Child(1).matrix, (std::vector<double>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 100, 0, 0, 1}));
    EXPECT_EQ(Child(1).mesh, Child(2).mesh) << "instances of one definition share its mesh";
    EXPECT_EQ(Node(Child(4).children.at(0)).mesh, Child(1).mesh);
    std::vector<double> low{1e9, 1e9, 1e9}, high{-1e9, -1e9, -1e9};
    for (const auto& primitive : gltf_.meshes.at(static_cast<std::size_t>(Child(1).mesh)).primitives) {
        const auto& positions = gltf_.accessors.at(static_cast<std::size_t>(primitive.attributes.at("POSITION")));
        for (std::size_t axis = 0; axis < 3; ++axis) {
            low[axis] = std::min(low[axis], positions.minValues.at(axis));
            high[axis] = std::max(high[axis], positions.maxValues.at(axis));
        }
    }
    EXPECT_EQ(low, (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(high, (std::vector<double>{10, 20, 30}));
}

TEST_F(ViewerScene, MaterialsCarryColourOpacityAndTexture) {
    ASSERT_EQ(gltf_.materials.size(), 4u);
    const auto& glass = gltf_.materials[1];
    EXPECT_EQ(glass.alphaMode, "BLEND");
    EXPECT_EQ(glass.pbrMetallicRoughness.baseColorFactor, (std::vector<double>{180 / 255.0, 220 / 255.0, 1.0, 0.35}));
    EXPECT_EQ(glass.pbrMetallicRoughness.metallicFactor, 0.0);
    EXPECT_EQ(gltf_.materials[0].alphaMode, "OPAQUE");
    // The images themselves, as read or re-encoded, are checked through the API's own files.
    for (std::size_t m : {2u, 3u}) EXPECT_GE(gltf_.materials[m].pbrMetallicRoughness.baseColorTexture.index, 0);
}

}  // namespace
}  // namespace korvanta::test
