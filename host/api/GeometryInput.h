#pragma once

// What a caller collects before one fill: vertices and faces by vertex number.

#include <array>
#include <cstdint>
#include <vector>

#include "Model.h"

namespace korvanta {

struct LoopInput {
    std::vector<std::size_t> vertexIndices;
};

struct FaceInput {
    std::vector<std::vector<std::size_t>> loops;  // outer loop first, then holes
    Material* material = nullptr;
    std::size_t uvCount = 0;  // 0: untextured
    std::array<std::uint64_t, 4> uvVertices{};
    std::array<TextureCoordinate, 4> uvs{};
};

struct GeometryInput {
    std::vector<Point3> vertices;
    std::vector<FaceInput> faces;
};

}  // namespace korvanta
