#include "ViewSceneCheck.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace korvanta {

namespace {

bool Names(int index, std::size_t count) {
    return index >= 0 && static_cast<std::size_t>(index) < count;
}

std::string Element(const char* kind, std::size_t index, const char* fault) {
    return std::string(kind) + " " + std::to_string(index) + ": " + fault;
}

template <typename Index>
bool IndicesNameVertices(const std::vector<std::byte>& indices, std::size_t vertexCount) {
    for (std::size_t at = 0; at + sizeof(Index) <= indices.size(); at += sizeof(Index)) {
        Index index = 0;
        std::memcpy(&index, indices.data() + at, sizeof(Index));
        if (index >= vertexCount) return false;
    }
    return true;
}

std::string CheckNodes(const ViewScene& scene) {
    for (std::size_t i = 0; i < scene.nodes.size(); ++i) {
        const ViewNode& node = scene.nodes[i];
        if (node.mesh != -1 && !Names(node.mesh, scene.meshes.size())) {
            return Element("node", i, "its mesh is none of the scene's");
        }
        if (node.firstChild < 0 || node.childCount < 0 ||
            static_cast<std::size_t>(node.firstChild) + static_cast<std::size_t>(node.childCount) > scene.children.size()) {
            return Element("node", i, "its children lie outside the children list");
        }
    }
    for (std::size_t i = 0; i < scene.children.size(); ++i) {
        if (!Names(scene.children[i], scene.nodes.size())) return Element("child", i, "is no node");
    }
    std::vector<bool> reached(scene.nodes.size(), false);
    std::vector<std::size_t> placed(scene.meshes.size(), 0);
    std::vector<int> pending;
    for (std::size_t i = 0; i < scene.roots.size(); ++i) {
        if (!Names(scene.roots[i], scene.nodes.size())) return Element("root", i, "is no node");
        pending.push_back(scene.roots[i]);
    }
    while (!pending.empty()) {
        const auto index = static_cast<std::size_t>(pending.back());
        pending.pop_back();
        if (reached[index]) return Element("node", index, "is reached twice from the roots");
        reached[index] = true;
        const ViewNode& node = scene.nodes[index];
        if (node.mesh >= 0 && !scene.meshes[static_cast<std::size_t>(node.mesh)].parts.empty()) {
            ++placed[static_cast<std::size_t>(node.mesh)];
        }
        for (const int child : scene.ChildrenOf(node)) pending.push_back(child);
    }
    for (std::size_t i = 0; i < scene.meshes.size(); ++i) {
        const ViewMesh& mesh = scene.meshes[i];
        if (mesh.placements.size() != placed[i] * ViewMesh::kPlacementFloats) {
            return Element("mesh", i, "has other placements than the tree places it");
        }
        for (const float value : mesh.placements) {
            if (!std::isfinite(value)) return Element("mesh", i, "has a placement that is not a number");
        }
    }
    return {};
}

std::string CheckMesh(const ViewMesh& mesh, std::size_t i, std::size_t materials) {
    if (!mesh.vertices || !mesh.indices) return Element("mesh", i, "has no arrays");
    if (mesh.parts.empty()) return Element("mesh", i, "has no parts");
    const std::size_t indexBytes = mesh.wideIndices ? 4 : 2;
    if (mesh.indices->size() % indexBytes != 0) return Element("mesh", i, "has a part of an index");
    for (const ViewMesh::Part& part : mesh.parts) {
        if (part.material != -1 && !Names(part.material, materials)) return Element("mesh", i, "has a part of no material");
        if (part.firstIndex < 0 || part.indexCount <= 0 || part.indexCount % 3 != 0 ||
            (static_cast<std::size_t>(part.firstIndex) + static_cast<std::size_t>(part.indexCount)) * indexBytes >
                mesh.indices->size()) {
            return Element("mesh", i, "has a part that is not whole triangles within its indices");
        }
    }
    if (mesh.vertices->size() % mesh.Stride() != 0) return Element("mesh", i, "has a part of a vertex");
    const std::size_t vertexCount = mesh.vertices->size() / mesh.Stride();
    const bool named = mesh.wideIndices ? IndicesNameVertices<std::uint32_t>(*mesh.indices, vertexCount)
                                        : IndicesNameVertices<std::uint16_t>(*mesh.indices, vertexCount);
    return named ? std::string() : Element("mesh", i, "has an index past its vertices");
}

}  // namespace

std::string CheckViewScene(const ViewScene& scene) {
    if (std::string fault = CheckNodes(scene); !fault.empty()) return fault;
    for (std::size_t i = 0; i < scene.materials.size(); ++i) {
        const int texture = scene.materials[i].texture;
        if (texture != -1 && !Names(texture, scene.textures.size())) {
            return Element("material", i, "its texture is none of the scene's");
        }
    }
    for (std::size_t i = 0; i < scene.textures.size(); ++i) {
        const int image = scene.textures[i].image;
        if (image != -1 && !Names(image, scene.images.size())) return Element("texture", i, "its image is none of the scene's");
    }
    for (std::size_t i = 0; i < scene.meshes.size(); ++i) {
        if (std::string fault = CheckMesh(scene.meshes[i], i, scene.materials.size()); !fault.empty()) return fault;
    }
    return {};
}

}  // namespace korvanta
