#pragma once

#include <string>
#include <unordered_map>

#include <tiny_gltf.h>

#include "KorvantaAPI.h"
#include "Model.h"
#include "ModelFileBuffer.h"

namespace korvanta {

// The glTF material each host material became.
using GltfMaterialIndices = std::unordered_map<const Material*, int>;

// Adds a glTF mesh that draws the faces' triangles, one primitive per
// material and texturing, with flat normals. `bake`, when given, is applied
// to the positions (for instances whose transform a node cannot hold).
// Returns the mesh index, or -1 when there is nothing to draw.
int AddFacesMesh(const Entities& entities, const std::string& name, const GltfMaterialIndices& materials,
                 const KVTransformation* bake, GltfBufferWriter& buffer, tinygltf::Model& gltf);

// The buffer bytes AddFacesMesh adds at most for the entities.
std::size_t FacesMeshBytesAtMost(const Entities& entities);

}  // namespace korvanta
