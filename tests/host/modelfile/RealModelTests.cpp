#include <gtest/gtest.h>

#include <lib3ds/file.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>

#include <filesystem>
#include <map>

#include "GltfValidator.h"
#include "ModelEquality.h"
#include "ModelFile.h"
#include "TestModels.h"

namespace korvanta::test {
namespace {

// Real 3DS scenes, turned into models the plain way (a definition of
// triangle faces per mesh, one instance each), give the file realistic
// sizes, degenerate triangles and odd names.
Model ModelFrom3ds(Lib3dsFile& file) {
    Model model;
    std::map<std::string, Material*> materials;
    for (Lib3dsMaterial* source = file.materials; source != nullptr; source = source->next) {
        Material& material = AddMaterial(model, source->name,
                                         {static_cast<std::uint8_t>(source->diffuse[0] * 255),
                                          static_cast<std::uint8_t>(source->diffuse[1] * 255),
                                          static_cast<std::uint8_t>(source->diffuse[2] * 255), 255},
                                         1.0 - source->transparency);
        materials[source->name] = &material;
    }
    for (Lib3dsMesh* mesh = file.meshes; mesh != nullptr; mesh = mesh->next) {
        ComponentDefinition& definition = AddDefinition(model, mesh->name);
        Entities& entities = definition.entities;
        for (Lib3dsDword i = 0; i < mesh->points; ++i) {
            entities.vertices.push_back({mesh->pointL[i].pos[0], mesh->pointL[i].pos[1], mesh->pointL[i].pos[2]});
        }
        for (Lib3dsDword f = 0; f < mesh->faces; ++f) {
            const Lib3dsFace& source = mesh->faceL[f];
            Face face;
            const auto found = materials.find(source.material);
            face.frontMaterial = found == materials.end() ? nullptr : found->second;
            face.textured = mesh->texels == mesh->points && mesh->texels > 0;
            Triangle triangle;
            for (int c = 0; c < 3; ++c) {
                triangle.corners[c].vertex = source.points[c];
                if (face.textured) triangle.corners[c].uv = {mesh->texelL[source.points[c]][0], mesh->texelL[source.points[c]][1]};
            }
            face.loops = {{{triangle.corners[0], triangle.corners[1], triangle.corners[2]}}};
            face.triangles = {triangle};
            entities.faces.push_back(std::move(face));
        }
        AddInstance(model.entities, definition, Translation(0, 0, 0), mesh->name);
    }
    return model;
}

std::vector<std::filesystem::path> Real3dsFiles() {
    std::vector<std::filesystem::path> files;
    for (const char* folder : {KV_ASSIMP_3DS_DIR, "/usr/share/glmark2/models", "/usr/share/games/gl-117/models"}) {
        if (!std::filesystem::is_directory(folder)) continue;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            auto extension = entry.path().extension().string();
            for (auto& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (extension == ".3ds") files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(RealModels, ReadBackEqualAndPassTheValidator) {
    TemporaryFolder folder;
    std::vector<std::filesystem::path> saved;
    for (const auto& path : Real3dsFiles()) {
        Lib3dsFile* file = lib3ds_file_load(path.c_str());
        if (file == nullptr) continue;
        const Model model = ModelFrom3ds(*file);
        lib3ds_file_free(file);

        const auto target = folder / (path.stem().string() + std::to_string(saved.size()) + ".kvm");
        ASSERT_EQ(SaveModelFile(model, target), KV_SUCCESS) << path;
        Model loaded;
        ASSERT_EQ(LoadModelFile(target, loaded), KV_SUCCESS) << path;
        SCOPED_TRACE(path.string());
        ExpectModelsEqual(model, loaded);
        saved.push_back(target);
    }
    ASSERT_GE(saved.size(), 10u) << "the real 3DS files come from assimp-testmodels, glmark2-data and gl-117-data";
    const ValidatorRun run = RunGltfValidator(saved);
    EXPECT_TRUE(run.passed) << run.report;
}

}  // namespace
}  // namespace korvanta::test
