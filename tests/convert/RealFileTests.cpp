#include <gtest/gtest.h>

#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "ConverterFixture.h"

namespace hollin::importer::testing {
namespace {

namespace fs = std::filesystem;

const char* const kRealModelFolders[] = {"/usr/share/assimp/models/3DS", "/usr/share/glmark2/models",
                                         "/usr/share/games/gl-117/models"};

std::vector<fs::path> RealSceneFiles() {
    std::vector<fs::path> files;
    for (const char* folder : kRealModelFolders) {
        std::error_code error;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
            std::string extension = entry.path().extension().string();
            std::transform(extension.begin(), extension.end(), extension.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (extension == ".3ds" && entry.is_regular_file()) files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

Lib3dsNode* FindObjectNode(Lib3dsNode* node, const std::string& name) {
    for (; node != nullptr; node = node->next) {
        if (node->type == LIB3DS_OBJECT_NODE && name == node->name) return node;
        if (Lib3dsNode* found = FindObjectNode(node->childs, name)) return found;
    }
    return nullptr;
}

// The mesh a definition was built from: the object node of that name names it
// by morph or by its own name; without such a node the definition is the mesh's.
Lib3dsMesh* MeshOfDefinition(Lib3dsFile* scene, const std::string& name, bool fromNodes) {
    if (fromNodes) {
        if (Lib3dsNode* node = FindObjectNode(scene->nodes, name)) {
            if (Lib3dsMesh* mesh = lib3ds_file_mesh_by_name(scene, node->data.object.morph)) return mesh;
        }
    }
    return lib3ds_file_mesh_by_name(scene, name.c_str());
}

class RealFileTest : public ConverterTest {};

TEST_F(RealFileTest, TexturedBoxesImportWithAllTexturesFound) {
    ASSERT_TRUE(Convert("/usr/share/assimp/models/3DS/test1.3ds"));
    EXPECT_EQ(Report(), "3ds Entities Imported\n\tMaterials:\t3\n\tNodes:\t9\n\tMeshes:\t9\n");
    ASSERT_EQ(Host().materials.size(), 3u);
    for (const RecordedMaterial& material : Host().materials) {
        ASSERT_TRUE(material.texturePath) << material.name;
        EXPECT_TRUE(fs::is_regular_file(*material.texturePath)) << *material.texturePath;
    }
    EXPECT_EQ(*Host().materials[0].texturePath, "/usr/share/assimp/models/3DS/CWALL02.jpg");
    EXPECT_EQ(Host().FilledFaceCount(), 9u * 12u);
}

TEST_F(RealFileTest, EveryInstalledSceneConvertsWithItsFaces) {
    const std::vector<fs::path> files = RealSceneFiles();
    ASSERT_GE(files.size(), 60u);
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        RecordingHostApi::Reset();
        progress = RecordingProgress{};
        ASSERT_TRUE(Convert(file));
        EXPECT_EQ(Host().savedPaths.size(), 1u);
        EXPECT_TRUE(Host().misuses.empty()) << Host().misuses.front();
        EXPECT_EQ(Host().geometryInputsCreated, Host().geometryInputsReleased);
        EXPECT_EQ(progress.Percents().back(), 99.0);

        Lib3dsFile* scene = lib3ds_file_load(file.c_str());
        ASSERT_NE(scene, nullptr);
        const bool fromNodes = converter->NodeCount() > 0 && converter->MeshCount() > 0;
        for (const RecordedDefinition& definition : Host().definitions) {
            if (definition.fills.empty()) continue;
            SCOPED_TRACE(definition.name);
            const Lib3dsMesh* mesh = MeshOfDefinition(scene, definition.name, fromNodes);
            ASSERT_NE(mesh, nullptr);
            EXPECT_EQ(definition.fills[0].faces.size(), mesh->faces);
            EXPECT_EQ(definition.fills[0].vertices.size(), mesh->points);
        }
        lib3ds_file_free(scene);
    }
}

}  // namespace
}  // namespace hollin::importer::testing
