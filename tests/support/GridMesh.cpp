#include "GridMesh.h"

#include <cstdio>
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

void AddUnitSquare(SceneBuilder& scene, const std::string& name, const std::string& material) {
    const GridMesh square = MakeGrid(1, {0, 0, 0}, 1.0f, [](float, float) { return 0.0f; }, 1.0f);
    scene.AddMesh(name, square.points, square.faces, material, square.texels);
    scene.AddObjectNode(name);
}

bool WriteTiles(const std::filesystem::path& path, int count) {
    SceneBuilder scene;
    scene.AddMaterial("Stone", {0.7f, 0.6f, 0.5f});
    for (int tile = 0; tile < count; ++tile) {
        const Point origin{static_cast<float>(tile % 5) * 110.0f, static_cast<float>(tile / 5) * 110.0f, 0.0f};
        const GridMesh grid = MakeGrid(100, origin, 1.0f, [](float x, float y) { return float(int(x) * int(y) % 7); });
        char name[16];
        std::snprintf(name, sizeof name, "Tile%03d", tile);
        scene.AddMesh(name, grid.points, grid.faces, "Stone");
        scene.AddObjectNode(name);
    }
    return scene.Save(path.string());
}

}  // namespace hollin::samples
