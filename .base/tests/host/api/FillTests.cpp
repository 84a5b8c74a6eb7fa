#include <cmath>
#include <limits>
#include <tuple>

#include "ApiTestSupport.h"

namespace korvanta::test {
namespace {

using FillTest = ApiTest;

// Two triangles over one edge whose second copy lies `gap` inches away, at
// places that straddle the welder's hash cells in every axis, negative ones too.
TEST_F(FillTest, WeldsPointsWithinTheToleranceAndOnlyThose) {
    for (const auto& [gap, weld, vertices] : {std::tuple{0.0009, true, 4u}, {0.0011, true, 6u}, {0.0, false, 6u}}) {
        for (double at : {0.0, 0.002, -0.002, 0.004, 1.0, -1.0, 123.456}) {
            const KVEntitiesRef entities = AddDefinition("").second;
            InputBuilder input;
            const double o = gap / (2 * std::sqrt(3.0));  // per axis, either way from `at`
            input.Face({input.Vertex(at - 5, at, at), input.Vertex(at - o, at - o, at - o), input.Vertex(at, at + 5, at)});
            input.Face({input.Vertex(at + o, at + o, at + o), input.Vertex(at + 5, at, at), input.Vertex(at, at + 5, at + gap)});
            ASSERT_EQ(Fill(input, entities, weld), KV_SUCCESS);
            EXPECT_EQ(Read(KVEntitiesGetNumVertices, entities), vertices) << gap << " at " << at;
            EXPECT_EQ(Read(KVEntitiesGetNumEdges, entities), vertices == 4 ? 5u : 6u) << gap << " at " << at;
        }
    }
}

// Also among enough good faces that the fill checks and writes them on two threads.
TEST_F(FillTest, SkipsBadFacesCountsThemAndBuildsTheRest) {
    for (const unsigned squares : {0u, 10000u}) {
        SCOPED_TRACE(squares);
        const KVEntitiesRef entities = AddDefinition("").second;
        InputBuilder input;
        for (unsigned k = 0; k < squares; ++k) input.Square(0, 0, 10.0 + k);
        const auto a = input.Vertex(0, 0, 0), b = input.Vertex(4, 0, 0), c = input.Vertex(0, 4, 0);
        const auto aNear = input.Vertex(0.0002, 0, 0), onLine = input.Vertex(8, 0, 0);
        const auto notFinite = input.Vertex(std::numeric_limits<double>::quiet_NaN(), 0, 0);
        const auto huge = input.Vertex(1e300, 0, 0);
        const auto h = input.Vertex(1, 1, 0), i = input.Vertex(2, 1, 0);
        const std::size_t outside = i + 1;
        input.Face({a, b, outside});                          // vertex number outside the input
        input.Face({a, b, std::numeric_limits<std::size_t>::max()});
        input.Face({a, b, a});                                // repeated vertex
        input.Face({a, b, aNear});                            // repeated after welding
        input.Face({a, b, onLine});                           // no area
        input.Face({a, b});                                   // too few corners
        input.Face({a, b, notFinite});
        input.Face({a, b, huge});
        input.Face({a, b, c}, {{h, i, outside}});             // a bad hole spoils its face
        input.Face({a, b, c}, {{h, i}});
        input.Face({a, b, c});                                // the one good face
        EXPECT_EQ(Fill(input, entities), KV_ERROR_INVALID_GEOMETRY);
        EXPECT_EQ(FaceRefs(entities).size(), 1u + 2 * squares);
        EXPECT_EQ(Read(KVEntitiesGetNumSkippedFaces, entities), 10u);
        // Skipped faces leave no vertices or edges behind.
        EXPECT_EQ(Read(KVEntitiesGetNumVertices, entities), 3u + 4 * squares);
        EXPECT_EQ(Read(KVEntitiesGetNumEdges, entities), 3u + 5 * squares);

        // A later fill welds onto what is there and keeps the count.
        InputBuilder more;
        more.Face({more.Vertex(0.0004, 0, 0), more.Vertex(4, 0, 0), more.Vertex(0, -4, 0)});
        EXPECT_EQ(Fill(more, entities), KV_SUCCESS);
        EXPECT_EQ(Read(KVEntitiesGetNumSkippedFaces, entities), 10u);
        EXPECT_EQ(Read(KVEntitiesGetNumVertices, entities), 4u + 4 * squares);
        EXPECT_EQ(Read(KVEntitiesGetNumEdges, entities), 5u + 5 * squares);
    }
}

TEST_F(FillTest, TriangulatesConcavePolygonsAndFacesWithHoles) {
    InputBuilder input;
    const auto a = input.Vertex(0, 0, 0), b = input.Vertex(4, 0, 0), c = input.Vertex(4, 4, 0), d = input.Vertex(0, 4, 0);
    // The hole is given counter-clockwise; it must come out clockwise.
    const auto h1 = input.Vertex(1, 1, 0), h2 = input.Vertex(3, 1, 0), h3 = input.Vertex(3, 3, 0), h4 = input.Vertex(1, 3, 0);
    input.Face({a, b, c, d}, {{h1, h2, h3, h4}});
    const auto l0 = input.Vertex(10, 0, 0), l1 = input.Vertex(12, 0, 0), l2 = input.Vertex(12, 1, 0);
    const auto l3 = input.Vertex(11, 1, 0), l4 = input.Vertex(11, 3, 0), l5 = input.Vertex(10, 3, 0);
    input.Face({l0, l1, l2, l3, l4, l5});
    ASSERT_EQ(Fill(input, entities_), KV_SUCCESS);
    const auto faces = FaceRefs();
    ASSERT_EQ(faces.size(), 2u);
    EXPECT_EQ(Read(KVFaceGetNumLoops, faces[0]), 2u);
    EXPECT_DOUBLE_EQ(Read(KVFaceGetArea, faces[0]), 12.0);
    EXPECT_EQ(Read(KVFaceGetNumTriangles, faces[0]), 8u);
    EXPECT_DOUBLE_EQ(Read(KVFaceGetArea, faces[1]), 4.0);
    EXPECT_EQ(Read(KVFaceGetNumTriangles, faces[1]), 4u);
    EXPECT_EQ(Read(KVEntitiesGetNumEdges, entities_), 8u + 6u);
}

}  // namespace
}  // namespace korvanta::test
