#include <cmath>
#include <limits>
#include <set>
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

// A face marks the edges of its loops; the entities' edge is smooth when any
// face marks it, also where the fill turns a hole round.
TEST_F(FillTest, KeepsTheEdgesTheLoopsMarkSmooth) {
    const auto smoothEdges = [this] {
        std::set<std::pair<double, double>> ends;  // x of the two ends, lower first
        const Entities& entities = static_cast<const Model*>(model_.ptr)->entities;
        for (std::uint32_t e = 0; e < entities.edges.size(); ++e) {
            if (entities.IsSmooth(e)) ends.insert(std::minmax(entities.vertices[entities.edges[e].from].x,
                                                              entities.vertices[entities.edges[e].to].x));
        }
        return ends;
    };
    InputBuilder input;
    // A fold along x = 0 to 1: the first face marks it, the second does not;
    // the third marks its side from corner 2 back to corner 0 and unmarks another.
    const auto a = input.Vertex(0, 0, 0), b = input.Vertex(1, 0, 0), c = input.Vertex(0.5, 1, 0), d = input.Vertex(0.5, 0, 1);
    input.Face({a, b, c}, {}, {0});
    input.Face({b, a, d});
    const auto e = input.Vertex(2, 0, 0), f = input.Vertex(3, 0, 0), g = input.Vertex(2.5, 1, 0);
    input.Face({e, f, g}, {}, {2, 1}, {1});
    // A hole given counter-clockwise, which the fill reverses, marked along its side from x = 11 to x = 13.
    const auto o0 = input.Vertex(10, 0, 5), o1 = input.Vertex(14, 0, 5), o2 = input.Vertex(14, 4, 5), o3 = input.Vertex(10, 4, 5);
    const auto h0 = input.Vertex(11, 1, 5), h1 = input.Vertex(13, 1, 5), h2 = input.Vertex(13, 3, 5), h3 = input.Vertex(11, 3, 5);
    input.Face({o0, o1, o2, o3}, {{h0, h1, h2, h3}}, {}, {}, {0});
    ASSERT_EQ(Fill(input, entities_), KV_SUCCESS);
    EXPECT_EQ(Read(KVEntitiesGetNumSmoothEdges, entities_), 3u);
    EXPECT_EQ(smoothEdges(), (std::set<std::pair<double, double>>{{0, 1}, {2, 2.5}, {11, 13}}));
}

}  // namespace
}  // namespace korvanta::test
