#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "scenefile/ChunkTables.h"
#include "scenefile/NodeLinks.h"

namespace hollin::importer {

// A triangle mesh as lib3ds will hold it after reading, with the bytes
// lib3ds allocates for it.
struct CheckedMesh {
    std::array<char, kNameCapacity + 1> name{};
    std::uint32_t points = 0;
    std::uint32_t faces = 0;
    std::uint64_t bytes = 0;
};

// What the import of a scene asks for, worked out before lib3ds reads it.
struct ImportDemand {
    // Every object node builds its own copy of the mesh it shows, found as
    // the converter finds it (by the node's morph name, which lib3ds leaves
    // empty after reading, then by the node's name; the first mesh read of
    // a name). Only when no node shows a mesh with points does the
    // conversion without nodes run, and then it builds every mesh once.
    std::uint64_t facesToBuild = 0;
    // The most memory the import holds at once beyond the file's bytes: the
    // scene lib3ds builds, less each mesh once the conversion has built its
    // last copy and freed it, and the model with its saving growing by
    // kImportBytesPerFace a face built, on top of kImportBaseBytes.
    std::uint64_t memoryNeeded = 0;
};

// The model and its saving, as measured on the benchmark of record's scenes
// of 4.5 to 30 million faces (bench/README.md), and a third more.
inline constexpr std::uint64_t kImportBytesPerFace = 160;
// Stacks and heaps of the threads the conversion starts, the geometry of
// the mesh being built, and the host library's tables that do not grow with
// the model.
inline constexpr std::uint64_t kImportBaseBytes = std::uint64_t{192} << 20;

// The demand of a scene of `sceneBytes` lib3ds bytes with these meshes, in
// reading order, and these nodes, linked as lib3ds links them.
ImportDemand ImportDemandOf(std::span<const CheckedMesh> meshes, const NodeLinks& nodes, std::uint64_t sceneBytes);

}  // namespace hollin::importer
