#pragma once

// Shared by every test that drives the modelling library through its C API:
// an initialised library with one model, and builders for geometry and parts.
// Fills and merges through the fixture are followed by the model's
// consistency check, which names the first fault it finds.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "EntitiesCheck.h"
#include "KorvantaAPI.h"
#include "Model.h"

namespace korvanta::test {

inline KVTransformation Translation(double x, double y, double z) {
    return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}};
}

class InputBuilder {
public:
    InputBuilder() { EXPECT_EQ(KVGeometryInputCreate(&input_), KV_SUCCESS); }
    ~InputBuilder() { KVGeometryInputRelease(&input_); }
    InputBuilder(const InputBuilder&) = delete;
    InputBuilder& operator=(const InputBuilder&) = delete;

    std::size_t Vertex(double x, double y, double z) {
        const KVPoint3D point{x, y, z};
        EXPECT_EQ(KVGeometryInputAddVertex(input_, &point), KV_SUCCESS);
        return vertexCount_++;
    }

    std::size_t Face(const std::vector<std::size_t>& outer, const std::vector<std::vector<std::size_t>>& holes = {}) {
        std::size_t index = 0;
        KVLoopInputRef loop = MakeLoop(outer);
        EXPECT_EQ(KVGeometryInputAddFace(input_, &loop, &index), KV_SUCCESS);
        EXPECT_FALSE(KV_IS_VALID(loop));
        for (const auto& hole : holes) {
            KVLoopInputRef inner = MakeLoop(hole);
            EXPECT_EQ(KVGeometryInputFaceAddInnerLoop(input_, index, &inner), KV_SUCCESS);
        }
        return index;
    }

    // A unit square with its corner at (x, y, z) as two triangles; with a
    // non-zero uvScale textured with (u, v) = uvScale * (x, y).
    void Square(double x, double y, double z, KVMaterialRef material = {}, double uvScale = 0.0) {
        const std::array<std::array<double, 2>, 4> corners{{{x, y}, {x + 1, y}, {x + 1, y + 1}, {x, y + 1}}};
        const std::size_t first = vertexCount_;
        for (const auto& [cornerX, cornerY] : corners) Vertex(cornerX, cornerY, z);
        for (const auto& triangle : {std::array<std::size_t, 3>{0, 1, 2}, {0, 2, 3}}) {
            const std::size_t face = Face({first + triangle[0], first + triangle[1], first + triangle[2]});
            if (!KV_IS_VALID(material)) continue;
            KVMaterialInput record{};
            record.material = material;
            record.num_uv_coords = uvScale == 0.0 ? 0 : 3;
            for (std::size_t i = 0; i < 3; ++i) {
                record.vertex_indices[i] = first + triangle[i];
                record.uv_coords[i][0] = uvScale * corners[triangle[i]][0];
                record.uv_coords[i][1] = uvScale * corners[triangle[i]][1];
            }
            EXPECT_EQ(KVGeometryInputFaceSetFrontMaterial(input_, face, &record), KV_SUCCESS);
        }
    }

    void Grid(int n, double z, KVMaterialRef material = {}, double uvScale = 0.0) {
        for (int y = 0; y < n; ++y) {
            for (int x = 0; x < n; ++x) Square(x, y, z, material, uvScale);
        }
    }

    KVGeometryInputRef Ref() const { return input_; }

private:
    static KVLoopInputRef MakeLoop(const std::vector<std::size_t>& vertices) {
        KVLoopInputRef loop{};
        EXPECT_EQ(KVLoopInputCreate(&loop), KV_SUCCESS);
        for (std::size_t vertex : vertices) EXPECT_EQ(KVLoopInputAddVertexIndex(loop, vertex), KV_SUCCESS);
        return loop;
    }

    KVGeometryInputRef input_{};
    std::size_t vertexCount_ = 0;
};

class ApiTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(KVInitialize(), KV_SUCCESS);
        ASSERT_EQ(KVModelCreate(&model_), KV_SUCCESS);
        ASSERT_EQ(KVModelGetEntities(model_, &entities_), KV_SUCCESS);
    }
    void TearDown() override {
        if (KV_IS_VALID(model_)) {
            EXPECT_EQ(KVModelRelease(&model_), KV_SUCCESS);
        }
        EXPECT_EQ(KVTerminate(), KV_SUCCESS);
    }

    // The first fault of a model the library holds, empty when it holds together.
    static std::string FaultOf(KVModelRef model) { return CheckEntities(*static_cast<const Model*>(model.ptr)); }

    KVResult Fill(const InputBuilder& input, KVEntitiesRef entities, bool weld = true) {
        const KVResult result = KVEntitiesFill(entities, input.Ref(), weld);
        EXPECT_EQ(FaultOf(model_), "");
        return result;
    }

    KVResult Merge() {
        const KVResult result = KVModelMergeCoplanarFaces(model_);
        EXPECT_EQ(FaultOf(model_), "");
        return result;
    }

    // A value the library reports, such as KVEntitiesGetNumFaces(entities).
    template <typename Value, typename Ref>
    static Value Read(KVResult (*get)(Ref, Value*), Ref of) {
        Value value{};
        EXPECT_EQ(get(of, &value), KV_SUCCESS);
        return value;
    }

    std::vector<KVFaceRef> FaceRefs(KVEntitiesRef of = {}) const {
        if (!KV_IS_VALID(of)) of = entities_;
        std::size_t count = Read(KVEntitiesGetNumFaces, of);
        std::vector<KVFaceRef> faces(count);
        EXPECT_EQ(KVEntitiesGetFaces(of, count, faces.data(), &count), KV_SUCCESS);
        return faces;
    }

    static std::vector<KVPoint3D> LoopPoints(KVFaceRef face, std::size_t loop) {
        std::size_t size = 0;
        EXPECT_EQ(KVFaceGetLoopVertexCount(face, loop, &size), KV_SUCCESS);
        std::vector<KVPoint3D> points(size);
        EXPECT_EQ(KVFaceGetLoopVertices(face, loop, size, points.data(), &size), KV_SUCCESS);
        return points;
    }

    KVMaterialRef AddMaterial(const char* name, KVColor color = {255, 255, 255, 255}, double opacity = 1.0,
                              const char* texturePath = nullptr) {
        KVMaterialRef material{};
        EXPECT_EQ(KVMaterialCreate(&material), KV_SUCCESS);
        EXPECT_EQ(KVMaterialSetName(material, name), KV_SUCCESS);
        EXPECT_EQ(KVMaterialSetColor(material, &color), KV_SUCCESS);
        EXPECT_EQ(KVMaterialSetOpacity(material, opacity), KV_SUCCESS);
        if (texturePath != nullptr) {
            KVTextureRef texture{};
            EXPECT_EQ(KVTextureCreateFromFile(&texture, texturePath, 1.0, 1.0), KV_SUCCESS) << texturePath;
            EXPECT_EQ(KVMaterialSetTexture(material, texture), KV_SUCCESS);
        }
        EXPECT_EQ(KVModelAddMaterials(model_, 1, &material), KV_SUCCESS);
        return material;
    }

    // A definition of the model, with the entities it holds.
    std::pair<KVComponentDefinitionRef, KVEntitiesRef> AddDefinition(const char* name) {
        KVComponentDefinitionRef definition{};
        KVEntitiesRef entities{};
        EXPECT_EQ(KVComponentDefinitionCreate(&definition), KV_SUCCESS);
        EXPECT_EQ(KVComponentDefinitionSetName(definition, name), KV_SUCCESS);
        EXPECT_EQ(KVModelAddComponentDefinitions(model_, 1, &definition), KV_SUCCESS);
        EXPECT_EQ(KVComponentDefinitionGetEntities(definition, &entities), KV_SUCCESS);
        return {definition, entities};
    }

    // An instance of the definition in `into`, the model's top level unless given.
    void Place(KVComponentDefinitionRef definition, const KVTransformation& transform, const char* name = nullptr,
               KVEntitiesRef into = {}) {
        KVComponentInstanceRef instance{};
        EXPECT_EQ(KVComponentDefinitionCreateInstance(definition, &instance), KV_SUCCESS);
        EXPECT_EQ(KVComponentInstanceSetTransform(instance, &transform), KV_SUCCESS);
        EXPECT_EQ(KVEntitiesAddInstance(KV_IS_VALID(into) ? into : entities_, instance, name), KV_SUCCESS);
    }

    KVModelRef model_{};
    KVEntitiesRef entities_{};
};

}  // namespace korvanta::test
