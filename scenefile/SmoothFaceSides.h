#pragma once

#include <lib3ds/mesh.h>

#include <cstdint>
#include <vector>

namespace hollin::importer {

// The sides of a mesh's faces that 3D Studio draws smooth. Two faces are
// smooth across a side when both have that side (the same two vertex
// numbers, in either order) and their smoothing groups share a bit. Group 0
// is never smooth, and faces that only meet at equal positions, with vertex
// numbers of their own, stay hard: that is how authors keep a crease.
//
// Per face, bit k is set when the side from its corner k to corner k + 1
// (corner 2 back to corner 0) is smooth. Faces naming a vertex the mesh
// does not have, or one vertex twice, are never smooth.
std::vector<std::uint8_t> SmoothFaceSides(const Lib3dsMesh& mesh);

// Faces whose smoothing group is not 0.
std::uint32_t FacesInSmoothingGroups(const Lib3dsMesh& mesh);

}  // namespace hollin::importer
