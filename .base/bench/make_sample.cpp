// Writes the sample scene: samples/courtyard.3ds and its texture bricks.png.
//
// A walled courtyard 20 feet across with a gate, a fountain and two hedges,
// seen by one camera. Lengths are inches and the master scale is 1, so the
// file's own units ("Model Units") give the real size. The paving's texture
// is stored as "BRICKS.PNG", as 3DS files made on Windows store names, while
// the file itself is bricks.png.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "BrickTexture.h"
#include "SceneBuilder.h"

namespace {

using hollin::samples::Point;
using hollin::samples::WriteBrickTexture;
using hollin::samples::SceneBuilder;
using hollin::samples::Texel;
using hollin::samples::Triangle;

struct MeshData {
    std::vector<Point> points;
    std::vector<Triangle> faces;

    std::uint16_t Add(const Point& point) {
        points.push_back(point);
        return static_cast<std::uint16_t>(points.size() - 1);
    }
};

// An axis-aligned box, faces wound counter-clockwise seen from outside.
void AddBox(MeshData& mesh, const Point& low, const Point& high) {
    const auto first = static_cast<std::uint16_t>(mesh.points.size());
    for (int corner = 0; corner < 8; ++corner) {
        mesh.Add({(corner & 1) ? high[0] : low[0], (corner & 2) ? high[1] : low[1], (corner & 4) ? high[2] : low[2]});
    }
    static constexpr Triangle kBoxFaces[] = {
        {0, 2, 3}, {0, 3, 1}, {4, 5, 7}, {4, 7, 6}, {0, 1, 5}, {0, 5, 4},
        {2, 6, 7}, {2, 7, 3}, {0, 4, 6}, {0, 6, 2}, {1, 3, 7}, {1, 7, 5},
    };
    for (const Triangle& face : kBoxFaces) {
        mesh.faces.push_back({static_cast<std::uint16_t>(first + face[0]), static_cast<std::uint16_t>(first + face[1]),
                              static_cast<std::uint16_t>(first + face[2])});
    }
}

constexpr int kFountainSides = 8;

Point OnCircle(double radius, int step, float height) {
    const double angle = 2.0 * std::numbers::pi * step / kFountainSides;
    return {static_cast<float>(radius * std::cos(angle)), static_cast<float>(radius * std::sin(angle)), height};
}

// The fountain's basin: an octagonal ring wall with its top rim.
MeshData MakeBasin(double outerRadius, double innerRadius, float height) {
    MeshData basin;
    for (int side = 0; side < kFountainSides; ++side) {
        basin.Add(OnCircle(outerRadius, side, 0.0f));
        basin.Add(OnCircle(outerRadius, side, height));
        basin.Add(OnCircle(innerRadius, side, 0.0f));
        basin.Add(OnCircle(innerRadius, side, height));
    }
    for (int side = 0; side < kFountainSides; ++side) {
        const auto here = static_cast<std::uint16_t>(4 * side);
        const auto next = static_cast<std::uint16_t>(4 * ((side + 1) % kFountainSides));
        const std::uint16_t outerLow = here, outerHigh = here + 1, innerLow = here + 2, innerHigh = here + 3;
        const std::uint16_t nextOuterLow = next, nextOuterHigh = next + 1, nextInnerLow = next + 2,
                            nextInnerHigh = next + 3;
        basin.faces.push_back({outerLow, nextOuterLow, nextOuterHigh});
        basin.faces.push_back({outerLow, nextOuterHigh, outerHigh});
        basin.faces.push_back({innerLow, nextInnerHigh, nextInnerLow});
        basin.faces.push_back({innerLow, innerHigh, nextInnerHigh});
        basin.faces.push_back({outerHigh, nextOuterHigh, nextInnerHigh});
        basin.faces.push_back({outerHigh, nextInnerHigh, innerHigh});
    }
    return basin;
}

MeshData MakeWaterSurface(double radius, float height) {
    MeshData water;
    const std::uint16_t centre = water.Add({0.0f, 0.0f, height});
    for (int side = 0; side < kFountainSides; ++side) water.Add(OnCircle(radius, side, height));
    for (int side = 0; side < kFountainSides; ++side) {
        water.faces.push_back({centre, static_cast<std::uint16_t>(1 + side),
                               static_cast<std::uint16_t>(1 + (side + 1) % kFountainSides)});
    }
    return water;
}

bool WriteCourtyard(const std::filesystem::path& path) {
    constexpr float kHalfWidth = 120.0f, kWallThickness = 12.0f, kWallHeight = 96.0f, kGateHalfWidth = 24.0f;
    constexpr float kOuter = kHalfWidth + kWallThickness;
    constexpr float kTileSize = 40.0f;

    SceneBuilder scene;
    scene.AddMaterial("Paving", {0.8f, 0.8f, 0.8f}, 0.0f, "BRICKS.PNG");
    scene.AddMaterial("Stone", {0.72f, 0.70f, 0.64f});
    scene.AddMaterial("Water", {0.25f, 0.45f, 0.75f}, 0.35f);
    scene.AddMaterial("Hedge", {0.20f, 0.45f, 0.18f});

    const std::vector<Point> pavingPoints = {
        {-kHalfWidth, -kHalfWidth, 0.0f}, {kHalfWidth, -kHalfWidth, 0.0f},
        {kHalfWidth, kHalfWidth, 0.0f}, {-kHalfWidth, kHalfWidth, 0.0f}};
    constexpr float kRepeats = 2.0f * kHalfWidth / kTileSize;
    const std::vector<Texel> pavingTexels = {{0.0f, 0.0f}, {kRepeats, 0.0f}, {kRepeats, kRepeats}, {0.0f, kRepeats}};
    const std::vector<Triangle> pavingFaces = {{0, 1, 2}, {0, 2, 3}};
    scene.AddMesh("Paving", pavingPoints, pavingFaces, "Paving", pavingTexels);

    MeshData walls;
    AddBox(walls, {-kOuter, kHalfWidth, 0.0f}, {kOuter, kOuter, kWallHeight});
    AddBox(walls, {kHalfWidth, -kHalfWidth, 0.0f}, {kOuter, kHalfWidth, kWallHeight});
    AddBox(walls, {-kOuter, -kHalfWidth, 0.0f}, {-kHalfWidth, kHalfWidth, kWallHeight});
    AddBox(walls, {-kOuter, -kOuter, 0.0f}, {-kGateHalfWidth, -kHalfWidth, kWallHeight});
    AddBox(walls, {kGateHalfWidth, -kOuter, 0.0f}, {kOuter, -kHalfWidth, kWallHeight});
    scene.AddMesh("Walls", walls.points, walls.faces, "Stone");

    MeshData hedges;
    AddBox(hedges, {-kHalfWidth, -80.0f, 0.0f}, {-kHalfWidth + 20.0f, 80.0f, 32.0f});
    AddBox(hedges, {kHalfWidth - 20.0f, -80.0f, 0.0f}, {kHalfWidth, 80.0f, 32.0f});
    scene.AddMesh("Hedges", hedges.points, hedges.faces, "Hedge");

    const MeshData basin = MakeBasin(40.0, 34.0, 20.0f);
    scene.AddMesh("Basin", basin.points, basin.faces, "Stone");
    const MeshData water = MakeWaterSurface(34.0, 16.0f);
    scene.AddMesh("Water", water.points, water.faces, "Water");

    // The paving carries everything else; the water belongs to the basin.
    const Lib3dsNode* paving = scene.AddObjectNode("Paving");
    scene.AddObjectNode("Walls", paving);
    scene.AddObjectNode("Hedges", paving);
    const Lib3dsNode* basinNode = scene.AddObjectNode("Basin", paving);
    scene.AddObjectNode("Water", basinNode);

    scene.AddCamera("Overview", {360.0f, -360.0f, 240.0f}, {0.0f, 0.0f, 20.0f});
    return scene.Save(path.string());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\nWrites courtyard.3ds and bricks.png into FOLDER.\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    if (!WriteBrickTexture(folder / "bricks.png")) {
        std::fprintf(stderr, "make_sample: cannot write %s\n", (folder / "bricks.png").c_str());
        return 1;
    }
    if (!WriteCourtyard(folder / "courtyard.3ds")) {
        std::fprintf(stderr, "make_sample: cannot write %s\n", (folder / "courtyard.3ds").c_str());
        return 1;
    }
    return 0;
}
