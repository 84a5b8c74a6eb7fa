#include <gtest/gtest.h>

#include <limits>

#include "ConverterFixture.h"
#include "convert/MaterialColor.h"

namespace hollin::importer::testing {
namespace {

TEST(MaterialColor, BytesTruncateAndClampInsteadOfWrapping) {
    const std::pair<float, int> cases[] = {{0.5f, 127}, {0.999f, 254}, {1.5f, 255}, {-0.2f, 0},
                                           {std::numeric_limits<float>::quiet_NaN(), 0}};
    for (const auto& [component, byte] : cases) EXPECT_EQ(ColorByte(component), byte) << component;
}

using MaterialTest = ConverterTest;

// The index in the model's list of each face's material, -1 for none.
std::vector<long> FaceMaterials(const Model& model, const Entities& entities) {
    std::vector<long> indices;
    for (const korvanta::Face& face : entities.faces) {
        const auto found = std::ranges::find(model.materials, face.frontMaterial, &std::unique_ptr<korvanta::Material>::get);
        indices.push_back(face.frontMaterial == nullptr ? -1 : found - model.materials.begin());
    }
    return indices;
}

TEST_F(MaterialTest, MaterialsReachTheHostAndTheFacesThatNameThem) {
    std::filesystem::copy_file(KV_ASSIMP_3DS_DIR "/IMAGE1.jpg", folder / "wood.jpg");
    scene.AddMaterial("paint", {1.0f, 0.5f, 0.0f}, 0.25f).AddMaterial("same", {1, 0, 0});
    scene.AddMaterial("same", {0, 0, 1}).AddMaterial("wood", {1, 1, 1}, 0.0f, "wood.jpg");
    scene.AddMesh(MeshData{"m",
                     {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                     {{2, 1, 0, "wood"}, {1, 2, 3, "wood"}, {0, 1, 2, "same"}, {0, 1, 2, "unknown"}, {0, 1, 2, ""}},
                     {{0.0f, 0.0f}, {0.25f, 0.5f}, {1.0f, 0.75f}}});
    scene.AddMesh(StripMesh("n", 1, "wood"));
    ASSERT_TRUE(ConvertScene());
    const Model model = Saved();

    const korvanta::Material& paint = *model.materials.at(0);
    EXPECT_EQ(paint.name, "paint");
    // lib3ds stores colours as bytes, so 0.5 comes back as 128 / 255.
    EXPECT_EQ((std::array<int, 4>{paint.color.red, paint.color.green, paint.color.blue, paint.color.alpha}),
              (std::array<int, 4>{255, 128, 0, 255}));
    EXPECT_EQ(paint.opacity, 0.75);
    ASSERT_NE(model.materials.at(3)->texture, nullptr);
    EXPECT_EQ(model.materials.at(3)->texture->fileName, "wood.jpg");

    // A later material of the same name takes the faces; unknown and empty names give none.
    const Entities& mesh = model.definitions.at(0)->entities;
    EXPECT_EQ(FaceMaterials(model, mesh), (std::vector<long>{3, 3, 2, -1, -1}));
    // Texture coordinates only for a textured material when every corner has a texel: point 3
    // has none, mesh n no texels at all. Corners in face order, each with the texel of its point.
    EXPECT_EQ(std::ranges::count(mesh.faces, true, &korvanta::Face::textured), 1);
    EXPECT_FALSE(model.definitions.at(1)->entities.faces.at(0).textured);
    const auto corners = mesh.CornersOf(mesh.LoopsOf(mesh.faces[0])[0]);
    ASSERT_EQ(corners.size(), 3u);
    EXPECT_EQ((std::array{corners[0].uv.u, corners[0].uv.v, corners[1].uv.u, corners[1].uv.v}),
              (std::array{1.0f, 0.75f, 0.25f, 0.5f}));
}

TEST_F(MaterialTest, TextureMissingOrRefusedGivesTextureThenMaterialErrorAndKeepsTheMaterial) {
    // Names with percent signs go into the texts as they are, never as formats.
    scene.AddMaterial("50%d wood", {1, 1, 1}, 0.0f, "%s.JPG").AddMesh(StripMesh("box", 2, "50%d wood"));
    const std::filesystem::path input = SaveScene();
    for (const bool fileExists : {false, true}) {
        SCOPED_TRACE(fileExists);
        Spy() = {};
        // A file that is no image, which the host refuses.
        if (fileExists) WriteFile(folder / "%s.jpg", "image");
        ASSERT_TRUE(Convert(input));
        EXPECT_EQ(Report(),
                  "3ds Entities Imported\n\tMaterials:\t1\n\tNodes:\t0\n\tMeshes:\t1\n"
                  "3ds Errors:\n\tCould not create texture: %s.JPG\n\tCould not create material: 50%d wood\n");
        EXPECT_EQ(CallCount("KVTextureCreateFromDescriptor"), fileExists ? 1 : 0);
        const Model model = Saved();
        EXPECT_EQ(model.materials.at(0)->texture, nullptr);
        EXPECT_EQ(FaceMaterials(model, model.definitions.at(0)->entities), (std::vector<long>{0, 0}));
    }
    EXPECT_EQ(progress.messages.at(3), "Parsing material 50%d wood...");
}

TEST_F(MaterialTest, MaterialRefusedByTheHostIsNotCountedAndItsFacesGetNone) {
    Spy().refuseNextMaterial = true;
    scene.AddMaterial("a").AddMaterial("b").AddMesh(StripMesh("box", 2, "a"));
    AddNode("box");
    ASSERT_TRUE(ConvertScene());
    EXPECT_EQ(Report(),
              "3ds Entities Imported\n\tMaterials:\t1\n\tNodes:\t1\n\tMeshes:\t1\n"
              "3ds Errors:\n\tCould not create material: a\n");
    const Model model = Saved();
    EXPECT_EQ(FaceMaterials(model, model.definitions.at(0)->entities), (std::vector<long>{-1, -1}));
}

}  // namespace
}  // namespace hollin::importer::testing
