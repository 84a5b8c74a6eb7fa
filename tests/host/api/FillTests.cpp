#include <cmath>
#include <limits>

#include "ApiTestSupport.h"

namespace korvanta::test {
namespace {

using FillTest = ApiTest;

TEST_F(FillTest, WeldsPointsCloserThanTheToleranceAndKeepsFartherOnesApart) {
    InputBuilder input;
    // Two triangles sharing an edge whose copies are 0.0009 apart.
    const auto a = input.Vertex(0, 0, 0), b = input.Vertex(1, 0, 0), c = input.Vertex(0, 1, 0);
    const auto b2 = input.Vertex(1.0009, 0, 0), c2 = input.Vertex(0, 1.0, 0.0009), d = input.Vertex(1, 1, 0);
    input.Face({a, b, c});
    input.Face({b2, d, c2});
    ASSERT_EQ(input.FillInto(entities_), KV_SUCCESS);
    EXPECT_EQ(Vertices(), 4u);
    EXPECT_EQ(Edges(), 5u);

    InputBuilder apart;
    const auto e = apart.Vertex(10, 0, 0), f = apart.Vertex(11, 0, 0), g = apart.Vertex(10, 1, 0);
    const auto f2 = apart.Vertex(11.0011, 0, 0), h = apart.Vertex(11, 1, 0);
    apart.Face({e, f, g});
    apart.Face({f2, h, g});
    ASSERT_EQ(apart.FillInto(entities_), KV_SUCCESS);
    EXPECT_EQ(Vertices(), 4u + 5u);
    EXPECT_EQ(Edges(), 5u + 6u);
}

TEST_F(FillTest, WeldsAcrossHashCellBorders) {
    // Pairs 0.0007 apart straddling multiples of the cell size in every axis,
    // including negative coordinates where rounding goes the other way.
    const double borders[] = {0.0, 0.002, -0.002, 0.004, 1.0, -1.0, 123.456};
    for (double border : borders) {
        KVModelRef model{};
        KVEntitiesRef entities{};
        ASSERT_EQ(KVModelCreate(&model), KV_SUCCESS);
        ASSERT_EQ(KVModelGetEntities(model, &entities), KV_SUCCESS);
        InputBuilder input;
        const auto a = input.Vertex(border - 0.0002, border - 0.0002, border - 0.0002);
        const auto b = input.Vertex(border + 5, border, border);
        const auto c = input.Vertex(border, border + 5, border);
        const auto a2 = input.Vertex(border + 0.0002, border + 0.0002, border + 0.0002);
        const auto d = input.Vertex(border - 5, border, border);
        input.Face({a, b, c});
        input.Face({a2, c, d});
        ASSERT_EQ(input.FillInto(entities), KV_SUCCESS);
        std::size_t vertices = 0;
        ASSERT_EQ(KVEntitiesGetNumVertices(entities, &vertices), KV_SUCCESS);
        EXPECT_EQ(vertices, 4u) << "at " << border;
        ASSERT_EQ(KVModelRelease(&model), KV_SUCCESS);
    }
}

TEST_F(FillTest, WeldsAgainstVerticesAlreadyInTheEntities) {
    InputBuilder first;
    first.Face({first.Vertex(0, 0, 0), first.Vertex(1, 0, 0), first.Vertex(0, 1, 0)});
    ASSERT_EQ(first.FillInto(entities_), KV_SUCCESS);
    InputBuilder second;
    second.Face({second.Vertex(1.0004, 0, 0), second.Vertex(1, 1, 0), second.Vertex(0, 1.0004, 0)});
    ASSERT_EQ(second.FillInto(entities_), KV_SUCCESS);
    EXPECT_EQ(Vertices(), 4u);
    EXPECT_EQ(Edges(), 5u);
    EXPECT_EQ(Faces(), 2u);
}

TEST_F(FillTest, WithoutWeldingCoincidentPointsStayDistinct) {
    InputBuilder input;
    input.Face({input.Vertex(0, 0, 0), input.Vertex(1, 0, 0), input.Vertex(0, 1, 0)});
    input.Face({input.Vertex(1, 0, 0), input.Vertex(1, 1, 0), input.Vertex(0, 1, 0)});
    ASSERT_EQ(input.FillInto(entities_, false), KV_SUCCESS);
    EXPECT_EQ(Vertices(), 6u);
    EXPECT_EQ(Edges(), 6u);
}

TEST_F(FillTest, SkipsBadFacesCountsThemAndBuildsTheRest) {
    InputBuilder input;
    const auto a = input.Vertex(0, 0, 0), b = input.Vertex(1, 0, 0), c = input.Vertex(0, 1, 0);
    const auto aNear = input.Vertex(0.0002, 0, 0), onLine = input.Vertex(2, 0, 0);
    const auto notFinite = input.Vertex(std::numeric_limits<double>::quiet_NaN(), 0, 0);
    const auto huge = input.Vertex(1e300, 0, 0);
    input.Face({a, b, 7});                               // vertex number outside the input
    input.Face({a, b, std::numeric_limits<std::size_t>::max()});
    input.Face({a, b, a});                               // repeated vertex
    input.Face({a, b, aNear});                           // repeated after welding
    input.Face({a, b, onLine});                          // no area
    input.Face({a, b});                                  // too few corners
    input.Face({a, b, notFinite});
    input.Face({a, b, huge});
    input.Face({a, b, c});                               // the one good face
    EXPECT_EQ(input.FillInto(entities_), KV_ERROR_INVALID_GEOMETRY);
    EXPECT_EQ(Faces(), 1u);
    EXPECT_EQ(Skipped(), 8u);
    // Skipped faces leave no vertices or edges behind.
    EXPECT_EQ(Vertices(), 3u);
    EXPECT_EQ(Edges(), 3u);

    InputBuilder good;
    good.Face({good.Vertex(0, 0, 1), good.Vertex(1, 0, 1), good.Vertex(0, 1, 1)});
    EXPECT_EQ(good.FillInto(entities_), KV_SUCCESS);
    EXPECT_EQ(Skipped(), 8u);
}

TEST_F(FillTest, SkipsAFaceWhoseHoleIsBad) {
    InputBuilder input;
    const auto a = input.Vertex(0, 0, 0), b = input.Vertex(4, 0, 0), c = input.Vertex(4, 4, 0), d = input.Vertex(0, 4, 0);
    const auto h = input.Vertex(1, 1, 0), i = input.Vertex(2, 1, 0);
    input.Face({a, b, c, d}, {{h, i, 99}});
    input.Face({a, b, c, d}, {{h, i}});
    EXPECT_EQ(input.FillInto(entities_), KV_ERROR_INVALID_GEOMETRY);
    EXPECT_EQ(Faces(), 0u);
    EXPECT_EQ(Skipped(), 2u);
}

TEST_F(FillTest, TriangulatesPolygonsAndFacesWithHoles) {
    InputBuilder input;
    const auto a = input.Vertex(0, 0, 0), b = input.Vertex(4, 0, 0), c = input.Vertex(4, 4, 0), d = input.Vertex(0, 4, 0);
    // The hole is given counter-clockwise; it must come out as a clockwise loop.
    const auto h1 = input.Vertex(1, 1, 0), h2 = input.Vertex(3, 1, 0), h3 = input.Vertex(3, 3, 0), h4 = input.Vertex(1, 3, 0);
    input.Face({a, b, c, d}, {{h1, h2, h3, h4}});
    // An L-shaped hexagon (concave).
    const auto l0 = input.Vertex(10, 0, 0), l1 = input.Vertex(12, 0, 0), l2 = input.Vertex(12, 1, 0);
    const auto l3 = input.Vertex(11, 1, 0), l4 = input.Vertex(11, 3, 0), l5 = input.Vertex(10, 3, 0);
    input.Face({l0, l1, l2, l3, l4, l5});
    ASSERT_EQ(input.FillInto(entities_), KV_SUCCESS);
    const auto faces = FaceRefs();
    ASSERT_EQ(faces.size(), 2u);
    EXPECT_EQ(LoopCount(faces[0]), 2u);
    EXPECT_DOUBLE_EQ(Area(faces[0]), 12.0);
    EXPECT_EQ(Triangles(faces[0]), 8u);
    EXPECT_DOUBLE_EQ(Area(faces[1]), 4.0);
    EXPECT_EQ(Triangles(faces[1]), 4u);
    EXPECT_EQ(Edges(), 8u + 6u);
}

TEST_F(FillTest, KeepsMaterialsAndTextureCoordinatesPerFace) {
    const KVMaterialRef red = AddMaterial("red");
    InputBuilder input;
    const auto a = input.Vertex(0, 0, 0), b = input.Vertex(1, 0, 0), c = input.Vertex(0, 1, 0), d = input.Vertex(1, 1, 0);
    const auto textured = input.Face({a, b, c});
    const auto plain = input.Face({b, d, c});
    const auto partial = input.Face({a, c, input.Vertex(-1, 0, 0)});
    input.Material(textured, red, {{c, {0, 1}}, {a, {0, 0}}, {b, {1, 0}}});
    input.Material(plain, red);
    input.Material(partial, red, {{a, {0, 0}}});  // not every corner has a coordinate
    ASSERT_EQ(input.FillInto(entities_), KV_SUCCESS);
    const auto faces = FaceRefs();
    ASSERT_EQ(faces.size(), 3u);
    bool isTextured = false;
    KVMaterialRef material{};
    EXPECT_EQ(KVFaceIsTextured(faces[0], &isTextured), KV_SUCCESS);
    EXPECT_TRUE(isTextured);
    EXPECT_EQ(KVFaceGetFrontMaterial(faces[0], &material), KV_SUCCESS);
    EXPECT_EQ(material.ptr, red.ptr);
    EXPECT_EQ(KVFaceIsTextured(faces[1], &isTextured), KV_SUCCESS);
    EXPECT_FALSE(isTextured);
    EXPECT_EQ(KVFaceIsTextured(faces[2], &isTextured), KV_SUCCESS);
    EXPECT_FALSE(isTextured);
}

TEST_F(FillTest, FaceWithoutMaterialReportsNoData) {
    InputBuilder input;
    input.Face({input.Vertex(0, 0, 0), input.Vertex(1, 0, 0), input.Vertex(0, 1, 0)});
    ASSERT_EQ(input.FillInto(entities_), KV_SUCCESS);
    KVMaterialRef material{};
    EXPECT_EQ(KVFaceGetFrontMaterial(FaceRefs()[0], &material), KV_ERROR_NO_DATA);
    EXPECT_FALSE(KV_IS_VALID(material));
}

TEST_F(FillTest, BoundingBoxCoversVerticesAndPlacedInstances) {
    KVBoundingBox3D box{};
    EXPECT_EQ(KVEntitiesGetBoundingBox(entities_, &box), KV_ERROR_NO_DATA);
    KVComponentDefinitionRef definition{};
    KVEntitiesRef inner{};
    ASSERT_EQ(KVComponentDefinitionCreate(&definition), KV_SUCCESS);
    ASSERT_EQ(KVModelAddComponentDefinitions(model_, 1, &definition), KV_SUCCESS);
    ASSERT_EQ(KVComponentDefinitionGetEntities(definition, &inner), KV_SUCCESS);
    InputBuilder input;
    input.Face({input.Vertex(0, 0, 0), input.Vertex(1, 0, 0), input.Vertex(0, 2, 3)});
    ASSERT_EQ(input.FillInto(inner), KV_SUCCESS);
    KVComponentInstanceRef instance{};
    ASSERT_EQ(KVComponentDefinitionCreateInstance(definition, &instance), KV_SUCCESS);
    ASSERT_EQ(KVEntitiesAddInstance(entities_, instance, nullptr), KV_SUCCESS);
    // Translation in values 13 to 15 (counting from 1), column-major.
    KVTransformation moved{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1}};
    ASSERT_EQ(KVComponentInstanceSetTransform(instance, &moved), KV_SUCCESS);
    ASSERT_EQ(KVEntitiesGetBoundingBox(entities_, &box), KV_SUCCESS);
    EXPECT_DOUBLE_EQ(box.min_point.x, 10.0);
    EXPECT_DOUBLE_EQ(box.min_point.y, 20.0);
    EXPECT_DOUBLE_EQ(box.max_point.y, 22.0);
    EXPECT_DOUBLE_EQ(box.max_point.z, 33.0);
}

}  // namespace
}  // namespace korvanta::test
