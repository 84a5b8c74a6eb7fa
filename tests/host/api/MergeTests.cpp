#include <cmath>

#include "ApiTestSupport.h"

namespace korvanta::test {
namespace {

class MergeTest : public ApiTest {
protected:
    void Merge() { ASSERT_EQ(KVModelMergeCoplanarFaces(model_), KV_SUCCESS); }

    // Signed area of a loop seen from +z: positive when counter-clockwise.
    static double SignedAreaZ(const std::vector<KVPoint3D>& loop) {
        double sum = 0.0;
        for (std::size_t i = 0; i < loop.size(); ++i) {
            const KVPoint3D& a = loop[i];
            const KVPoint3D& b = loop[(i + 1) % loop.size()];
            sum += a.x * b.y - b.x * a.y;
        }
        return sum / 2.0;
    }

    // A unit square at (x, y) as two triangles, optionally textured with
    // uv = (x * scale, y * scale).
    static void Square(InputBuilder& input, double x, double y, KVMaterialRef material = {}, double uvScale = 0.0) {
        const auto a = input.Vertex(x, y, 0), b = input.Vertex(x + 1, y, 0);
        const auto c = input.Vertex(x + 1, y + 1, 0), d = input.Vertex(x, y + 1, 0);
        const auto first = input.Face({a, b, c});
        const auto second = input.Face({a, c, d});
        if (!KV_IS_VALID(material)) return;
        const auto uv = [&](double px, double py) { return Uv{px * uvScale, py * uvScale}; };
        if (uvScale == 0.0) {
            input.Material(first, material);
            input.Material(second, material);
            return;
        }
        input.Material(first, material, {{a, uv(x, y)}, {b, uv(x + 1, y)}, {c, uv(x + 1, y + 1)}});
        input.Material(second, material, {{a, uv(x, y)}, {c, uv(x + 1, y + 1)}, {d, uv(x, y + 1)}});
    }
};

TEST_F(MergeTest, FlatGridBecomesOnePolygonWithoutInteriorEdges) {
    InputBuilder input;
    input.Grid(20, 0.0);
    ASSERT_EQ(input.FillInto(entities_), KV_SUCCESS);
    ASSERT_EQ(Faces(), 800u);
    Merge();
    const auto faces = FaceRefs();
    ASSERT_EQ(faces.size(), 1u);
    EXPECT_EQ(LoopCount(faces[0]), 1u);
    EXPECT_NEAR(Area(faces[0]), 400.0, 1e-9);
    EXPECT_NEAR(SignedAreaZ(LoopPoints(faces[0], 0)), 400.0, 1e-9);
    EXPECT_EQ(Triangles(faces[0]), 800u);
    EXPECT_EQ(Edges(), 80u);  // only the boundary, collinear corners kept
}

TEST_F(MergeTest, LShapeMergesIntoOneConcaveFace) {
    InputBuilder input;
    Square(input, 0, 0);
    Square(input, 1, 0);
    Square(input, 0, 1);
    ASSERT_EQ(input.FillInto(entities_), KV_SUCCESS);
    Merge();
    const auto faces = FaceRefs();
    ASSERT_EQ(faces.size(), 1u);
    ASSERT_EQ(LoopCount(faces[0]), 1u);
    const auto outer = LoopPoints(faces[0], 0);
    EXPECT_EQ(outer.size(), 8u);
    EXPECT_NEAR(SignedAreaZ(outer), 3.0, 1e-12);
    EXPECT_EQ(Edges(), 8u);
}

TEST_F(MergeTest, RingOfSquaresKeepsItsHoleAsAClockwiseInnerLoop) {
    InputBuilder input;
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            if (x != 1 || y != 1) Square(input, x, y);
        }
    }
    ASSERT_EQ(input.FillInto(entities_), KV_SUCCESS);
    Merge();
    const auto faces = FaceRefs();
    ASSERT_EQ(faces.size(), 1u);
    ASSERT_EQ(LoopCount(faces[0]), 2u);
    const auto outer = LoopPoints(faces[0], 0);
    const auto hole = LoopPoints(faces[0], 1);
    EXPECT_EQ(outer.size(), 12u);
    EXPECT_EQ(hole.size(), 4u);
    EXPECT_NEAR(SignedAreaZ(outer), 9.0, 1e-12);
    EXPECT_NEAR(SignedAreaZ(hole), -1.0, 1e-12);
    EXPECT_NEAR(Area(faces[0]), 8.0, 1e-12);
    EXPECT_EQ(Edges(), 16u);
}

TEST_F(MergeTest, DifferentMaterialsStayApart) {
    const KVMaterialRef red = AddMaterial("red");
    const KVMaterialRef blue = AddMaterial("blue");
    InputBuilder input;
    Square(input, 0, 0, red);
    Square(input, 1, 0, blue);
    Square(input, 2, 0);  // no material
    ASSERT_EQ(input.FillInto(entities_), KV_SUCCESS);
    Merge();
    EXPECT_EQ(Faces(), 3u);
    EXPECT_EQ(Edges(), 10u);
}

TEST_F(MergeTest, TextureMappingDecidesWhetherTexturedSquaresMerge) {
    const KVMaterialRef wood = AddMaterial("wood");
    InputBuilder input;
    Square(input, 0, 0, wood, 1.0);
    Square(input, 1, 0, wood, 1.0);  // continues the same mapping: merges
    Square(input, 2, 0, wood, 2.0);  // twice the repeat: stays apart
    Square(input, 3, 0, wood);       // same material, untextured: stays apart
    ASSERT_EQ(input.FillInto(entities_), KV_SUCCESS);
    Merge();
    const auto faces = FaceRefs();
    ASSERT_EQ(faces.size(), 3u);
    EXPECT_NEAR(Area(faces[0]), 2.0, 1e-12);
    bool textured = false;
    EXPECT_EQ(KVFaceIsTextured(faces[0], &textured), KV_SUCCESS);
    EXPECT_TRUE(textured);
}

TEST_F(MergeTest, CubeTrianglesBecomeSixSquares) {
    InputBuilder input;
    std::size_t v[8];
    for (int i = 0; i < 8; ++i) v[i] = input.Vertex(i & 1, (i >> 1) & 1, (i >> 2) & 1);
    // Two outward-facing triangles per side.
    const std::size_t quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& q : quads) {
        input.Face({v[q[0]], v[q[1]], v[q[2]]});
        input.Face({v[q[0]], v[q[2]], v[q[3]]});
    }
    ASSERT_EQ(input.FillInto(entities_), KV_SUCCESS);
    ASSERT_EQ(Edges(), 18u);
    Merge();
    const auto faces = FaceRefs();
    ASSERT_EQ(faces.size(), 6u);
    for (KVFaceRef face : faces) {
        EXPECT_EQ(LoopPoints(face, 0).size(), 4u);
        EXPECT_NEAR(Area(face), 1.0, 1e-12);
        EXPECT_EQ(Triangles(face), 2u);
    }
    EXPECT_EQ(Edges(), 12u);
    EXPECT_EQ(Vertices(), 8u);
}

TEST_F(MergeTest, FacesOutOfPlaneBeyondTheToleranceStayApart) {
    InputBuilder input;
    const auto a = input.Vertex(0, 0, 0), b = input.Vertex(10, 0, 0), c = input.Vertex(0, 10, 0);
    input.Face({a, b, c});
    input.Face({b, input.Vertex(10, 10, 0.01), c});
    // Within tolerance of the plane: merges.
    const auto e = input.Vertex(20, 0, 0), f = input.Vertex(30, 0, 0), g = input.Vertex(20, 10, 0);
    input.Face({e, f, g});
    input.Face({f, input.Vertex(30, 10, 0.0005), g});
    ASSERT_EQ(input.FillInto(entities_), KV_SUCCESS);
    Merge();
    EXPECT_EQ(Faces(), 3u);
}

TEST_F(MergeTest, MergesInsideComponentDefinitions) {
    KVComponentDefinitionRef definition{};
    KVEntitiesRef inner{};
    ASSERT_EQ(KVComponentDefinitionCreate(&definition), KV_SUCCESS);
    ASSERT_EQ(KVModelAddComponentDefinitions(model_, 1, &definition), KV_SUCCESS);
    ASSERT_EQ(KVComponentDefinitionGetEntities(definition, &inner), KV_SUCCESS);
    InputBuilder input;
    input.Grid(5, 2.0);
    ASSERT_EQ(input.FillInto(inner), KV_SUCCESS);
    Merge();
    std::size_t faces = 0;
    ASSERT_EQ(KVEntitiesGetNumFaces(inner, &faces), KV_SUCCESS);
    EXPECT_EQ(faces, 1u);
}

TEST_F(MergeTest, MergingTwiceChangesNothingMore) {
    InputBuilder input;
    input.Grid(4, 0.0);
    ASSERT_EQ(input.FillInto(entities_), KV_SUCCESS);
    Merge();
    Merge();
    const auto faces = FaceRefs();
    ASSERT_EQ(faces.size(), 1u);
    EXPECT_NEAR(Area(faces[0]), 16.0, 1e-12);
    EXPECT_EQ(Edges(), 16u);
}

}  // namespace
}  // namespace korvanta::test
