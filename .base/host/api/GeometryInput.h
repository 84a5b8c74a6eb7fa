#pragma once

// What a caller collects before one fill: vertices and faces by vertex number.
// Faces, their loops and their texture coordinates are records in flat lists,
// so that collecting millions of faces allocates nothing per face.

#include <cstdint>
#include <span>
#include <vector>

#include "LoopInputRegistry.h"
#include "Model.h"

namespace korvanta {

inline constexpr std::size_t kNoInputLoop = SIZE_MAX;

// A loop of an input face: a run of the input's vertex numbers.
struct InputLoop {
    std::size_t firstIndex = 0;
    std::size_t indexCount = 0;
    std::size_t nextHole = kNoInputLoop;  // holes may be added to any face at any time, so each links the next
};

// The texture coordinate the caller gave for one vertex of a face.
struct InputUv {
    std::uint64_t vertex = 0;
    TextureCoordinate uv;
};

struct FaceInput {
    std::size_t outerLoop = kNoInputLoop;
    std::size_t lastLoop = kNoInputLoop;
    std::size_t firstUv = 0;
    Material* material = nullptr;
    std::uint32_t loopCount = 0;
    std::uint32_t uvCount = 0;  // 0: untextured
};

struct GeometryInput {
    std::vector<Point3> vertices;
    std::vector<FaceInput> faces;
    std::vector<InputLoop> loops;
    std::vector<std::size_t> vertexIndices;
    std::vector<InputUv> uvs;

    // Empties every list and keeps its room.
    void Clear() {
        vertices.clear();
        faces.clear();
        loops.clear();
        vertexIndices.clear();
        uvs.clear();
    }

    std::span<const std::size_t> IndicesOf(const InputLoop& loop) const {
        return {vertexIndices.data() + loop.firstIndex, loop.indexCount};
    }
    std::span<const InputUv> UvsOf(const FaceInput& face) const { return {uvs.data() + face.firstUv, face.uvCount}; }

    // Calls visit(loop) for the face's outer loop, then for its holes in the order they were added.
    template <typename Visit>
    void ForEachLoop(const FaceInput& face, Visit visit) const {
        for (std::size_t l = face.outerLoop; l != kNoInputLoop; l = loops[l].nextHole) visit(loops[l]);
    }
};

}  // namespace korvanta
