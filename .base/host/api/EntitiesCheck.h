#pragma once

#include <string>

#include "Model.h"

namespace korvanta {

// What a model must hold to be drawn, saved and read back as it is meant,
// whatever built it (a fill, a coplanar merge, a model file):
// - every vertex position is a finite number;
// - every edge joins two different vertices of its entities, and no two
//   edges join the same two;
// - every face has loops and triangles within its entities' lists, and no
//   two faces share a loop;
// - every loop has three corners or more, each naming a vertex of the
//   entities, and closes: each side, the last corner back to the first
//   included, joins two different vertices along one of the entities' edges;
// - every edge is a side of some face's loop;
// - every triangle's corners lie within the entities' corners;
// - a face's material is one of the model's, and a textured face has one
//   (textures belong to their material, so a texture cannot go astray);
// - every instance places one of the model's definitions.
// The tests and the fuzz targets run it after every fill, merge and load;
// imports do not. Returns the first fault found, in words that name the
// entities and the element, or nothing when the model holds together.
std::string CheckEntities(const Model& model);

}  // namespace korvanta
