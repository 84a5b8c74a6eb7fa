#include <gtest/gtest.h>

#include <fstream>

#include "ConverterFixture.h"
#include "convert/MaterialColor.h"

namespace hollin::importer::testing {
namespace {

MeshSpec OneTriangle(const std::string& name, std::array<float, 3> corner, const std::string& material = {}) {
    return MeshSpec{name, {corner, {0.0f, 1.0f, 0.0f}, {1.0f, 1.0f, 0.0f}}, {{0, 1, 2, material}}, {}, {}};
}

class UnitsTest : public ConverterTest {};

TEST_F(UnitsTest, UnitFactorsAreComputedInDoubleAndStoredInFloat) {
    EXPECT_EQ(C3DSImporter::GetUnitScale(1, 7.0f), 1.0f);
    EXPECT_EQ(C3DSImporter::GetUnitScale(5, 7.0f), static_cast<float>(0.03937));
    EXPECT_EQ(C3DSImporter::GetUnitScale(7, 7.0f), static_cast<float>(39.37));
    EXPECT_EQ(C3DSImporter::GetUnitScale(8, 7.0f), static_cast<float>(39370.079));
    EXPECT_NE(C3DSImporter::GetUnitScale(8, 7.0f), 39370.0f);
    for (const int unknown : {0, 9, -1}) EXPECT_EQ(C3DSImporter::GetUnitScale(unknown, 7.0f), 7.0f) << unknown;
}

TEST_F(UnitsTest, MetersScaleVerticesInSinglePrecision) {
    SceneWriter scene;
    scene.AddMesh(OneTriangle("t", {1.0f, 3.0f, -0.1f}));
    ASSERT_TRUE(Convert(Write(scene), 7));
    const KVPoint3D first = Host().definitions.at(0).fills.at(0).vertices.at(0);
    EXPECT_EQ(first.x, static_cast<double>(39.37f));
    EXPECT_EQ(first.y, static_cast<double>(3.0f * 39.37f));
    EXPECT_EQ(first.z, static_cast<double>(-0.1f * 39.37f));
}

TEST_F(UnitsTest, ModelUnitsAndUnknownOptionsUseTheMasterScale) {
    SceneWriter scene;
    scene.MasterScale(2.5f).AddMesh(OneTriangle("t", {2.0f, 0.0f, 0.0f}));
    const std::filesystem::path input = Write(scene);
    for (const int units : {0, 9, -1}) {
        SCOPED_TRACE(units);
        RecordingHostApi::Reset();
        ASSERT_TRUE(Convert(input, units));
        EXPECT_EQ(Host().definitions.at(0).fills.at(0).vertices.at(0).x, 5.0);
    }
}

TEST_F(UnitsTest, InstanceTranslationFollowsTheUnitsAndNothingElseIsScaled) {
    SceneWriter scene;
    MeshSpec mesh = OneTriangle("t", {0.0f, 0.0f, 0.0f});
    mesh.translation = {1.0f, 2.0f, -3.0f};
    scene.AddMesh(mesh);
    ASSERT_TRUE(Convert(Write(scene), 2));
    ASSERT_EQ(Host().instances.size(), 1u);
    const KVTransformation transform = Host().instances[0].transform.value();
    const double expected[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 12, 24, -36, 1};
    for (std::size_t index = 0; index < 16; ++index) EXPECT_EQ(transform.values[index], expected[index]) << index;
}

TEST_F(UnitsTest, NodeInstancesTakeTheNodeMatrixAsLoaded) {
    SceneWriter scene;
    scene.AddMesh(OneTriangle("t", {0.0f, 0.0f, 0.0f})).AddObjectNode("t");
    ASSERT_TRUE(Convert(Write(scene), 2));
    ASSERT_EQ(Host().instances.size(), 1u);
    const KVTransformation transform = Host().instances[0].transform.value();
    for (std::size_t index = 0; index < 16; ++index) {
        EXPECT_EQ(transform.values[index], index % 5 == 0 ? 1.0 : 0.0) << index;
    }
}

class MaterialTest : public ConverterTest {};

TEST_F(MaterialTest, ColourOpacityAndNameReachTheHost) {
    SceneWriter scene;
    scene.AddMaterial("paint", {1.0f, 0.5f, 0.0f, 1.0f}, 0.25f);
    ASSERT_TRUE(Convert(Write(scene)));
    ASSERT_EQ(Host().materials.size(), 1u);
    const RecordedMaterial& material = Host().materials[0];
    EXPECT_EQ(material.name, "paint");
    ASSERT_TRUE(material.color);
    EXPECT_EQ(material.color->red, 255);
    // lib3ds writes colours as bytes, rounding 0.5 up to 128 / 255.
    EXPECT_EQ(material.color->green, 128);
    EXPECT_EQ(material.color->blue, 0);
    EXPECT_EQ(material.color->alpha, 255);
    EXPECT_EQ(material.opacity, 0.75);
    EXPECT_TRUE(material.addedToModel);
}

TEST_F(MaterialTest, ColourBytesTruncateAndClampInsteadOfWrapping) {
    EXPECT_EQ(ColorByte(0.5f), 127);
    EXPECT_EQ(ColorByte(0.999f), 254);
    EXPECT_EQ(ColorByte(1.0f), 255);
    EXPECT_EQ(ColorByte(1.5f), 255);
    EXPECT_EQ(ColorByte(-0.2f), 0);
    EXPECT_EQ(ColorByte(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(ColorByte(std::numeric_limits<float>::infinity()), 255);
}

TEST_F(MaterialTest, LaterMaterialOfTheSameNameTakesTheFaces) {
    SceneWriter scene;
    scene.AddMaterial("same", {1.0f, 0.0f, 0.0f, 1.0f}).AddMaterial("same", {0.0f, 0.0f, 1.0f, 1.0f});
    scene.AddMesh(StripMesh("m", 3, "same"));
    ASSERT_TRUE(Convert(Write(scene)));
    ASSERT_EQ(Host().materials.size(), 2u);
    EXPECT_EQ(converter->MaterialCount(), 2);
    const RecordedFill& fill = Host().definitions.at(0).fills.at(0);
    ASSERT_EQ(fill.frontMaterials.size(), 3u);
    for (const auto& [face, record] : fill.frontMaterials) EXPECT_EQ(Host().MaterialIndex(record.material), 1u);
}

TEST_F(MaterialTest, UnknownOrEmptyFaceMaterialLeavesTheFaceWithout) {
    SceneWriter scene;
    scene.AddMaterial("known");
    MeshSpec mesh = StripMesh("m", 3, "known");
    mesh.faces[1].material = "unknown";
    mesh.faces[2].material = "";
    scene.AddMesh(mesh);
    ASSERT_TRUE(Convert(Write(scene)));
    const RecordedFill& fill = Host().definitions.at(0).fills.at(0);
    ASSERT_EQ(fill.frontMaterials.size(), 1u);
    EXPECT_EQ(fill.frontMaterials.begin()->first, 0u);
}

class FaceTest : public ConverterTest {};

TEST_F(FaceTest, VerticesAndFacesArePassedInStoredOrderInOneWeldedFill) {
    SceneWriter scene;
    scene.AddMesh(MeshSpec{"m",
                           {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                           {{0, 1, 2, ""}, {2, 3, 0, ""}, {0, 0, 3, ""}},
                           {},
                           {}});
    ASSERT_TRUE(Convert(Write(scene)));
    ASSERT_EQ(Host().definitions.size(), 1u);
    ASSERT_EQ(Host().definitions[0].fills.size(), 1u);
    const RecordedFill& fill = Host().definitions[0].fills[0];
    EXPECT_TRUE(fill.weldVertices);
    EXPECT_EQ(fill.vertices.size(), 4u);
    EXPECT_EQ(fill.vertices[2].x, 1.0);
    EXPECT_EQ(fill.vertices[2].y, 1.0);
    // Degenerate faces go to the host unchanged; it decides what to skip.
    EXPECT_EQ(fill.faces, (std::vector<std::vector<std::size_t>>{{0, 1, 2}, {2, 3, 0}, {0, 0, 3}}));
    EXPECT_EQ(Host().CallCount("KVGeometryInputCreate"), 1u);
    EXPECT_EQ(Host().geometryInputsReleased, 1u);
    EXPECT_TRUE(Host().misuses.empty());
}

TEST_F(FaceTest, TexturedFacesCarryTexelsOnlyWhenEveryCornerHasOne) {
    std::ofstream(folder / "wood.jpg") << "image";
    SceneWriter scene;
    scene.AddMaterial("wood", {1, 1, 1, 1}, 0.0f, "wood.jpg").AddMaterial("plain");
    MeshSpec mesh{"m",
                  {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                  {{2, 1, 0, "wood"}, {1, 2, 3, "wood"}, {0, 1, 2, "plain"}},
                  {{0.0f, 0.0f}, {0.25f, 0.5f}, {1.0f, 0.75f}},
                  {}};
    scene.AddMesh(mesh);
    ASSERT_TRUE(Convert(Write(scene)));
    const RecordedFill& fill = Host().definitions.at(0).fills.at(0);
    ASSERT_EQ(fill.frontMaterials.size(), 3u);

    const KVMaterialInput& textured = fill.frontMaterials.at(0);
    EXPECT_EQ(textured.num_uv_coords, 3u);
    EXPECT_EQ(textured.vertex_indices[0], 2u);
    EXPECT_EQ(textured.vertex_indices[1], 1u);
    EXPECT_EQ(textured.vertex_indices[2], 0u);
    EXPECT_EQ(textured.vertex_indices[3], 0u);
    EXPECT_EQ(textured.uv_coords[0][0], 1.0);
    EXPECT_EQ(textured.uv_coords[0][1], 0.75);
    EXPECT_EQ(textured.uv_coords[1][0], 0.25);
    EXPECT_EQ(textured.uv_coords[1][1], 0.5);
    EXPECT_EQ(textured.uv_coords[3][0], 0.0);

    // Vertex 3 has no texel: the face keeps its material but no coordinates.
    EXPECT_EQ(fill.frontMaterials.at(1).num_uv_coords, 0u);
    EXPECT_EQ(fill.frontMaterials.at(1).vertex_indices[0], 0u);
    EXPECT_EQ(fill.frontMaterials.at(2).num_uv_coords, 0u);
}

TEST_F(FaceTest, TexturedMaterialOnMeshWithoutTexelsGivesNoCoordinates) {
    std::ofstream(folder / "wood.jpg") << "image";
    SceneWriter scene;
    scene.AddMaterial("wood", {1, 1, 1, 1}, 0.0f, "wood.jpg").AddMesh(StripMesh("m", 2, "wood"));
    ASSERT_TRUE(Convert(Write(scene)));
    const RecordedFill& fill = Host().definitions.at(0).fills.at(0);
    ASSERT_EQ(fill.frontMaterials.size(), 2u);
    EXPECT_EQ(fill.frontMaterials.at(0).num_uv_coords, 0u);
    EXPECT_EQ(Host().MaterialIndex(fill.frontMaterials.at(0).material), 0u);
}

TEST_F(FaceTest, MeshWithPointsButNoFacesCountsAndFillsVerticesOnly) {
    SceneWriter scene;
    scene.AddMesh(MeshSpec{"dots", {{0, 0, 0}, {1, 0, 0}}, {}, {}, {}});
    ASSERT_TRUE(Convert(Write(scene)));
    EXPECT_EQ(converter->MeshCount(), 1);
    const RecordedFill& fill = Host().definitions.at(0).fills.at(0);
    EXPECT_EQ(fill.vertices.size(), 2u);
    EXPECT_TRUE(fill.faces.empty());
    for (const std::string& message : progress.Messages()) EXPECT_EQ(message.find("Building mesh"), std::string::npos);
}

TEST_F(FaceTest, MergeRunsOnlyWhenChosenAndBeforeTheSave) {
    SceneWriter scene;
    scene.AddMesh(StripMesh("m", 2));
    const std::filesystem::path input = Write(scene);
    ASSERT_TRUE(Convert(input, 1, false));
    EXPECT_EQ(Host().mergeCount, 0);

    RecordingHostApi::Reset();
    ASSERT_TRUE(Convert(input, 1, true));
    const std::vector<std::string>& calls = Host().calls;
    const auto merge = std::find(calls.begin(), calls.end(), "KVModelMergeCoplanarFaces");
    ASSERT_NE(merge, calls.end());
    EXPECT_EQ(std::vector<std::string>(merge, calls.end()),
              (std::vector<std::string>{"KVModelMergeCoplanarFaces", "KVModelSaveToFile", "KVModelRelease",
                                        "KVTerminate"}));
    EXPECT_EQ(Host().savedPaths, std::vector<std::string>{output.string()});
}

}  // namespace
}  // namespace hollin::importer::testing
