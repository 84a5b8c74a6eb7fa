#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace hollin::importer {

// Why a 3DS file is kept from lib3ds.
enum class SceneFileFault {
    None,
    // lib3ds would give up on it: a chunk shorter than its header, a name
    // without an end, an unknown kind of file.
    Unreadable,
    // A chunk length of zero or one that wraps around: lib3ds would read the
    // same chunk for ever.
    EndlessLoop,
    // A face names a point its object does not have; lib3ds computes face
    // normals from it and reads outside its point list.
    PointOutOfRange,
    // A material group names a face its object does not have; lib3ds writes
    // the material name outside its face list.
    FaceOutOfRange,
    // A gradient background with more than three colours of one kind; lib3ds
    // keeps them in an array of three.
    GradientOverflow,
    // Reading would take far more time or memory than the file's size
    // justifies: counts that the file does not hold, animation keys or nodes
    // that lib3ds sorts one by one.
    ExcessiveWork,
    // An animation key's frame number so far from 0 that lib3ds's set-up of
    // the keys overflows its integer arithmetic.
    FrameOutOfRange,
    // Linking a node to its parent would have lib3ds recurse without end.
    EndlessNodeLinking,
    // A node tree deeper than any real scene (kMaxNodeDepth).
    NodeTreeTooDeep,
};

inline constexpr std::size_t kMaxNodeDepth = 256;

// A chunk of the file: its id and the offset of its header.
struct ChunkPlace {
    std::uint16_t id = 0;
    std::uint64_t offset = 0;
};

// A chunk whose length runs past its parent or past the end of the file.
// lib3ds reads what there is, so the scene loads without whatever the rest
// would have held: the usual sign of a download cut short.
struct ChunkOverrun {
    ChunkPlace chunk;
    std::uint64_t declaredEnd = 0;  // where the chunk says it ends
    std::uint64_t actualEnd = 0;    // where its parent or the file ends
    bool pastFileEnd = false;
};

struct SceneFileVerdict {
    SceneFileFault fault = SceneFileFault::None;
    ChunkPlace where;  // the chunk being read when the fault was found
    // For a file that loads: the last chunk read that runs past its parent or
    // the end of the file, which for a cut file is the innermost one cut.
    std::optional<ChunkOverrun> overrun;
    // The image file names of the materials' first texture maps, each once,
    // as stored (bytes, no conversion).
    std::vector<std::string> textureNames;
    // Each material entry's name and its first texture map's image file name
    // (empty for none), in the file's order, as stored.
    struct MaterialTexture {
        std::string material;
        std::string texture;
        bool operator==(const MaterialTexture&) const = default;
    };
    std::vector<MaterialTexture> materialTextures;
    // For a file that loads, what its import asks for (see ImportDemand): the
    // bytes lib3ds allocates for the scene, the faces the conversion builds,
    // and the memory the import needs beyond the file's bytes.
    std::uint64_t sceneBytes = 0;
    std::uint64_t facesToBuild = 0;
    std::uint64_t memoryNeeded = 0;
};

// Follows lib3ds 1.3's reader through the whole file, chunk by chunk and
// value by value, as it would read the same bytes from memory, without
// building anything; the fault is None only when the reader will succeed
// without reading or writing outside its arrays, without looping or
// recursing without end, and with time and memory in proportion to the
// file's size. Files of 4 GiB and more are not 3DS files.
SceneFileVerdict CheckSceneFile(std::span<const std::uint8_t> file);

// A fault in words a user understands, in English.
const char* DescribeSceneFileFault(SceneFileFault fault);

}  // namespace hollin::importer
