#pragma once

#include <vector>

#include <tiny_gltf.h>

#include "Model.h"
#include "ModelFileBuffer.h"

// The model's own structure (polygon faces with their loops, edges, exact
// vertex positions, names, instances) travels in the file beside the scene
// that viewers draw: a description in the asset's extras, with the large
// arrays in buffer views that it names by index.
namespace korvanta {

// Key of the description in the asset's extras, and its layout's version.
inline constexpr const char* kModelStructureKey = "korvantaModel";
inline constexpr int kModelStructureVersion = 2;

// `materialImages` gives, per host material, the glTF image that holds its texture (-1 for none).
void AddModelStructure(const Model& model, const std::vector<int>& materialImages, GltfBufferWriter& buffer,
                       tinygltf::Model& gltf);

// The buffer bytes AddModelStructure adds at most.
std::size_t ModelStructureBytesAtMost(const Model& model);

// False when the file carries no structure, or one that does not hold together.
bool ReadModelStructure(const GlbContent& content, Model& model);

}  // namespace korvanta
