#include "scenefile/ImportMemory.h"

#include <lib3ds/node.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace hollin::importer {
namespace {

// The scene and the model in memory while the meshes are built one after
// another, each freed once its last copy is built.
class BuildSimulation {
public:
    explicit BuildSimulation(std::uint64_t sceneBytes) : scene_(sceneBytes), most_(sceneBytes) {}

    void Build(const CheckedMesh& mesh, bool lastCopy) {
        faces_ += mesh.faces;
        model_ += std::uint64_t{mesh.faces} * kImportBytesPerFace;
        most_ = std::max(most_, scene_ + model_);
        if (lastCopy) scene_ -= std::min(scene_, mesh.bytes);
    }

    ImportDemand Demand() const { return {faces_, kImportBaseBytes + most_}; }

private:
    std::uint64_t scene_;
    std::uint64_t model_ = 0;
    std::uint64_t most_;
    std::uint64_t faces_ = 0;
};

}  // namespace

ImportDemand ImportDemandOf(std::span<const CheckedMesh> meshes, const NodeLinks& nodes, std::uint64_t sceneBytes) {
    std::unordered_map<std::string_view, const CheckedMesh*> byName;
    for (const CheckedMesh& mesh : meshes) byName.emplace(std::string_view(mesh.name.data()), &mesh);
    const auto find = [&byName](std::string_view name) -> const CheckedMesh* {
        const auto found = byName.find(name);
        return found == byName.end() ? nullptr : found->second;
    };
    const CheckedMesh* morphMesh = find({});
    const auto meshOf = [&](const NodeLinks::Node& node) -> const CheckedMesh* {
        if (node.type != LIB3DS_OBJECT_NODE) return nullptr;
        return morphMesh != nullptr ? morphMesh : find(node.name.data());
    };

    std::unordered_map<const CheckedMesh*, std::uint32_t> copiesLeft;
    bool nodeBuildsPoints = false;
    nodes.ForEachInTreeOrder([&](const NodeLinks::Node& node) {
        if (const CheckedMesh* mesh = meshOf(node)) {
            ++copiesLeft[mesh];
            nodeBuildsPoints = nodeBuildsPoints || mesh->points != 0;
        }
    });
    BuildSimulation simulation(sceneBytes);
    nodes.ForEachInTreeOrder([&](const NodeLinks::Node& node) {
        const CheckedMesh* mesh = meshOf(node);
        // A mesh without points is never freed.
        if (mesh != nullptr) simulation.Build(*mesh, --copiesLeft[mesh] == 0 && mesh->points != 0);
    });
    if (!nodeBuildsPoints) {
        // lib3ds keeps its meshes sorted by name, later ones after earlier ones of the same name.
        std::vector<const CheckedMesh*> listed;
        for (const CheckedMesh& mesh : meshes) listed.push_back(&mesh);
        std::stable_sort(listed.begin(), listed.end(), [](const CheckedMesh* a, const CheckedMesh* b) {
            return std::strcmp(a->name.data(), b->name.data()) < 0;
        });
        for (const CheckedMesh* mesh : listed) simulation.Build(*mesh, true);
    }
    return simulation.Demand();
}

}  // namespace hollin::importer
