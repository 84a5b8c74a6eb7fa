#pragma once

#include <string>
#include <vector>

#include <tiny_gltf.h>

#include "Model.h"
#include "ModelFileBuffer.h"
#include "ModelFileScene.h"

// The model's own structure (polygon faces with their loops, edges, exact
// vertex positions, names, instances) travels in the file beside the scene
// that viewers draw: a description in the asset's extras, with the large
// arrays in buffer views that it names by index.
namespace korvanta {

// Key of the description in the asset's extras, and its layout's version.
inline constexpr const char* kModelStructureKey = "korvantaModel";
inline constexpr int kModelStructureVersion = 3;

// Shares what the viewer's scene made: the textures' images and the drawn vertices.
void AddModelStructure(const Model& model, ViewerScene& scene, GltfBufferWriter& buffer, tinygltf::Model& gltf);

// False when the file carries no structure, or one that does not hold
// together; `faultMember` (when given) then names the member at fault, as a
// JSON pointer, where one is.
bool ReadModelStructure(const GlbContent& content, Model& model, std::string* faultMember = nullptr);

}  // namespace korvanta
