#include <gtest/gtest.h>

#include "ConverterFixture.h"

namespace hollin::importer::testing {
namespace {

namespace fs = std::filesystem;

using RealFileTest = ConverterTest;

TEST_F(RealFileTest, TexturedBoxesImportWithAllTexturesFoundEvenWithoutAProgressCallback) {
    progressCallback = nullptr;
    ASSERT_TRUE(Convert("/usr/share/assimp/models/3DS/test1.3ds"));
    EXPECT_EQ(Report(), "3ds Entities Imported\n\tMaterials:\t3\n\tNodes:\t9\n\tMeshes:\t9\n");
    ASSERT_EQ(Host().materials.size(), 3u);
    for (const RecordedMaterial& material : Host().materials) EXPECT_TRUE(fs::is_regular_file(material.texturePath));
    EXPECT_EQ(Host().materials[0].texturePath, "/usr/share/assimp/models/3DS/CWALL02.jpg");
}

// Each definition with faces holds exactly the points and faces of the mesh of its name.
TEST_F(RealFileTest, EveryInstalledSceneConvertsWithItsFaces) {
    std::vector<fs::path> files;
    for (const char* folder :
         {"/usr/share/assimp/models/3DS", "/usr/share/glmark2/models", "/usr/share/games/gl-117/models"}) {
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            if (entry.path().extension() == ".3ds" || entry.path().extension() == ".3DS") files.push_back(entry);
        }
    }
    ASSERT_GE(files.size(), 60u);
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        Host() = {};
        ASSERT_TRUE(Convert(file));
        EXPECT_EQ(Host().openGeometryInputs, 0u);

        Lib3dsFile* loaded = lib3ds_file_load(file.c_str());
        for (const RecordedDefinition& definition : Host().definitions) {
            if (definition.fills.empty()) continue;
            const Lib3dsMesh* mesh = lib3ds_file_mesh_by_name(loaded, definition.name.c_str());
            ASSERT_NE(mesh, nullptr) << definition.name;
            EXPECT_EQ(definition.fills[0].faces.size(), mesh->faces) << definition.name;
            EXPECT_EQ(definition.fills[0].vertices.size(), mesh->points) << definition.name;
        }
        lib3ds_file_free(loaded);
    }
}

}  // namespace
}  // namespace hollin::importer::testing
