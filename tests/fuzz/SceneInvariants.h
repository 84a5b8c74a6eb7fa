#pragma once

// What kvstudio's view relies on when it makes its objects from a scene it
// read (ModelScene.h): checked by the fuzz targets on every scene a file gives.

#include <cstddef>
#include <cstring>

#include "ModelScene.h"

namespace kvtest {

// Images of a scene fuzzed are decoded within this, as the view decodes them within its own.
inline constexpr qint64 kFuzzImageBytes = qint64{64} << 20;

inline bool Names(int index, std::size_t count) {
    return index >= 0 && static_cast<std::size_t>(index) < count;
}

inline bool HoldsTogether(const kvstudio::ModelScene& scene) {
    const kvstudio::SceneNodes& tree = scene.tree;
    for (const kvstudio::SceneNode& node : tree.nodes) {
        if (node.mesh != -1 && !Names(node.mesh, scene.meshes.size())) return false;
        if (node.firstChild < 0 || node.childCount < 0 ||
            static_cast<std::size_t>(node.firstChild) + static_cast<std::size_t>(node.childCount) > tree.children.size()) {
            return false;
        }
    }
    for (const int child : tree.children) {
        if (!Names(child, tree.nodes.size())) return false;
    }
    for (const int root : scene.roots) {
        if (!Names(root, tree.nodes.size())) return false;
    }
    for (const kvstudio::SceneMaterial& material : scene.materials) {
        if (material.texture != -1 && !Names(material.texture, scene.textures.size())) return false;
    }
    for (const kvstudio::SceneMesh& mesh : scene.meshes) {
        const qint64 indexBytes = mesh.wideIndices ? 4 : 2;
        if (mesh.placements < 0 || mesh.instances.size() != qint64{mesh.placements} * kvstudio::kInstanceEntryBytes) return false;
        for (const kvstudio::SceneMesh::Part& part : mesh.parts) {
            if (part.material != -1 && !Names(part.material, scene.materials.size())) return false;
            if (part.firstIndex < 0 || part.indexCount <= 0 ||
                (qint64{part.firstIndex} + part.indexCount) * indexBytes > mesh.indices.size()) {
                return false;
            }
        }
        if (mesh.vertices.size() % mesh.Stride() != 0) return false;
        const qint64 vertexCount = mesh.vertices.size() / mesh.Stride();
        for (qint64 at = 0; at + indexBytes <= mesh.indices.size(); at += indexBytes) {
            quint32 index = 0;
            std::memcpy(&index, mesh.indices.constData() + at, static_cast<std::size_t>(indexBytes));
            if (index >= vertexCount) return false;
        }
    }
    for (const kvstudio::SceneTexture& texture : scene.textures) {
        if (!texture.rgba.isEmpty() && texture.rgba.size() != qint64{texture.size.width()} * texture.size.height() * 4) {
            return false;
        }
    }
    return true;
}

}  // namespace kvtest
