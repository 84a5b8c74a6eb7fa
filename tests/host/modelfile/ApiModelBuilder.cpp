#include "ApiModelBuilder.h"

#include <gtest/gtest.h>

namespace korvanta::test {
namespace {

KVLoopInputRef MakeLoop(const std::vector<std::size_t>& vertices) {
    KVLoopInputRef loop{nullptr};
    EXPECT_EQ(KVLoopInputCreate(&loop), KV_SUCCESS);
    for (std::size_t vertex : vertices) EXPECT_EQ(KVLoopInputAddVertexIndex(loop, vertex), KV_SUCCESS);
    return loop;
}

}  // namespace

ApiModelBuilder::ApiModelBuilder() {
    EXPECT_EQ(KVInitialize(), KV_SUCCESS);
    EXPECT_EQ(KVModelCreate(&model_), KV_SUCCESS);
}

ApiModelBuilder::~ApiModelBuilder() {
    KVModelRelease(&model_);
    KVTerminate();
}

KVMaterialRef ApiModelBuilder::AddMaterial(const std::string& name, KVColor color, double opacity,
                                           const std::string& texturePath) {
    KVMaterialRef material{nullptr};
    EXPECT_EQ(KVMaterialCreate(&material), KV_SUCCESS);
    EXPECT_EQ(KVMaterialSetName(material, name.c_str()), KV_SUCCESS);
    EXPECT_EQ(KVMaterialSetColor(material, &color), KV_SUCCESS);
    EXPECT_EQ(KVMaterialSetOpacity(material, opacity), KV_SUCCESS);
    if (!texturePath.empty()) {
        KVTextureRef texture{nullptr};
        EXPECT_EQ(KVTextureCreateFromFile(&texture, texturePath.c_str(), 1.0, 1.0), KV_SUCCESS) << texturePath;
        EXPECT_EQ(KVMaterialSetTexture(material, texture), KV_SUCCESS);
    }
    EXPECT_EQ(KVModelAddMaterials(model_, 1, &material), KV_SUCCESS);
    return material;
}

KVComponentDefinitionRef ApiModelBuilder::AddDefinition(const std::string& name) {
    KVComponentDefinitionRef definition{nullptr};
    EXPECT_EQ(KVComponentDefinitionCreate(&definition), KV_SUCCESS);
    EXPECT_EQ(KVComponentDefinitionSetName(definition, name.c_str()), KV_SUCCESS);
    EXPECT_EQ(KVModelAddComponentDefinitions(model_, 1, &definition), KV_SUCCESS);
    return definition;
}

KVEntitiesRef ApiModelBuilder::EntitiesOf(KVComponentDefinitionRef definition) const {
    KVEntitiesRef entities{nullptr};
    EXPECT_EQ(KVComponentDefinitionGetEntities(definition, &entities), KV_SUCCESS);
    return entities;
}

KVEntitiesRef ApiModelBuilder::TopLevel() const {
    KVEntitiesRef entities{nullptr};
    EXPECT_EQ(KVModelGetEntities(model_, &entities), KV_SUCCESS);
    return entities;
}

void ApiModelBuilder::AddInstance(KVComponentDefinitionRef definition, const KVTransformation& transform) {
    KVComponentInstanceRef instance{nullptr};
    EXPECT_EQ(KVComponentDefinitionCreateInstance(definition, &instance), KV_SUCCESS);
    EXPECT_EQ(KVComponentInstanceSetTransform(instance, &transform), KV_SUCCESS);
    EXPECT_EQ(KVEntitiesAddInstance(TopLevel(), instance, nullptr), KV_SUCCESS);
}

void ApiModelBuilder::FillGrid(KVEntitiesRef entities, int n, double height, KVMaterialRef material) {
    KVGeometryInputRef input{nullptr};
    ASSERT_EQ(KVGeometryInputCreate(&input), KV_SUCCESS);
    const auto index = [n](int x, int y) { return static_cast<std::size_t>(y * (n + 1) + x); };
    for (int y = 0; y <= n; ++y) {
        for (int x = 0; x <= n; ++x) {
            const KVPoint3D point{static_cast<double>(x), static_cast<double>(y), height};
            ASSERT_EQ(KVGeometryInputAddVertex(input, &point), KV_SUCCESS);
        }
    }
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            const std::size_t triangles[2][3] = {{index(x, y), index(x + 1, y), index(x + 1, y + 1)},
                                                 {index(x, y), index(x + 1, y + 1), index(x, y + 1)}};
            for (const auto& triangle : triangles) {
                KVLoopInputRef loop = MakeLoop({triangle[0], triangle[1], triangle[2]});
                std::size_t face = 0;
                ASSERT_EQ(KVGeometryInputAddFace(input, &loop, &face), KV_SUCCESS);
                KVMaterialInput front{};
                front.material = material;
                front.num_uv_coords = 3;
                for (int c = 0; c < 3; ++c) {
                    const auto vertex = triangle[c];
                    front.vertex_indices[c] = vertex;
                    front.uv_coords[c][0] = static_cast<double>(vertex % static_cast<std::size_t>(n + 1)) / n;
                    front.uv_coords[c][1] = static_cast<double>(vertex / static_cast<std::size_t>(n + 1)) / n;
                }
                ASSERT_EQ(KVGeometryInputFaceSetFrontMaterial(input, face, &front), KV_SUCCESS);
            }
        }
    }
    EXPECT_EQ(KVEntitiesFill(entities, input, true), KV_SUCCESS);
    KVGeometryInputRelease(&input);
}

void ApiModelBuilder::FillSquareWithHole(KVEntitiesRef entities, KVMaterialRef material) {
    KVGeometryInputRef input{nullptr};
    ASSERT_EQ(KVGeometryInputCreate(&input), KV_SUCCESS);
    const KVPoint3D points[8] = {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0},
                                 {0.5, 0.5, 0}, {0.5, 1.5, 0}, {1.5, 1.5, 0}, {1.5, 0.5, 0}};
    for (const auto& point : points) ASSERT_EQ(KVGeometryInputAddVertex(input, &point), KV_SUCCESS);
    KVLoopInputRef outer = MakeLoop({0, 1, 2, 3});
    std::size_t face = 0;
    ASSERT_EQ(KVGeometryInputAddFace(input, &outer, &face), KV_SUCCESS);
    KVLoopInputRef hole = MakeLoop({4, 5, 6, 7});
    ASSERT_EQ(KVGeometryInputFaceAddInnerLoop(input, face, &hole), KV_SUCCESS);
    KVMaterialInput front{};
    front.material = material;
    ASSERT_EQ(KVGeometryInputFaceSetFrontMaterial(input, face, &front), KV_SUCCESS);
    EXPECT_EQ(KVEntitiesFill(entities, input, true), KV_SUCCESS);
    KVGeometryInputRelease(&input);
}

}  // namespace korvanta::test
