#pragma once

// Shared set-up for the API library tests: an initialised library with one
// model, and a builder for geometry inputs.

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "KorvantaAPI.h"

namespace korvanta::test {

struct Uv {
    double u, v;
};

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

    void Material(std::size_t face, KVMaterialRef material, const std::vector<std::pair<std::size_t, Uv>>& uvs = {}) {
        KVMaterialInput record{};
        record.material = material;
        record.num_uv_coords = uvs.size();
        for (std::size_t i = 0; i < uvs.size(); ++i) {
            record.vertex_indices[i] = uvs[i].first;
            record.uv_coords[i][0] = uvs[i].second.u;
            record.uv_coords[i][1] = uvs[i].second.v;
        }
        EXPECT_EQ(KVGeometryInputFaceSetFrontMaterial(input_, face, &record), KV_SUCCESS);
    }

    // A flat n x n grid of unit squares split into two triangles each, at height z.
    void Grid(std::size_t n, double z, KVMaterialRef material = {}) {
        const std::size_t first = vertexCount_;
        for (std::size_t j = 0; j <= n; ++j) {
            for (std::size_t i = 0; i <= n; ++i) Vertex(static_cast<double>(i), static_cast<double>(j), z);
        }
        const auto at = [&](std::size_t i, std::size_t j) { return first + j * (n + 1) + i; };
        for (std::size_t j = 0; j < n; ++j) {
            for (std::size_t i = 0; i < n; ++i) {
                const std::size_t a = Face({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
                const std::size_t b = Face({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
                if (KV_IS_VALID(material)) {
                    Material(a, material);
                    Material(b, material);
                }
            }
        }
    }

    KVResult FillInto(KVEntitiesRef entities, bool weld = true) { return KVEntitiesFill(entities, input_, weld); }
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

    std::size_t Count(KVResult (*get)(KVEntitiesRef, size_t*)) const {
        std::size_t count = 0;
        EXPECT_EQ(get(entities_, &count), KV_SUCCESS);
        return count;
    }
    std::size_t Faces() const { return Count(KVEntitiesGetNumFaces); }
    std::size_t Edges() const { return Count(KVEntitiesGetNumEdges); }
    std::size_t Vertices() const { return Count(KVEntitiesGetNumVertices); }
    std::size_t Skipped() const { return Count(KVEntitiesGetNumSkippedFaces); }

    std::vector<KVFaceRef> FaceRefs() const {
        std::vector<KVFaceRef> faces(Faces());
        std::size_t count = 0;
        EXPECT_EQ(KVEntitiesGetFaces(entities_, faces.size(), faces.data(), &count), KV_SUCCESS);
        EXPECT_EQ(count, faces.size());
        return faces;
    }

    static std::vector<KVPoint3D> LoopPoints(KVFaceRef face, std::size_t loop) {
        std::size_t size = 0;
        EXPECT_EQ(KVFaceGetLoopVertexCount(face, loop, &size), KV_SUCCESS);
        std::vector<KVPoint3D> points(size);
        std::size_t count = 0;
        EXPECT_EQ(KVFaceGetLoopVertices(face, loop, points.size(), points.data(), &count), KV_SUCCESS);
        return points;
    }

    static std::size_t LoopCount(KVFaceRef face) {
        std::size_t count = 0;
        EXPECT_EQ(KVFaceGetNumLoops(face, &count), KV_SUCCESS);
        return count;
    }

    static double Area(KVFaceRef face) {
        double area = 0.0;
        EXPECT_EQ(KVFaceGetArea(face, &area), KV_SUCCESS);
        return area;
    }

    static std::size_t Triangles(KVFaceRef face) {
        std::size_t count = 0;
        EXPECT_EQ(KVFaceGetNumTriangles(face, &count), KV_SUCCESS);
        return count;
    }

    KVMaterialRef AddMaterial(const char* name) {
        KVMaterialRef material{};
        EXPECT_EQ(KVMaterialCreate(&material), KV_SUCCESS);
        EXPECT_EQ(KVMaterialSetName(material, name), KV_SUCCESS);
        EXPECT_EQ(KVModelAddMaterials(model_, 1, &material), KV_SUCCESS);
        return material;
    }

    KVModelRef model_{};
    KVEntitiesRef entities_{};
};

}  // namespace korvanta::test
