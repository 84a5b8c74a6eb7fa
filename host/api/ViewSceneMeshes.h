#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ViewScene.h"
#include "ViewSceneFile.h"

// The meshes of a model file's view scene: each an array of vertices and
// one of triangles, checked against the file before they are read and every
// index against the vertices after; meshes the file gives the same arrays
// share them, as the library writes a part placed with its transform in
// its positions.
namespace korvanta {

// Grows `box` by `point`, three floats, or makes it that point when `first`.
void IncludePoint(ViewBox& box, const float* point, bool first);

// The meshes of the document's array `meshes`, whose parts name materials
// below `materialCount`.
std::vector<ViewMesh> ReadViewMeshes(ViewSceneFile& file, const nlohmann::json& meshes, std::size_t materialCount);

}  // namespace korvanta
