#include <gtest/gtest.h>

#include <lib3ds/file.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>

#include <filesystem>
#include <map>

#include "GltfValidator.h"
#include "ModelFile.h"
#include "TestModels.h"

namespace korvanta::test {
namespace {

// Real 3DS scenes, turned into models the plain way (a definition of
// triangle faces per mesh, placed once), give the file realistic sizes,
// degenerate triangles and odd names.
Model ModelFrom3ds(const Lib3dsFile& file) {
    Model model;
    std::map<std::string, Material*> materials;
    for (const Lib3dsMaterial* m = file.materials; m != nullptr; m = m->next) {
        const auto channel = [m](int c) { return static_cast<std::uint8_t>(m->diffuse[c] * 255); };
        materials[m->name] = &AddMaterial(model, m->name, {channel(0), channel(1), channel(2), 255}, 1.0 - m->transparency);
    }
    for (const Lib3dsMesh* mesh = file.meshes; mesh != nullptr; mesh = mesh->next) {
        ComponentDefinition& definition = AddDefinition(model, mesh->name);
        for (Lib3dsDword i = 0; i < mesh->points; ++i) {
            AddVertex(definition.entities, {mesh->pointL[i].pos[0], mesh->pointL[i].pos[1], mesh->pointL[i].pos[2]});
        }
        for (Lib3dsDword f = 0; f < mesh->faces; ++f) {
            const Lib3dsFace& face = mesh->faceL[f];
            const auto material = materials.find(face.material);
            AddFace(definition.entities, {{face.points[0], face.points[1], face.points[2]}}, {{face.points[0], face.points[1], face.points[2]}},
                    material == materials.end() ? nullptr : material->second, mesh->texels == mesh->points && mesh->texels > 0);
        }
        AddInstance(model.entities, definition, Translation(0, 0, 0), mesh->name);
    }
    AddLoopEdges(model);
    return model;
}

// What is saved reads back the same, and every file is a glTF the Khronos
// validator accepts without a single error.
TEST(ModelFile, ReadsBackEqualAndValidates) {
    std::vector<std::pair<std::string, Model>> models;
    models.emplace_back("rich", MakeRichModel());
    models.emplace_back("empty", Model{});
    for (const char* folder : {KV_ASSIMP_3DS_DIR, "/usr/share/glmark2/models", "/usr/share/games/gl-117/models"}) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (entry.path().extension() != ".3ds" && entry.path().extension() != ".3DS") continue;
            if (Lib3dsFile* file = lib3ds_file_load(entry.path().c_str())) {
                models.emplace_back(entry.path(), ModelFrom3ds(*file));
                lib3ds_file_free(file);
            }
        }
    }
    ASSERT_GE(models.size(), 12u) << "the real 3DS files come from assimp-testmodels, glmark2-data and gl-117-data";
    TemporaryFolder folder;
    std::vector<std::filesystem::path> files;
    for (const auto& [name, model] : models) {
        files.push_back(folder / (std::to_string(files.size()) + ".kvm"));
        ASSERT_EQ(SaveModelFile(model, files.back()), KV_SUCCESS) << name;
        Model loaded;
        ASSERT_EQ(LoadModelFile(files.back(), loaded), KV_SUCCESS) << name;
        EXPECT_EQ(Describe(loaded), Describe(model)) << name;
    }
    EXPECT_EQ(GltfValidatorErrors(files), "");
}

// A name that reached the model without the API's decoding is still written,
// read as Windows-1252, and is no reason for the save to fail.
TEST(ModelFile, WritesNamesThatAreNotUtf8) {
    Model model;
    AddMaterial(model, "\xFF", {1, 2, 3, 255});
    ComponentDefinition& definition = AddDefinition(model, "D\xE9" "fault");
    AddBox(definition.entities, {1, 1, 1});
    AddInstance(model.entities, definition, Translation(0, 0, 0), "\x80");
    const TemporaryFolder folder;
    ASSERT_EQ(SaveModelFile(model, folder / "names.kvm"), KV_SUCCESS);
    Model loaded;
    ASSERT_EQ(LoadModelFile(folder / "names.kvm", loaded), KV_SUCCESS);
    EXPECT_EQ(loaded.materials.at(0)->name, "\xC3\xBF");
    EXPECT_EQ(loaded.definitions.at(0)->name, "D\xC3\xA9" "fault");
    EXPECT_EQ(loaded.entities.instances.at(0)->name, "\xE2\x82\xAC");
}

}  // namespace
}  // namespace korvanta::test
