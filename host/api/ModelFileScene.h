#pragma once

#include <functional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <tiny_gltf.h>

#include "Model.h"
#include "ModelFileBuffer.h"
#include "ModelFileMesh.h"

namespace korvanta {

// What the viewer's scene made that the model structure shares: per host
// material the glTF image of its texture (-1 for none), the glTF material
// of each, and how each set of entities is drawn. The buffer's views read
// it until they are written.
struct ViewerScene {
    std::vector<int> materialImages;
    GltfMaterialIndices materials;
    std::unordered_map<const Entities*, DrawnEntities> drawn;
    // Hands the JSON array of the scene's nodes to `write` piece by piece,
    // the same each time; it reads the model until the file is written.
    std::function<void(const std::function<void(std::string_view)>&)> writeNodes;
};

// Adds what viewers read: materials with their images embedded, one mesh per
// definition with faces, and the node tree under one root node that turns
// the host's inches and Z-up axis into glTF's metres and Y-up. The nodes are
// not added to `gltf` (whose scene names node 0, the root): the file's
// writer asks `scene.writeNodes` for them.
void AddViewerScene(const Model& model, ViewerScene& scene, GltfBufferWriter& buffer, tinygltf::Model& gltf);

}  // namespace korvanta
