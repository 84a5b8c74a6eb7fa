#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>

#include <tiny_gltf.h>

#include "ModelFile.h"
#include "TestModels.h"

namespace korvanta::test {
namespace {

// What a viewer sees: the saved file read as plain glTF.
class ViewerScene : public ::testing::Test {
protected:
    const tinygltf::Model& Save(const Model& model) {
        const auto path = folder_ / "model.kvm";
        EXPECT_EQ(SaveModelFile(model, path), KV_SUCCESS);
        tinygltf::TinyGLTF loader;
        std::string error, warning;
        EXPECT_TRUE(loader.LoadBinaryFromFile(&gltf_, &error, &warning, path)) << error;
        return gltf_;
    }

    template <typename T>
    std::vector<T> AccessorValues(int accessorIndex) const {
        const auto& accessor = gltf_.accessors.at(static_cast<std::size_t>(accessorIndex));
        const auto& view = gltf_.bufferViews.at(static_cast<std::size_t>(accessor.bufferView));
        const auto& data = gltf_.buffers.at(0).data;
        const std::size_t components = static_cast<std::size_t>(tinygltf::GetNumComponentsInType(accessor.type));
        std::vector<T> values(accessor.count * components);
        EXPECT_LE(view.byteOffset + values.size() * sizeof(T), data.size());
        std::memcpy(values.data(), data.data() + view.byteOffset, values.size() * sizeof(T));
        return values;
    }

    const tinygltf::Node& Root() const { return gltf_.nodes.at(static_cast<std::size_t>(gltf_.scenes.at(0).nodes.at(0))); }
    const tinygltf::Node& Child(std::size_t i) const { return gltf_.nodes.at(static_cast<std::size_t>(Root().children.at(i))); }

    TemporaryFolder folder_;
    tinygltf::Model gltf_;
};

// Viewers work in metres with y up; the host in inches with z up.
TEST_F(ViewerScene, OneRootTurnsInchesZUpIntoMetresYUp) {
    Save(MakeRichModel());
    ASSERT_EQ(gltf_.scenes.size(), 1u);
    ASSERT_EQ(gltf_.scenes[0].nodes.size(), 1u);
    const std::vector<double> expected = {0.0254, 0, 0, 0, 0, 0, -0.0254, 0, 0, 0.0254, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ(Root().matrix, expected);
    // The top-level faces, then one node per top-level instance.
    ASSERT_EQ(Root().children.size(), 5u);
    EXPECT_EQ(Child(0).name, "Model");
    EXPECT_EQ(Child(1).name, "first box");
    EXPECT_EQ(Child(2).name, "Box");
}

TEST_F(ViewerScene, InstancesKeepTheirMatricesAndNesting) {
    Save(MakeRichModel());
    const auto translation = Translation(100, 0, 0);
    EXPECT_EQ(Child(1).matrix, std::vector<double>(std::begin(translation.values), std::end(translation.values)));
    EXPECT_EQ(Child(1).mesh, Child(2).mesh) << "instances of one definition share its mesh";
    const tinygltf::Node& group = Child(4);
    ASSERT_EQ(group.children.size(), 1u);
    EXPECT_EQ(gltf_.nodes[static_cast<std::size_t>(group.children[0])].name, "inner box");
    EXPECT_EQ(gltf_.nodes[static_cast<std::size_t>(group.children[0])].mesh, Child(1).mesh);
}

// A box 10 x 20 x 30 inches placed at x = 100 inches must appear 0.254 m
// wide, 0.762 m tall (its z) and 0.508 m deep (its y, towards -z) at x = 2.54 m.
TEST_F(ViewerScene, SizeAndOrientationComeOutRight) {
    Save(MakeRichModel());
    const tinygltf::Mesh& box = gltf_.meshes.at(static_cast<std::size_t>(Child(1).mesh));
    std::array<double, 3> low{1e9, 1e9, 1e9}, high{-1e9, -1e9, -1e9};
    for (const auto& primitive : box.primitives) {
        const auto& positions = gltf_.accessors[static_cast<std::size_t>(primitive.attributes.at("POSITION"))];
        for (int axis = 0; axis < 3; ++axis) {
            low[axis] = std::min(low[axis], positions.minValues[axis]);
            high[axis] = std::max(high[axis], positions.maxValues[axis]);
        }
    }
    const auto world = [this](const std::array<double, 3>& p) {
        std::array<double, 4> local{p[0], p[1], p[2], 1};
        for (const auto* matrix : {&Child(1).matrix, &Root().matrix}) {
            std::array<double, 4> next{};
            for (int row = 0; row < 4; ++row) {
                for (int k = 0; k < 4; ++k) next[row] += (*matrix)[k * 4 + row] * local[k];
            }
            local = next;
        }
        return local;
    };
    const auto a = world(low), b = world(high);
    EXPECT_NEAR(std::min(a[0], b[0]), 2.54, 1e-6);
    EXPECT_NEAR(std::fabs(b[0] - a[0]), 0.254, 1e-6);
    EXPECT_NEAR(std::min(a[1], b[1]), 0.0, 1e-6);
    EXPECT_NEAR(std::max(a[1], b[1]), 0.762, 1e-6);
    EXPECT_NEAR(std::min(a[2], b[2]), -0.508, 1e-6);
    EXPECT_NEAR(std::max(a[2], b[2]), 0.0, 1e-6);
}

TEST_F(ViewerScene, MaterialsCarryColourOpacityAndTheImageBytes) {
    const Model model = MakeRichModel();
    Save(model);
    ASSERT_EQ(gltf_.materials.size(), 4u);
    const auto& glass = gltf_.materials[1];
    EXPECT_EQ(glass.name, "Glass");
    EXPECT_EQ(glass.alphaMode, "BLEND");
    EXPECT_EQ(glass.pbrMetallicRoughness.baseColorFactor,
              (std::vector<double>{180 / 255.0, 220 / 255.0, 1.0, 0.35}));
    EXPECT_EQ(glass.pbrMetallicRoughness.metallicFactor, 0.0);
    EXPECT_EQ(glass.pbrMetallicRoughness.baseColorTexture.index, -1);
    EXPECT_EQ(gltf_.materials[0].alphaMode, "OPAQUE");

    for (std::size_t m : {2u, 3u}) {
        const int texture = gltf_.materials[m].pbrMetallicRoughness.baseColorTexture.index;
        ASSERT_GE(texture, 0);
        const auto& image = gltf_.images.at(static_cast<std::size_t>(gltf_.textures[static_cast<std::size_t>(texture)].source));
        EXPECT_EQ(image.mimeType, model.materials[m]->texture->mimeType);
        const auto& view = gltf_.bufferViews.at(static_cast<std::size_t>(image.bufferView));
        const auto* bytes = gltf_.buffers[0].data.data() + view.byteOffset;
        EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + view.byteLength), model.materials[m]->texture->encoded);
        EXPECT_EQ(image.width, static_cast<int>(model.materials[m]->texture->width));
    }
}

// One primitive per material and texturing; texture coordinates only where
// textured, with v turned to run down the image; unit normals facing out.
TEST_F(ViewerScene, PrimitivesSplitByMaterialWithFlippedVAndUnitNormals) {
    Model model;
    Material& plain = AddMaterial(model, "Plain", {255, 0, 0, 255});
    Material& painted = AddMaterial(model, "Painted", {255, 255, 255, 255});
    painted.texture = MakeTexture(EncodePng(4, 4), "image/png", 4, 4, "p.png");
    AddBox(model.entities, {10, 10, 10}, &plain);
    model.entities.faces[1].frontMaterial = &painted;  // the top, at z = 10
    model.entities.faces[1].textured = true;
    model.entities.faces[1].triangles[0].corners[1].uv = {0.25, 0.125};
    model.entities.faces[2].frontMaterial = nullptr;
    Save(model);

    const tinygltf::Mesh& mesh = gltf_.meshes.at(static_cast<std::size_t>(Child(0).mesh));
    ASSERT_EQ(mesh.primitives.size(), 3u);
    for (const auto& primitive : mesh.primitives) {
        const bool textured = primitive.material == 1;
        EXPECT_EQ(primitive.attributes.count("TEXCOORD_0"), textured ? 1u : 0u);
        const auto normals = AccessorValues<float>(primitive.attributes.at("NORMAL"));
        const auto positions = AccessorValues<float>(primitive.attributes.at("POSITION"));
        for (std::size_t i = 0; i < normals.size(); i += 3) {
            EXPECT_NEAR(std::hypot(normals[i], normals[i + 1], normals[i + 2]), 1.0, 1e-6);
            // Outward: the normal points away from the box's centre.
            const double outward = normals[i] * (positions[i] - 5) + normals[i + 1] * (positions[i + 1] - 5) +
                                   normals[i + 2] * (positions[i + 2] - 5);
            EXPECT_GT(outward, 0.0);
        }
        if (textured) {
            const auto uvs = AccessorValues<float>(primitive.attributes.at("TEXCOORD_0"));
            bool found = false;
            for (std::size_t i = 0; i < uvs.size(); i += 2) found |= uvs[i] == 0.25f && uvs[i + 1] == 0.875f;
            EXPECT_TRUE(found) << "v = 0.125 should be stored as 1 - v";
        }
    }
    EXPECT_EQ(mesh.primitives[0].material, -1) << "faces without material get a primitive of their own";
}

TEST_F(ViewerScene, CornersAreSharedOnlyWhereNormalAndUvAgree) {
    Model model;
    // Two coplanar quads sharing an edge: 6 drawn vertices. The box beside
    // them: 4 per side, since each side has its own normal.
    for (int k = 0; k < 6; ++k) model.entities.vertices.push_back({static_cast<double>(k % 3), k < 3 ? 0.0 : 1.0, 0});
    for (std::uint32_t start : {0u, 1u}) {
        Face face;
        const Corner a{start, {}}, b{start + 1, {}}, c{start + 4, {}}, d{start + 3, {}};
        face.loops = {{{a, b, c, d}}};
        face.triangles = {{{a, b, c}}, {{a, c, d}}};
        model.entities.faces.push_back(face);
    }
    ComponentDefinition& box = AddDefinition(model, "Box");
    AddBox(box.entities, {1, 1, 1});
    AddInstance(model.entities, box, Translation(0, 0, 0));
    Save(model);

    const auto count = [this](int mesh) {
        return gltf_.accessors[static_cast<std::size_t>(
                                   gltf_.meshes[static_cast<std::size_t>(mesh)].primitives[0].attributes.at("POSITION"))]
            .count;
    };
    EXPECT_EQ(count(Child(0).mesh), 6u);
    EXPECT_EQ(count(Child(1).mesh), 24u);
    EXPECT_TRUE(Child(1).matrix.empty()) << "an identity transform needs no matrix";
}

TEST_F(ViewerScene, ShearGoesIntoThePositions) {
    Model model;
    ComponentDefinition& box = AddDefinition(model, "Box");
    AddBox(box.entities, {1, 1, 1});
    AddInstance(model.entities, box, {{1, 0, 0, 0, 0.5, 1, 0, 0, 0, 0, 1, 0, 7, 0, 0, 1}}, "sheared");
    Save(model);
    ASSERT_EQ(Root().children.size(), 1u);
    EXPECT_TRUE(Child(0).matrix.empty());
    const auto& positions =
        gltf_.accessors[static_cast<std::size_t>(gltf_.meshes.at(static_cast<std::size_t>(Child(0).mesh)).primitives[0].attributes.at("POSITION"))];
    EXPECT_EQ(positions.minValues, (std::vector<double>{7, 0, 0}));
    EXPECT_EQ(positions.maxValues, (std::vector<double>{8.5, 1, 1}));
}

}  // namespace
}  // namespace korvanta::test
