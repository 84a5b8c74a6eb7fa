#pragma once

#include "Model.h"

namespace korvanta {

// Merges edge-adjacent faces of the entities that lie in one plane, share
// their front material and, when textured, their texture mapping, into
// polygon faces whose loops are traced from the boundary of each merged
// group. The shared edges disappear; each merged face keeps the triangles of
// the faces it was made from.
void MergeCoplanarFaces(Entities& entities);

}  // namespace korvanta
