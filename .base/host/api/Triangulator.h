#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace korvanta {

struct Point2 {
    double x = 0.0, y = 0.0;
};

using TriangleIndices = std::array<std::uint32_t, 3>;

// Triangulates a planar polygon given as its outer loop followed by its holes
// (in any orientation) by ear clipping, after joining each hole to the outer
// boundary with a bridge. The indices number the points of all loops in order,
// so the first point of the second loop follows the last point of the first.
// Triangles come out counter-clockwise.
std::vector<TriangleIndices> Triangulate(const std::vector<std::vector<Point2>>& loops);

}  // namespace korvanta
