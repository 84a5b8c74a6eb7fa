#pragma once

#include <string>

#include "ViewScene.h"

namespace korvanta {

// What a viewer relies on when it makes its objects from a view scene
// (ViewScene.h), whatever file it came from:
// - every node's mesh is one of the scene's, its children a run of the
//   children list, each child a node there is; every root is a node;
// - the roots and everything below them form a tree (no node reached twice);
// - every material's texture is one of the scene's, every texture's image too;
// - every mesh has parts, each of whole triangles, within its indices, and
//   of a material there is; its vertices are whole vertices of its stride,
//   and every index names one of them;
// - every placement is twelve finite numbers, and only meshes the tree
//   places are placed, as often as it places them.
// The tests and the fuzz targets run it on every scene the reader gives;
// viewers do not. Returns the first fault found, in words that name the
// element, or nothing when the scene holds together.
std::string CheckViewScene(const ViewScene& scene);

}  // namespace korvanta
