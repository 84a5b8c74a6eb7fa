#pragma once

#include <unordered_map>
#include <vector>

#include <tiny_gltf.h>

#include "Model.h"
#include "ModelFileBuffer.h"
#include "ModelFileMesh.h"

namespace korvanta {

// What the viewer's scene made that the model structure shares: per host
// material the glTF image of its texture (-1 for none), and how each set of
// entities is drawn.
struct ViewerScene {
    std::vector<int> materialImages;
    std::unordered_map<const Entities*, DrawnEntities> drawn;
};

// Adds what viewers read: materials with their images embedded, one mesh per
// definition with faces, and the node tree under one root node that turns
// the host's inches and Z-up axis into glTF's metres and Y-up.
ViewerScene AddViewerScene(const Model& model, GltfBufferWriter& buffer, tinygltf::Model& gltf);

// The buffer bytes the viewer's scene and the model structure take at most,
// but for instances whose transform no node can hold: they get positions of their own.
std::size_t ModelFileBytesAtMost(const Model& model);

}  // namespace korvanta
