#include <gtest/gtest.h>

#include <fstream>

#include "ConverterFixture.h"
#include "convert/ImportReport.h"
#include "l10n/LocalizedStrings.h"

namespace hollin::importer::testing {
namespace {

void TouchFile(const std::filesystem::path& path) { std::ofstream(path) << "image"; }

TEST(ImportReportFormat, CountsAndErrorSections) {
    EXPECT_EQ(FormatImportSummary(3, 9, 9).ToUtf8(),
              "3ds Entities Imported\n\tMaterials:\t3\n\tNodes:\t9\n\tMeshes:\t9\n");

    ImportErrorList none;
    EXPECT_TRUE(FormatErrorReport(none).IsEmpty());

    ImportErrorList errors{{Texture, Utf16String("100%s.JPG")}, {Material, Utf16String("50% grey")},
                           {OpenFile, Utf16String("")}};
    EXPECT_EQ(FormatErrorReport(errors).ToUtf8(),
              "3ds Errors:\n\tCould not create texture: 100%s.JPG\n\tCould not create material: 50% grey\n"
              "\tCould not open file: \n");
    EXPECT_TRUE(errors.empty());
}

TEST(ImportReportFormat, TranslatedMessageKeepsTheLineLayout) {
    auto& table = hollin::l10n::GetLocalizedStringTable();
    table[Utf16String("Could not open file")] = Utf16String("Datei nicht lesbar");
    ImportErrorList errors{{OpenFile, Utf16String("/x.3ds")}};
    const std::string report = FormatErrorReport(errors).ToUtf8();
    table.clear();
    EXPECT_EQ(report, "3ds Errors:\n\tDatei nicht lesbar: /x.3ds\n");
}

class ConversionReportTest : public ConverterTest {};

TEST_F(ConversionReportTest, MissingFileIsAFailedLoadWithOneError) {
    const std::filesystem::path missing = folder / "missing.3ds";
    EXPECT_FALSE(Convert(missing));
    EXPECT_EQ(Report(), "3ds Errors:\n\tCould not open file: " + missing.string() + "\n");
    EXPECT_EQ(Host().initializeCount, 1);
    EXPECT_EQ(Host().terminateCount, 1);
    EXPECT_EQ(Host().CallCount("KVModelCreate"), 0u);
    EXPECT_TRUE(Host().savedPaths.empty());
    EXPECT_EQ(progress.Percents(), (std::vector<double>{10.0, 99.0}));
    EXPECT_EQ(progress.Messages(), (std::vector<std::string>{"Parsing file...", "Cleaning up..."}));
}

TEST_F(ConversionReportTest, FolderOrNonSceneFileIsAFailedLoad) {
    EXPECT_FALSE(Convert(folder));
    std::ofstream(folder / "text.3ds") << "this is not a 3DS file at all";
    EXPECT_FALSE(Convert(folder / "text.3ds"));
    ASSERT_EQ(converter->Errors().size(), 1u);
    EXPECT_EQ(converter->Errors().front().kind, OpenFile);
}

TEST_F(ConversionReportTest, SuccessfulRunHasCountsOnly) {
    SceneWriter scene;
    scene.AddMaterial("red").AddMaterial("blue").AddMesh(StripMesh("box", 4, "red")).AddObjectNode("box");
    ASSERT_TRUE(Convert(Write(scene)));
    EXPECT_EQ(Report(), "3ds Entities Imported\n\tMaterials:\t2\n\tNodes:\t1\n\tMeshes:\t1\n");
}

TEST_F(ConversionReportTest, MissingTextureGivesTextureThenMaterialError) {
    SceneWriter scene;
    scene.AddMaterial("wood", {1.0f, 1.0f, 1.0f, 1.0f}, 0.0f, "WOOD.JPG").AddMesh(StripMesh("box", 2, "wood"));
    ASSERT_TRUE(Convert(Write(scene)));
    EXPECT_EQ(Report(),
              "3ds Entities Imported\n\tMaterials:\t1\n\tNodes:\t0\n\tMeshes:\t1\n"
              "3ds Errors:\n\tCould not create texture: WOOD.JPG\n\tCould not create material: wood\n");
    // The material stays in the model and on its faces, without a texture.
    ASSERT_EQ(Host().materials.size(), 1u);
    EXPECT_TRUE(Host().materials[0].addedToModel);
    EXPECT_FALSE(Host().materials[0].texturePath);
    ASSERT_EQ(Host().definitions.size(), 1u);
    EXPECT_EQ(Host().definitions[0].fills.at(0).frontMaterials.size(), 2u);
}

TEST_F(ConversionReportTest, TextureRefusedByTheHostIsReportedLikeAMissingOne) {
    TouchFile(folder / "wood.jpg");
    Host().failTextureCreates = true;
    SceneWriter scene;
    scene.AddMaterial("wood", {1.0f, 1.0f, 1.0f, 1.0f}, 0.0f, "WOOD.JPG");
    ASSERT_TRUE(Convert(Write(scene)));
    EXPECT_EQ(Host().textureRequests, std::vector<std::string>{(folder / "wood.jpg").string()});
    ASSERT_EQ(converter->Errors().size(), 2u);
    EXPECT_EQ(converter->Errors().front().kind, Texture);
    EXPECT_EQ(converter->Errors().back().kind, Material);
    EXPECT_EQ(converter->Errors().back().name.ToUtf8(), "wood");
}

TEST_F(ConversionReportTest, MaterialRefusedByTheHostIsNotCountedAndItsFacesGetNone) {
    Host().failingMaterialCreates = {0};
    SceneWriter scene;
    scene.AddMaterial("a").AddMaterial("b").AddMesh(StripMesh("box", 2, "a")).AddObjectNode("box");
    ASSERT_TRUE(Convert(Write(scene)));
    EXPECT_EQ(Report(),
              "3ds Entities Imported\n\tMaterials:\t1\n\tNodes:\t1\n\tMeshes:\t1\n"
              "3ds Errors:\n\tCould not create material: a\n");
    ASSERT_EQ(Host().definitions.size(), 1u);
    EXPECT_TRUE(Host().definitions[0].fills.at(0).frontMaterials.empty());
}

TEST_F(ConversionReportTest, NamesWithPercentSignsAreWrittenUnchanged) {
    SceneWriter scene;
    scene.AddMaterial("50%d grey", {0.5f, 0.5f, 0.5f, 1.0f}, 0.0f, "%s.JPG");
    ASSERT_TRUE(Convert(Write(scene)));
    EXPECT_EQ(Report(),
              "3ds Entities Imported\n\tMaterials:\t1\n\tNodes:\t0\n\tMeshes:\t0\n"
              "3ds Errors:\n\tCould not create texture: %s.JPG\n\tCould not create material: 50%d grey\n");
    EXPECT_EQ(progress.Messages().at(3), "Parsing material 50%d grey...");
}

}  // namespace
}  // namespace hollin::importer::testing
