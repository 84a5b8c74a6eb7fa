#include "FileFaceCount.h"

#include <memory>
#include <vector>

#include <lib3ds/file.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

namespace plugin_tests {

std::optional<std::size_t> FacesHandedToHost(const std::filesystem::path& file) {
    const std::unique_ptr<Lib3dsFile, decltype(&lib3ds_file_free)> scene(lib3ds_file_load(file.c_str()),
                                                                         &lib3ds_file_free);
    if (!scene) return std::nullopt;

    std::size_t faces = 0;
    bool placedMeshWithPoints = false;
    std::vector<Lib3dsNode*> pending;
    for (Lib3dsNode* node = scene->nodes; node != nullptr; node = node->next) pending.push_back(node);
    while (!pending.empty()) {
        Lib3dsNode* node = pending.back();
        pending.pop_back();
        for (Lib3dsNode* child = node->childs; child != nullptr; child = child->next) pending.push_back(child);
        if (node->type != LIB3DS_OBJECT_NODE) continue;
        Lib3dsMesh* mesh = lib3ds_file_mesh_by_name(scene.get(), node->data.object.morph);
        if (mesh == nullptr) mesh = lib3ds_file_mesh_by_name(scene.get(), node->name);
        if (mesh == nullptr) continue;
        faces += mesh->faces;
        if (mesh->points > 0) placedMeshWithPoints = true;
    }
    if (!placedMeshWithPoints) {
        for (const Lib3dsMesh* mesh = scene->meshes; mesh != nullptr; mesh = mesh->next) faces += mesh->faces;
    }
    return faces;
}

}  // namespace plugin_tests
