#pragma once

// The loops around a group of merged faces, traced from the sides that no
// other face of the group runs along.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "Model.h"

namespace korvanta {

// A piece of a merged group's boundary, for tracing its loops.
struct BoundaryEdge {
    std::uint32_t face;
    std::uint32_t from;
    std::uint32_t to;
    std::uint32_t edge;  // its number, or 0xffffffff when the entities have no such edge
};

// The loops around a group, or nothing when its boundary does not close
// into loops of three corners or more: faces of inconsistent orientation
// leave open chains, faces that cover each other leave no boundary.
std::optional<std::vector<std::vector<Corner>>> TraceBoundaryLoops(const Entities& entities,
                                                                   std::span<const BoundaryEdge> boundary,
                                                                   const Point3& normal);

}  // namespace korvanta
