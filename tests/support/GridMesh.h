#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "SceneBuilder.h"

namespace hollin::samples {

// A square grid of quads, two triangles each, ready for SceneBuilder::AddMesh.
struct GridMesh {
    std::vector<Point> points;
    std::vector<Texel> texels;
    std::vector<Triangle> faces;
};

// The largest grid side whose faces, two a quad, 3DS's 16-bit face count can
// still hold (2 x 180 x 180 = 64,800); its points then fit too.
inline constexpr int kMaxGridSide = 180;

// `side` x `side` quads of `spacing` from `origin` in x and y; the height of
// each point is `height(x, y)` of its world x and y. Texture coordinates
// repeat every `texelRepeat` quads.
GridMesh MakeGrid(int side, const Point& origin, float spacing, const std::function<float(float, float)>& height,
                  float texelRepeat = 8.0f);

// A square of side 1 in the floor at the origin, two triangles whose texels
// are their points' x and y, in `material`, placed by an object node of `name`.
void AddUnitSquare(SceneBuilder& scene, const std::string& name, const std::string& material);

// `count` rough grids of 20,000 faces in rows of five, "Tile000" on, in one
// material: 25 are more than a software renderer turns smoothly, 40 an import
// long enough to interrupt. False when the file cannot be written.
bool WriteTiles(const std::filesystem::path& path, int count);

}  // namespace hollin::samples
