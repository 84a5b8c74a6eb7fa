#include "ApiTestSupport.h"

namespace korvanta::test {
namespace {

class MergeTest : public ApiTest {
protected:
    void FillAndMerge(InputBuilder& input, KVEntitiesRef entities) {
        ASSERT_EQ(Fill(input, entities), KV_SUCCESS);
        ASSERT_EQ(Merge(), KV_SUCCESS);
    }

    // Signed area of a loop seen from +z: positive when counter-clockwise.
    static double SignedAreaZ(const std::vector<KVPoint3D>& loop) {
        double sum = 0.0;
        for (std::size_t i = 0, j = loop.size() - 1; i < loop.size(); j = i++) sum += loop[j].x * loop[i].y - loop[i].x * loop[j].y;
        return sum / 2.0;
    }
};

// Unit squares, two triangles each, become one face whose outer loop runs
// counter-clockwise and whose holes run clockwise, seen from +z.
TEST_F(MergeTest, CoplanarSquaresBecomeOneFaceWithoutInteriorEdges) {
    const auto block = [](int n, bool withHole) {
        std::vector<std::pair<int, int>> squares;
        for (int k = 0; k < n * n; ++k) {
            if (!withHole || k != n * n / 2) squares.emplace_back(k % n, k / n);
        }
        return squares;
    };
    const struct {
        std::vector<std::pair<int, int>> squares;
        std::vector<std::size_t> corners;  // per loop; collinear corners are kept
        std::vector<double> signedAreas;
        std::size_t edges;
    } shapes[] = {{block(20, false), {80}, {400}, 80}, {{{0, 0}, {1, 0}, {0, 1}}, {8}, {3}, 8}, {block(3, true), {12, 4}, {9, -1}, 16}};
    for (const auto& shape : shapes) {
        const KVEntitiesRef entities = AddDefinition("").second;
        InputBuilder input;
        for (const auto& [x, y] : shape.squares) input.Square(x, y, 0);
        FillAndMerge(input, entities);
        const auto faces = FaceRefs(entities);
        ASSERT_EQ(faces.size(), 1u) << shape.squares.size() << " squares";
        ASSERT_EQ(Read(KVFaceGetNumLoops, faces[0]), shape.corners.size());
        for (std::size_t loop = 0; loop < shape.corners.size(); ++loop) {
            EXPECT_EQ(LoopPoints(faces[0], loop).size(), shape.corners[loop]);
            EXPECT_NEAR(SignedAreaZ(LoopPoints(faces[0], loop)), shape.signedAreas[loop], 1e-9);
        }
        EXPECT_EQ(Read(KVFaceGetNumTriangles, faces[0]), 2 * shape.squares.size());
        EXPECT_EQ(Read(KVEntitiesGetNumEdges, entities), shape.edges);
    }
}

// Squares in a row: only the first two share material, texture mapping and plane.
TEST_F(MergeTest, DifferentMaterialsMappingsOrPlanesStayApart) {
    const KVMaterialRef wood = AddMaterial("wood");
    const KVMaterialRef stone = AddMaterial("stone");
    InputBuilder input;
    input.Square(0, 0, 0, wood, 1.0);
    input.Square(1, 0, 0, wood, 1.0);  // continues the same mapping
    input.Square(2, 0, 0, wood, 2.0);  // twice the repeat
    input.Square(3, 0, 0, wood);       // untextured
    input.Square(4, 0, 0, stone);
    input.Square(5, 0, 0);             // no material
    const auto e = input.Vertex(10, 0, 0), f = input.Vertex(11, 0, 0), g = input.Vertex(10, 1, 0);
    input.Face({e, f, g});
    input.Face({f, input.Vertex(11, 1, 0.01), g});  // out of the plane beyond the tolerance
    FillAndMerge(input, entities_);
    const auto faces = FaceRefs();
    ASSERT_EQ(faces.size(), 7u);
    EXPECT_NEAR(Read(KVFaceGetArea, faces[0]), 2.0, 1e-12);
    EXPECT_TRUE(Read(KVFaceIsTextured, faces[0]));
}

// A third face standing on a shared edge, here a fin inside the cube on its
// bottom's diagonal, does not keep the coplanar pair apart, but keeps that edge.
TEST_F(MergeTest, CubeTrianglesBecomeSixSquaresAndAFinKeepsItsEdge) {
    InputBuilder input;
    std::size_t v[8];
    for (int i = 0; i < 8; ++i) v[i] = input.Vertex(i & 1, (i >> 1) & 1, (i >> 2) & 1);
    const std::size_t quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& q : quads) {
        input.Face({v[q[0]], v[q[1]], v[q[2]]});
        input.Face({v[q[0]], v[q[2]], v[q[3]]});
    }
    input.Face({v[0], v[3], input.Vertex(0.5, 0.5, 0.5)});
    FillAndMerge(input, entities_);
    const auto faces = FaceRefs();
    ASSERT_EQ(faces.size(), 7u);
    for (std::size_t f = 0; f < 6; ++f) {
        EXPECT_EQ(LoopPoints(faces[f], 0).size(), 4u) << f;
        EXPECT_NEAR(Read(KVFaceGetArea, faces[f]), 1.0, 1e-12) << f;
    }
    EXPECT_EQ(Read(KVEntitiesGetNumEdges, entities_), 12u + 3u);
}

}  // namespace
}  // namespace korvanta::test
