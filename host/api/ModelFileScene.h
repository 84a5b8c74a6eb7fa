#pragma once

#include <vector>

#include <tiny_gltf.h>

#include "Model.h"
#include "ModelFileBuffer.h"

namespace korvanta {

// Adds what viewers read: materials with their images embedded, one mesh per
// definition with faces, and the node tree under one root node that turns
// the host's inches and Z-up axis into glTF's metres and Y-up. Returns, per
// host material, the index of its texture's image (-1 for none).
std::vector<int> AddViewerScene(const Model& model, GltfBufferWriter& buffer, tinygltf::Model& gltf);

// The buffer bytes AddViewerScene adds at most, but for instances whose
// transform no node can hold: they get meshes of their own.
std::size_t ViewerSceneBytesAtMost(const Model& model);

}  // namespace korvanta
