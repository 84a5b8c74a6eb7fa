#pragma once

// The scene check's model of lib3ds 1.3's reader: one reading function of
// lib3ds per kind of chunk, followed over bytes in memory. The walk from chunk
// to chunk is in ChunkWalk.cpp, what each kind of chunk holds in
// ChunkContents.cpp, and the linking of nodes in NodeLinks.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "scenefile/CheckBudget.h"
#include "scenefile/ChunkTables.h"
#include "scenefile/ImportMemory.h"
#include "scenefile/MemoryStream.h"
#include "scenefile/NodeLinks.h"
#include "scenefile/SceneFileCheck.h"

namespace hollin::importer::scene_check {

// lib3ds adds and subtracts four key frame numbers in 32-bit integers.
constexpr std::int32_t kFrameLimit = std::int32_t{1} << 29;

// The reading functions of lib3ds, one per kind of chunk it descends into.
enum class Reader {
    File, SceneData, Keyframer, NamedObject, Mesh, FaceArray, Camera, Light, Spotlight, Material, Color,
    Percentage, TextureMap, AmbientLight, Viewport, Shadow, Background, SolidBackground, Gradient, Atmosphere,
    Fog, LayerFog, DistanceCue, Node,
};

// A chunk being read, as lib3ds keeps it: where its next child starts and
// where it ends, both 32-bit.
struct Frame {
    Reader reader;
    std::uint16_t id = 0;
    std::uint32_t cur = 0;
    std::uint32_t end = 0;
    bool readsChildren = true;
    bool seeksToEnd = true;  // false for the few readers that never call read_end
    std::array<std::uint32_t, 2> gradientColors{};
};

struct MeshState {
    std::uint32_t points = 0;
    std::uint32_t faces = 0;
    std::uint32_t highestCorner = 0;
};

class Lib3dsReadSimulation {
public:
    explicit Lib3dsReadSimulation(std::span<const std::uint8_t> file)
        : stream_(file), budget_(file.size()), nodes_(budget_) {}

    SceneFileVerdict Run();

private:
    bool Fail(SceneFileFault fault) { return budget_.Fail(fault); }
    bool Spend(std::uint64_t steps) { return budget_.Spend(steps); }
    bool Allocate(std::uint64_t bytes) { return budget_.Allocate(bytes); }
    // Notes a chunk header just read at `at`, and whether it runs past the
    // chunk that holds it (`parentEnd`) or past the end of the file.
    void Reading(std::uint16_t id, std::uint32_t at, std::uint32_t size, std::uint64_t parentEnd);
    bool Skip(std::size_t bytes);
    bool ReadName(std::size_t capacity, std::span<char> name = {});
    // lib3ds_chunk_read_reset: back to the header that read_next has just read.
    void Reset() { stream_.Seek(-6, MemoryStream::Origin::Current); }
    // lib3ds_chunk_read_tell: the children start where the reading stands.
    void ChildrenStartHere() { frames_.back().cur = static_cast<std::uint32_t>(stream_.Tell()); }
    // lib3ds_chunk_read_start (`expected` 0 takes any chunk), or with
    // `ownHeaderOnly` the bare lib3ds_chunk_read of the readers that neither
    // walk children nor seek to their end.
    bool Start(Reader reader, std::uint16_t expected, bool ownHeaderOnly = false);
    // lib3ds_chunk_read_next: the id of the next child, 0 at the end.
    std::uint16_t NextChild(Frame& frame);
    // A chunk is done: what lib3ds does after its loop, then read_end.
    bool Leave();
    // A reader's own header and, for the readers without a loop, its one
    // decision on the chunk's id.
    bool Enter(Reader reader);
    bool StartWithHeaderData(Reader reader, std::uint16_t expected, std::size_t headerBytes);
    bool EnterFaceArray();
    bool EnterBackground();
    bool EnterAtmosphere();

    // One child of the innermost chunk: read in place, or descended into.
    bool ReadChild(std::uint16_t id);
    bool Descend(Reader reader) {
        Reset();
        return Enter(reader);
    }
    // A map's image file name; the first texture map's is noted.
    bool ReadMapName(bool firstTextureMap);
    bool ReadSceneDataChild(std::uint16_t id);
    bool ReadKeyframerChild(std::uint16_t id);
    bool ReadArray(std::uint32_t& count, std::size_t fileBytesEach, std::size_t memoryBytesEach);
    bool ReadMeshChild(std::uint16_t id);
    bool ReadFaceArrayChild(std::uint16_t id);
    // What lib3ds checks only with assertions after reading an object: every
    // corner names one of the object's points.
    bool MeshFacesNameOwnPoints();
    bool ReadNodeChild(std::uint16_t id);
    // A track's keys, each allocated and, but for morph keys, put in frame
    // order by walking the keys before it.
    bool ReadTrack(Track track);

    MemoryStream stream_;
    CheckBudget budget_;
    NodeLinks nodes_;
    std::vector<Frame> frames_;
    MeshState mesh_;
    std::array<char, kNameCapacity + 1> objectName_{};  // of the named object being read
    std::uint64_t meshStartBytes_ = 0;                  // what lib3ds had allocated when the mesh began
    std::vector<CheckedMesh> meshes_;
    std::uint32_t viewsInLayout_ = 0;
    std::vector<std::int32_t> trackFrames_;
};

}  // namespace hollin::importer::scene_check
