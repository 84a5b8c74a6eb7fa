// Writes the scenes the benchmark of record times: MESHES square grids of
// SIDE x SIDE quads (two triangles each), every other one flat and the rest
// domed, in four materials of which two are textured, each mesh placed by
// one node of a tree eight wide. With --no-nodes the file has no keyframer
// nodes at all, so the importer places the meshes itself.
//
// The texture, bricks.png, is written beside the scene.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "BrickTexture.h"
#include "GridMesh.h"
#include "SceneBuilder.h"

namespace {

using hollin::samples::GridMesh;
using hollin::samples::kMaxGridSide;
using hollin::samples::MakeGrid;
using hollin::samples::Point;
using hollin::samples::SceneBuilder;
using hollin::samples::WriteBrickTexture;

constexpr float kSpacing = 10.0f;
constexpr int kTreeWidth = 8;

struct MaterialChoice {
    const char* name;
    Point diffuse;
    float transparency;
    const char* texture;
};

constexpr MaterialChoice kMaterials[] = {
    {"Concrete", {0.62f, 0.62f, 0.60f}, 0.0f, ""},
    {"Brick", {0.70f, 0.32f, 0.22f}, 0.0f, "bricks.png"},
    {"Paving", {0.80f, 0.78f, 0.70f}, 0.0f, "bricks.png"},
    {"Glass", {0.55f, 0.70f, 0.85f}, 0.6f, ""},
};

bool WriteScene(const std::filesystem::path& path, int meshCount, int side, bool withNodes) {
    SceneBuilder scene;
    for (const MaterialChoice& material : kMaterials) {
        scene.AddMaterial(material.name, material.diffuse, material.transparency, material.texture);
    }
    const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(meshCount))));
    const float extent = static_cast<float>(side) * kSpacing;
    const float pitch = extent * 1.25f;
    std::vector<const Lib3dsNode*> nodes;
    for (int mesh = 0; mesh < meshCount; ++mesh) {
        const Point origin{static_cast<float>(mesh % columns) * pitch, static_cast<float>(mesh / columns) * pitch,
                           0.0f};
        const bool domed = mesh % 2 == 1;
        const auto height = [&](float x, float y) {
            if (!domed) return 0.0f;
            const float u = (x - origin[0]) / extent, v = (y - origin[1]) / extent;
            return 0.25f * extent * std::sin(std::numbers::pi_v<float> * u) * std::sin(std::numbers::pi_v<float> * v);
        };
        const GridMesh grid = MakeGrid(side, origin, kSpacing, height);
        const std::string name = "Grid" + std::to_string(mesh);
        scene.AddMesh(name, grid.points, grid.faces, kMaterials[mesh % std::size(kMaterials)].name, grid.texels);
        if (withNodes) {
            const Lib3dsNode* parent = mesh == 0 ? nullptr : nodes[static_cast<std::size_t>((mesh - 1) / kTreeWidth)];
            nodes.push_back(scene.AddObjectNode(name, parent));
        }
    }
    return scene.Save(path.string());
}

int ParseCount(const char* text, int low, int high) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value >= low && value <= high ? static_cast<int>(value) : -1;
}

}  // namespace

int main(int argc, char** argv) {
    const bool usable = argc == 4 || (argc == 5 && std::string(argv[4]) == "--no-nodes");
    const int meshCount = usable ? ParseCount(argv[1], 1, 65535) : -1;
    const int side = usable ? ParseCount(argv[2], 1, kMaxGridSide) : -1;
    if (meshCount < 0 || side < 0) {
        std::fprintf(stderr,
                     "usage: %s MESHES SIDE FILE [--no-nodes]\n"
                     "Writes MESHES grids of SIDE x SIDE quads (SIDE at most %d) into FILE, and bricks.png beside it.\n",
                     argv[0], kMaxGridSide);
        return 2;
    }
    const std::filesystem::path file = argv[3];
    const std::filesystem::path texture = file.parent_path() / "bricks.png";
    if (!WriteBrickTexture(texture)) {
        std::fprintf(stderr, "make_bench_scene: cannot write %s\n", texture.c_str());
        return 1;
    }
    if (!WriteScene(file, meshCount, side, argc == 4)) {
        std::fprintf(stderr, "make_bench_scene: cannot write %s\n", file.c_str());
        return 1;
    }
    return 0;
}
