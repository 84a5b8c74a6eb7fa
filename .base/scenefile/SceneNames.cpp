#include "scenefile/SceneNames.h"

#include <vector>

#include "scenefile/StoredText.h"

namespace hollin::importer {
namespace {

template <typename Value>
Value* Find(const std::unordered_map<std::string_view, Value*>& index, std::string_view name) {
    const auto found = index.find(name);
    return found == index.end() ? nullptr : found->second;
}

}  // namespace

SceneNames::SceneNames(const Lib3dsFile& scene) {
    // emplace keeps the first entry of a name, as the list walks of lib3ds do.
    for (Lib3dsMesh* mesh = scene.meshes; mesh != nullptr; mesh = mesh->next) meshes_.emplace(StoredName(mesh->name), mesh);
    for (Lib3dsMaterial* material = scene.materials; material != nullptr; material = material->next) {
        materials_.emplace(StoredName(material->name), material);
    }
    std::vector<const Lib3dsNode*> pending;
    for (const Lib3dsNode* node = scene.nodes; node != nullptr; node = node->next) pending.push_back(node);
    while (!pending.empty()) {
        const Lib3dsNode* node = pending.back();
        pending.pop_back();
        if (node->type == LIB3DS_OBJECT_NODE) {
            if (const Lib3dsMesh* mesh = MeshOfNode(*node)) ++nodesShowing_[mesh];
        }
        for (const Lib3dsNode* child = node->childs; child != nullptr; child = child->next) pending.push_back(child);
    }
}

Lib3dsMesh* SceneNames::Mesh(std::string_view name) const { return Find(meshes_, name); }

Lib3dsMaterial* SceneNames::Material(std::string_view name) const { return Find(materials_, name); }

std::uint32_t SceneNames::NodesShowing(const Lib3dsMesh* mesh) const {
    const auto found = nodesShowing_.find(mesh);
    return found == nodesShowing_.end() ? 0 : found->second;
}

Lib3dsMesh* SceneNames::MeshOfNode(const Lib3dsNode& node) const {
    Lib3dsMesh* mesh = Mesh(StoredName(node.data.object.morph));
    return mesh != nullptr ? mesh : Mesh(StoredName(node.name));
}

}  // namespace hollin::importer
