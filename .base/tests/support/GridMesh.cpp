#include "GridMesh.h"

#include <stdexcept>

namespace hollin::samples {

GridMesh MakeGrid(int side, const Point& origin, float spacing, const std::function<float(float, float)>& height,
                  float texelRepeat) {
    if (side < 1 || side > kMaxGridSide) throw std::invalid_argument("grid side out of range");
    const int pointsPerRow = side + 1;
    GridMesh grid;
    grid.points.reserve(static_cast<std::size_t>(pointsPerRow * pointsPerRow));
    grid.texels.reserve(grid.points.capacity());
    grid.faces.reserve(static_cast<std::size_t>(2 * side * side));
    for (int y = 0; y < pointsPerRow; ++y) {
        for (int x = 0; x < pointsPerRow; ++x) {
            const float worldX = origin[0] + static_cast<float>(x) * spacing;
            const float worldY = origin[1] + static_cast<float>(y) * spacing;
            grid.points.push_back({worldX, worldY, origin[2] + height(worldX, worldY)});
            grid.texels.push_back({static_cast<float>(x) / texelRepeat, static_cast<float>(y) / texelRepeat});
        }
    }
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const auto corner = static_cast<std::uint16_t>(y * pointsPerRow + x);
            const auto right = static_cast<std::uint16_t>(corner + 1);
            const auto above = static_cast<std::uint16_t>(corner + pointsPerRow);
            const auto diagonal = static_cast<std::uint16_t>(above + 1);
            grid.faces.push_back({corner, right, diagonal});
            grid.faces.push_back({corner, diagonal, above});
        }
    }
    return grid;
}

}  // namespace hollin::samples
