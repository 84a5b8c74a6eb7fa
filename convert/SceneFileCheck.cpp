#include "convert/SceneFileCheck.h"

#include <lib3ds/camera.h>
#include <lib3ds/chunk.h>
#include <lib3ds/light.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>
#include <lib3ds/tracks.h>
#include <lib3ds/viewport.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <vector>

#include "convert/MemoryStream.h"

namespace hollin::importer {
namespace {

// lib3ds's names are read into 64-byte buffers; a keyframer header name and a
// morph key name into smaller ones.
constexpr std::size_t kNameCapacity = 64;
constexpr std::size_t kKeyframerNameCapacity = 13;
constexpr std::size_t kMorphNameCapacity = 11;

// Work and memory that any file may take, and how much more each byte of the
// file may ask for. Real scenes stay far below both; a reader step is a value
// read, a list element visited or a node compared.
constexpr std::uint64_t kBaseWork = 20'000'000;
constexpr std::uint64_t kWorkPerByte = 64;
constexpr std::uint64_t kBaseMemory = 64u << 20;
constexpr std::uint64_t kMemoryPerByte = 32;

// Linking one node can move nodes that were read before it under it, and each
// of those looks for its own children again; real files go two levels deep.
constexpr std::size_t kMaxNodeLinkDepth = 64;

// lib3ds adds and subtracts four key frame numbers in 32-bit integers.
constexpr std::int32_t kFrameLimit = std::int32_t{1} << 29;

constexpr std::uint16_t kNoParent = LIB3DS_NO_PARENT;
constexpr int kNone = -1;

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

enum class Track { Bool, Lin1, Lin3, Quat, Morph };

struct MeshState {
    std::uint32_t points = 0;
    std::uint32_t faces = 0;
    std::uint32_t highestCorner = 0;
};

struct NodeState {
    Lib3dsNodeTypes type = LIB3DS_UNKNOWN_NODE;
    std::uint16_t id = 0;
    std::uint16_t parentId = 0;
    std::array<char, kNameCapacity + 1> name{};
    int parent = kNone;
    int next = kNone;
    int firstChild = kNone;
};

bool IsOneOf(std::uint16_t id, std::initializer_list<std::uint16_t> ids) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

bool IsShadowChunk(std::uint16_t id) {
    return IsOneOf(id, {LIB3DS_SHADOW_MAP_SIZE, LIB3DS_LO_SHADOW_BIAS, LIB3DS_HI_SHADOW_BIAS, LIB3DS_SHADOW_SAMPLES,
                        LIB3DS_SHADOW_RANGE, LIB3DS_SHADOW_FILTER, LIB3DS_RAY_BIAS});
}

bool IsBackgroundChunk(std::uint16_t id) {
    return IsOneOf(id, {LIB3DS_BIT_MAP, LIB3DS_SOLID_BGND, LIB3DS_V_GRADIENT, LIB3DS_USE_BIT_MAP,
                        LIB3DS_USE_SOLID_BGND, LIB3DS_USE_V_GRADIENT});
}

bool IsAtmosphereChunk(std::uint16_t id) {
    return IsOneOf(id, {LIB3DS_FOG, LIB3DS_LAYER_FOG, LIB3DS_DISTANCE_CUE, LIB3DS_USE_FOG, LIB3DS_USE_LAYER_FOG,
                        LIB3DS_USE_DISTANCE_CUE});
}

bool IsPercentageChunk(std::uint16_t id) {
    return IsOneOf(id, {LIB3DS_MAT_SHININESS, LIB3DS_MAT_SHIN2PCT, LIB3DS_MAT_TRANSPARENCY, LIB3DS_MAT_XPFALL,
                        LIB3DS_MAT_SELF_ILPCT, LIB3DS_MAT_REFBLUR});
}

bool IsTextureMapChunk(std::uint16_t id) {
    return IsOneOf(id, {LIB3DS_MAT_TEXMAP, LIB3DS_MAT_TEXMASK, LIB3DS_MAT_TEX2MAP, LIB3DS_MAT_TEX2MASK,
                        LIB3DS_MAT_OPACMAP, LIB3DS_MAT_OPACMASK, LIB3DS_MAT_BUMPMAP, LIB3DS_MAT_BUMPMASK,
                        LIB3DS_MAT_SPECMAP, LIB3DS_MAT_SPECMASK, LIB3DS_MAT_SHINMAP, LIB3DS_MAT_SHINMASK,
                        LIB3DS_MAT_SELFIMAP, LIB3DS_MAT_SELFIMASK, LIB3DS_MAT_REFLMAP, LIB3DS_MAT_REFLMASK});
}

// The node kind that lib3ds makes for a node chunk; unknown for other chunks.
Lib3dsNodeTypes NodeTypeOfTag(std::uint16_t id) {
    switch (id) {
        case LIB3DS_AMBIENT_NODE_TAG: return LIB3DS_AMBIENT_NODE;
        case LIB3DS_OBJECT_NODE_TAG: return LIB3DS_OBJECT_NODE;
        case LIB3DS_CAMERA_NODE_TAG: return LIB3DS_CAMERA_NODE;
        case LIB3DS_TARGET_NODE_TAG: return LIB3DS_TARGET_NODE;
        case LIB3DS_LIGHT_NODE_TAG:
        case LIB3DS_SPOTLIGHT_NODE_TAG: return LIB3DS_LIGHT_NODE;
        case LIB3DS_L_TARGET_NODE_TAG: return LIB3DS_SPOT_NODE;
        default: return LIB3DS_UNKNOWN_NODE;
    }
}

std::size_t KeySize(Track track) {
    switch (track) {
        case Track::Bool: return sizeof(Lib3dsBoolKey);
        case Track::Lin1: return sizeof(Lib3dsLin1Key);
        case Track::Lin3: return sizeof(Lib3dsLin3Key);
        case Track::Quat: return sizeof(Lib3dsQuatKey);
        case Track::Morph: return sizeof(Lib3dsMorphKey);
    }
    return 0;
}

// Bytes of a key after its frame and flags.
std::size_t KeyValueBytes(Track track) {
    switch (track) {
        case Track::Lin1: return 4;
        case Track::Lin3: return 12;
        case Track::Quat: return 16;
        default: return 0;
    }
}

// One node being linked, and the next top-level node it still has to look at.
struct Linking {
    int node;
    int scan;
};

class Lib3dsReadSimulation {
public:
    explicit Lib3dsReadSimulation(std::span<const std::uint8_t> file)
        : stream_(file),
          workLimit_(kBaseWork + kWorkPerByte * file.size()),
          memoryLimit_(kBaseMemory + kMemoryPerByte * file.size()) {}

    SceneFileFault Run() {
        if (!Enter(Reader::File)) return fault_;
        while (!frames_.empty()) {
            Frame& frame = frames_.back();
            const std::uint16_t child = frame.readsChildren ? NextChild(frame) : 0;
            if (fault_ != SceneFileFault::None) return fault_;
            const bool continues = child == 0 ? Leave() : ReadChild(child);
            if (!continues) return fault_;
        }
        if (!NodeTreeWithinDepth()) return fault_;
        return SceneFileFault::None;
    }

private:
    bool Fail(SceneFileFault fault) {
        fault_ = fault;
        return false;
    }

    bool Spend(std::uint64_t steps) {
        work_ += steps;
        return work_ <= workLimit_ || Fail(SceneFileFault::ExcessiveWork);
    }

    bool Allocate(std::uint64_t bytes) {
        memory_ += bytes;
        return memory_ <= memoryLimit_ || Fail(SceneFileFault::ExcessiveWork);
    }

    bool Skip(std::size_t bytes) {
        stream_.Skip(bytes);
        return Spend(bytes);
    }

    bool ReadName(std::size_t capacity, std::span<char> name = {}) {
        if (!Spend(capacity)) return false;
        std::array<std::uint8_t, kNameCapacity> text{};
        std::size_t length = 0;
        if (!stream_.ReadString(capacity, text, &length)) return Fail(SceneFileFault::Unreadable);
        if (!name.empty()) {
            std::fill(name.begin(), name.end(), '\0');
            std::memcpy(name.data(), text.data(), std::min(length, name.size() - 1));
        }
        return true;
    }

    // lib3ds_chunk_read_reset: back to the header that read_next has just read.
    void Reset() { stream_.Seek(-6, MemoryStream::Origin::Current); }

    // lib3ds_chunk_read_tell: the children start where the reading stands.
    void ChildrenStartHere() { frames_.back().cur = static_cast<std::uint32_t>(stream_.Tell()); }

    // lib3ds_chunk_read_start (`expected` 0 takes any chunk), or with
    // `ownHeaderOnly` the bare lib3ds_chunk_read of the readers that neither
    // walk children nor seek to their end.
    bool Start(Reader reader, std::uint16_t expected, bool ownHeaderOnly = false) {
        const auto at = static_cast<std::uint32_t>(stream_.Tell());
        Frame frame{reader};
        frame.id = stream_.ReadWord();
        const std::uint32_t size = stream_.ReadDword();
        if (!Spend(6)) return false;
        if (static_cast<std::uint64_t>(at) + size > std::numeric_limits<std::uint32_t>::max()) {
            return Fail(SceneFileFault::EndlessLoop);
        }
        if (size < 6) return Fail(SceneFileFault::Unreadable);
        if (expected != 0 && frame.id != expected) return Fail(SceneFileFault::Unreadable);
        frame.cur = at + 6;
        frame.end = at + size;
        frame.readsChildren = !ownHeaderOnly;
        frame.seeksToEnd = !ownHeaderOnly;
        frames_.push_back(frame);
        return true;
    }

    // lib3ds_chunk_read_next: the id of the next child, 0 at the end.
    std::uint16_t NextChild(Frame& frame) {
        if (frame.cur >= frame.end) return 0;
        stream_.Seek(frame.cur, MemoryStream::Origin::Start);
        const std::uint16_t id = stream_.ReadWord();
        const std::uint32_t size = stream_.ReadDword();
        if (!Spend(6) || id == 0) return 0;
        if (size == 0 || static_cast<std::uint64_t>(frame.cur) + size > std::numeric_limits<std::uint32_t>::max()) {
            Fail(SceneFileFault::EndlessLoop);
            return 0;
        }
        frame.cur += size;
        return id;
    }

    // A chunk is done: what lib3ds does after its loop, then read_end.
    bool Leave() {
        const Frame frame = frames_.back();
        frames_.pop_back();
        if (frame.reader == Reader::Mesh && !MeshFacesNameOwnPoints()) return false;
        if (frame.reader == Reader::Node && !LinkNode(static_cast<int>(nodes_.size()) - 1)) return false;
        if (frame.seeksToEnd) stream_.Seek(frame.end, MemoryStream::Origin::Start);
        return true;
    }

    // A reader's own header and, for the readers without a loop, its one
    // decision on the chunk's id.
    bool Enter(Reader reader) {
        switch (reader) {
            case Reader::File:
                if (!Start(reader, 0)) return false;
                switch (frames_.back().id) {
                    case LIB3DS_MDATA:
                        frames_.back().cur = frames_.back().end;
                        Reset();
                        return Enter(Reader::SceneData);
                    case LIB3DS_M3DMAGIC:
                    case LIB3DS_MLIBMAGIC:
                    case LIB3DS_CMAGIC:
                        return true;
                    default:
                        return Fail(SceneFileFault::Unreadable);
                }
            case Reader::SceneData: return Start(reader, LIB3DS_MDATA);
            case Reader::Keyframer: return Start(reader, LIB3DS_KFDATA);
            case Reader::NamedObject:
                if (!Start(reader, LIB3DS_NAMED_OBJECT) || !ReadName(kNameCapacity)) return false;
                ChildrenStartHere();
                return true;
            case Reader::Mesh:
                mesh_ = MeshState{};
                return Allocate(sizeof(Lib3dsMesh)) && Start(reader, LIB3DS_N_TRI_OBJECT);
            case Reader::FaceArray: return EnterFaceArray();
            case Reader::Camera: return Allocate(sizeof(Lib3dsCamera)) && StartWithHeaderData(reader, LIB3DS_N_CAMERA, 32);
            case Reader::Light:
                return Allocate(sizeof(Lib3dsLight)) && StartWithHeaderData(reader, LIB3DS_N_DIRECT_LIGHT, 12);
            case Reader::Spotlight: return StartWithHeaderData(reader, LIB3DS_DL_SPOTLIGHT, 20);
            case Reader::Material: return Allocate(sizeof(Lib3dsMaterial)) && Start(reader, LIB3DS_MAT_ENTRY);
            case Reader::Color:
            case Reader::Percentage:
            case Reader::TextureMap: return Start(reader, 0);
            case Reader::AmbientLight: return Start(reader, LIB3DS_AMBIENT_LIGHT);
            case Reader::Viewport:
                if (!Start(reader, 0)) return false;
                if (frames_.back().id == LIB3DS_VIEWPORT_LAYOUT) {
                    viewsInLayout_ = 0;
                    if (!Skip(14)) return false;
                    ChildrenStartHere();
                } else if (frames_.back().id != LIB3DS_DEFAULT_VIEW) {
                    frames_.back().readsChildren = false;
                }
                return true;
            case Reader::Shadow: return Start(reader, 0, true);
            case Reader::Background: return EnterBackground();
            case Reader::SolidBackground: return Start(reader, LIB3DS_SOLID_BGND);
            case Reader::Gradient: return StartWithHeaderData(reader, LIB3DS_V_GRADIENT, 4);
            case Reader::Atmosphere: return EnterAtmosphere();
            case Reader::Fog: return StartWithHeaderData(reader, LIB3DS_FOG, 16);
            case Reader::LayerFog: return StartWithHeaderData(reader, LIB3DS_LAYER_FOG, 16);
            case Reader::DistanceCue: return StartWithHeaderData(reader, LIB3DS_DISTANCE_CUE, 16);
            case Reader::Node:
                if (!Allocate(sizeof(Lib3dsNode)) || !Start(reader, 0)) return false;
                return NodeTypeOfTag(frames_.back().id) != LIB3DS_UNKNOWN_NODE || Fail(SceneFileFault::Unreadable);
        }
        return Fail(SceneFileFault::Unreadable);
    }

    bool StartWithHeaderData(Reader reader, std::uint16_t expected, std::size_t headerBytes) {
        if (!Start(reader, expected) || !Skip(headerBytes)) return false;
        ChildrenStartHere();
        return true;
    }

    bool EnterFaceArray() {
        if (!Start(Reader::FaceArray, LIB3DS_FACE_ARRAY)) return false;
        mesh_.faces = stream_.ReadWord();
        mesh_.highestCorner = 0;
        if (mesh_.faces == 0) {
            frames_.back().readsChildren = false;
            return true;
        }
        if (!Allocate(std::uint64_t{mesh_.faces} * sizeof(Lib3dsFace)) || !Spend(std::uint64_t{mesh_.faces} * 8)) {
            return false;
        }
        for (std::uint32_t face = 0; face < mesh_.faces; ++face) {
            for (int corner = 0; corner < 3; ++corner) {
                mesh_.highestCorner = std::max<std::uint32_t>(mesh_.highestCorner, stream_.ReadWord());
            }
            stream_.ReadWord();  // flags
        }
        ChildrenStartHere();
        return true;
    }

    bool EnterBackground() {
        if (!Start(Reader::Background, 0, true)) return false;
        switch (frames_.back().id) {
            case LIB3DS_BIT_MAP: return ReadName(kNameCapacity);
            case LIB3DS_SOLID_BGND: Reset(); return Enter(Reader::SolidBackground);
            case LIB3DS_V_GRADIENT: Reset(); return Enter(Reader::Gradient);
            default: return true;
        }
    }

    bool EnterAtmosphere() {
        if (!Start(Reader::Atmosphere, 0, true)) return false;
        switch (frames_.back().id) {
            case LIB3DS_FOG: Reset(); return Enter(Reader::Fog);
            case LIB3DS_LAYER_FOG: Reset(); return Enter(Reader::LayerFog);
            case LIB3DS_DISTANCE_CUE: Reset(); return Enter(Reader::DistanceCue);
            default: return true;
        }
    }

    // One child of the innermost chunk: read in place, or descended into.
    bool ReadChild(std::uint16_t id) {
        Frame& frame = frames_.back();
        switch (frame.reader) {
            case Reader::File:
                if (id == LIB3DS_MDATA) return Descend(Reader::SceneData);
                if (id == LIB3DS_KFDATA) return Descend(Reader::Keyframer);
                return true;
            case Reader::SceneData: return ReadSceneDataChild(id);
            case Reader::Keyframer: return ReadKeyframerChild(id);
            case Reader::NamedObject:
                if (id == LIB3DS_N_TRI_OBJECT) return Descend(Reader::Mesh);
                if (id == LIB3DS_N_CAMERA) return Descend(Reader::Camera);
                if (id == LIB3DS_N_DIRECT_LIGHT) return Descend(Reader::Light);
                return true;
            case Reader::Mesh: return ReadMeshChild(id);
            case Reader::FaceArray: return ReadFaceArrayChild(id);
            case Reader::Light: return id != LIB3DS_DL_SPOTLIGHT || Descend(Reader::Spotlight);
            case Reader::Spotlight: return id != LIB3DS_DL_SPOT_PROJECTOR || ReadName(kNameCapacity);
            case Reader::Material:
                if (id == LIB3DS_MAT_NAME) return ReadName(kNameCapacity);
                if (id == LIB3DS_MAT_AMBIENT || id == LIB3DS_MAT_DIFFUSE || id == LIB3DS_MAT_SPECULAR) {
                    return Descend(Reader::Color);
                }
                if (IsPercentageChunk(id)) return Descend(Reader::Percentage);
                if (IsTextureMapChunk(id)) return Descend(Reader::TextureMap);
                return true;
            case Reader::TextureMap: return id != LIB3DS_MAT_MAPNAME || ReadName(kNameCapacity);
            case Reader::Gradient: {
                // The fourth colour of a kind would be written past lib3ds's array of three.
                const std::size_t kind = id == LIB3DS_COLOR_F ? 0 : id == LIB3DS_LIN_COLOR_F ? 1 : 2;
                if (kind < 2 && ++frame.gradientColors[kind] > 3) return Fail(SceneFileFault::GradientOverflow);
                return true;
            }
            case Reader::Viewport:
                if (frame.id != LIB3DS_VIEWPORT_LAYOUT || id != LIB3DS_VIEWPORT_DATA_3) return true;
                // Each view grows the view list by one with realloc.
                ++viewsInLayout_;
                return Allocate(sizeof(Lib3dsView)) && Spend(viewsInLayout_);
            case Reader::Node: return ReadNodeChild(id);
            default: return true;
        }
    }

    bool Descend(Reader reader) {
        Reset();
        return Enter(reader);
    }

    bool ReadSceneDataChild(std::uint16_t id) {
        if (IsShadowChunk(id)) return Descend(Reader::Shadow);
        if (IsBackgroundChunk(id)) return Descend(Reader::Background);
        if (IsAtmosphereChunk(id)) return Descend(Reader::Atmosphere);
        switch (id) {
            case LIB3DS_VIEWPORT_LAYOUT:
            case LIB3DS_DEFAULT_VIEW: return Descend(Reader::Viewport);
            case LIB3DS_AMBIENT_LIGHT: return Descend(Reader::AmbientLight);
            case LIB3DS_MAT_ENTRY: return Descend(Reader::Material);
            case LIB3DS_NAMED_OBJECT: return Descend(Reader::NamedObject);
            default: return true;
        }
    }

    bool ReadKeyframerChild(std::uint16_t id) {
        if (id == LIB3DS_KFHDR) {
            stream_.ReadWord();
            return ReadName(kKeyframerNameCapacity);
        }
        if (id == LIB3DS_VIEWPORT_LAYOUT || id == LIB3DS_DEFAULT_VIEW) return Descend(Reader::Viewport);
        const Lib3dsNodeTypes type = NodeTypeOfTag(id);
        if (type == LIB3DS_UNKNOWN_NODE) return true;
        NodeState node;
        node.type = type;
        node.id = static_cast<std::uint16_t>(nodeNumber_++);
        nodes_.push_back(node);
        return Descend(Reader::Node);
    }

    bool ReadArray(std::uint32_t& count, std::size_t fileBytesEach, std::size_t memoryBytesEach) {
        count = stream_.ReadWord();
        return Allocate(std::uint64_t{count} * memoryBytesEach) && Skip(count * fileBytesEach);
    }

    bool ReadMeshChild(std::uint16_t id) {
        std::uint32_t ignored = 0;
        switch (id) {
            case LIB3DS_POINT_ARRAY: return ReadArray(mesh_.points, 12, sizeof(Lib3dsPoint));
            case LIB3DS_POINT_FLAG_ARRAY: return ReadArray(ignored, 2, sizeof(Lib3dsWord));
            case LIB3DS_TEX_VERTS: return ReadArray(ignored, 8, sizeof(Lib3dsTexel));
            case LIB3DS_FACE_ARRAY: return Descend(Reader::FaceArray);
            default: return true;
        }
    }

    bool ReadFaceArrayChild(std::uint16_t id) {
        switch (id) {
            case LIB3DS_SMOOTH_GROUP: return Skip(std::size_t{mesh_.faces} * 4);
            case LIB3DS_MSH_MAT_GROUP: {
                if (!ReadName(kNameCapacity)) return false;
                const std::uint32_t count = stream_.ReadWord();
                if (!Spend(std::uint64_t{count} * 2)) return false;
                for (std::uint32_t entry = 0; entry < count; ++entry) {
                    if (stream_.ReadWord() >= mesh_.faces) return Fail(SceneFileFault::FaceOutOfRange);
                }
                return true;
            }
            case LIB3DS_MSH_BOXMAP:
                for (int side = 0; side < 6; ++side) {
                    if (!ReadName(kNameCapacity)) return false;
                }
                return true;
            default: return true;
        }
    }

    // What lib3ds checks only with assertions after reading an object: every
    // corner names one of the object's points.
    bool MeshFacesNameOwnPoints() {
        if (mesh_.faces == 0) return true;
        if (!Spend(mesh_.faces)) return false;
        return mesh_.highestCorner < mesh_.points || Fail(SceneFileFault::PointOutOfRange);
    }

    bool ReadNodeChild(std::uint16_t id) {
        NodeState& node = nodes_.back();
        const bool object = node.type == LIB3DS_OBJECT_NODE;
        const bool light = node.type == LIB3DS_LIGHT_NODE;
        const bool camera = node.type == LIB3DS_CAMERA_NODE;
        switch (id) {
            case LIB3DS_NODE_ID: node.id = stream_.ReadWord(); return true;
            case LIB3DS_NODE_HDR:
                if (!ReadName(kNameCapacity, node.name)) return false;
                stream_.ReadWord();
                stream_.ReadWord();
                node.parentId = stream_.ReadWord();
                return true;
            case LIB3DS_INSTANCE_NAME: return !object || ReadName(kNameCapacity);
            case LIB3DS_COL_TRACK_TAG:
                return !(light || node.type == LIB3DS_AMBIENT_NODE) || ReadTrack(Track::Lin3);
            case LIB3DS_POS_TRACK_TAG: return node.type == LIB3DS_AMBIENT_NODE || ReadTrack(Track::Lin3);
            case LIB3DS_ROT_TRACK_TAG: return !object || ReadTrack(Track::Quat);
            case LIB3DS_SCL_TRACK_TAG: return !object || ReadTrack(Track::Lin3);
            case LIB3DS_FOV_TRACK_TAG: return !camera || ReadTrack(Track::Lin1);
            case LIB3DS_HOT_TRACK_TAG:
            case LIB3DS_FALL_TRACK_TAG: return !light || ReadTrack(Track::Lin1);
            case LIB3DS_ROLL_TRACK_TAG: return !(camera || light) || ReadTrack(Track::Lin1);
            case LIB3DS_HIDE_TRACK_TAG: return !object || ReadTrack(Track::Bool);
            case LIB3DS_MORPH_TRACK_TAG: return !object || ReadTrack(Track::Morph);
            default: return true;
        }
    }

    // A track's keys, each allocated and, but for morph keys, put in frame
    // order by walking the keys before it.
    bool ReadTrack(Track track) {
        stream_.ReadWord();
        stream_.ReadDword();
        stream_.ReadDword();
        const auto keys = static_cast<std::int32_t>(stream_.ReadDword());
        std::vector<std::int32_t>& frames = trackFrames_;
        frames.clear();
        for (std::int32_t key = 0; key < keys; ++key) {
            if (!Allocate(KeySize(track))) return false;
            const auto frame = static_cast<std::int32_t>(stream_.ReadDword());
            if (frame <= -kFrameLimit || frame >= kFrameLimit) return Fail(SceneFileFault::FrameOutOfRange);
            const std::uint16_t flags = stream_.ReadWord();
            const std::size_t tcbBytes = 4u * static_cast<std::size_t>(std::popcount(flags & 0x1Fu));
            if (!Skip(tcbBytes + KeyValueBytes(track)) || !Spend(6)) return false;
            if (track == Track::Morph) {
                if (!ReadName(kMorphNameCapacity)) return false;
                continue;
            }
            const auto place = std::upper_bound(frames.begin(), frames.end(), frame);
            if (!Spend(static_cast<std::uint64_t>(place - frames.begin()) + 1)) return false;
            frames.insert(place, frame);
        }
        return true;
    }

    // lib3ds_file_insert_node: the node goes under the node of its parent id
    // (or to the top), sorted by name among its siblings; then every top-level
    // node whose parent id is this node's id is taken out and inserted again,
    // each of those doing the same in turn.
    bool LinkNode(int node) {
        if (!PlaceNode(node)) return false;
        std::vector<Linking>& linking = linking_;
        linking.assign(1, Linking{node, nodes_[node].id != kNoParent ? topNode_ : kNone});
        while (!linking.empty()) {
            Linking& current = linking.back();
            if (current.scan == kNone) {
                linking.pop_back();
                continue;
            }
            const int candidate = current.scan;
            current.scan = nodes_[candidate].next;
            if (!Spend(1)) return false;
            if (nodes_[candidate].parentId != nodes_[current.node].id) continue;
            UnlinkNode(candidate);
            if (!PlaceNode(candidate)) return false;
            if (linking.size() >= kMaxNodeLinkDepth) return Fail(SceneFileFault::EndlessNodeLinking);
            linking.push_back(Linking{candidate, nodes_[candidate].id != kNoParent ? topNode_ : kNone});
        }
        return true;
    }

    bool PlaceNode(int node) {
        int parent = kNone;
        if (nodes_[node].parentId != kNoParent && !FindNode(nodes_[node].parentId, parent)) return false;
        nodes_[node].parent = parent;
        int& head = parent == kNone ? topNode_ : nodes_[parent].firstChild;
        int previous = kNone;
        int sibling = head;
        for (; sibling != kNone; previous = sibling, sibling = nodes_[sibling].next) {
            if (!Spend(1)) return false;
            if (std::strcmp(nodes_[sibling].name.data(), nodes_[node].name.data()) > 0) break;
        }
        if (previous == kNone) {
            nodes_[node].next = head;
            head = node;
        } else {
            nodes_[node].next = nodes_[previous].next;
            nodes_[previous].next = node;
        }
        return true;
    }

    // lib3ds_file_remove_node, which leaves the lists alone when the node is
    // not in the list it expects.
    void UnlinkNode(int node) {
        int& head = nodes_[node].parent == kNone ? topNode_ : nodes_[nodes_[node].parent].firstChild;
        int previous = kNone;
        int sibling = head;
        for (; sibling != kNone && sibling != node; previous = sibling, sibling = nodes_[sibling].next) {
            if (!Spend(1)) return;
        }
        if (sibling == kNone || fault_ != SceneFileFault::None) return;
        if (previous == kNone) {
            head = nodes_[node].next;
        } else {
            nodes_[previous].next = nodes_[node].next;
        }
    }

    // The node tree depth first, a node before its children, in the order
    // lib3ds_file_node_by_id searches it, until `visit` returns true. False
    // when the tree is deeper than kMaxNodeDepth or the work too much.
    template <typename Visit>
    bool WalkNodeTree(Visit visit) {
        std::vector<int>& pending = pending_;
        pending.assign(1, topNode_);
        while (!pending.empty()) {
            const int node = pending.back();
            if (node == kNone) {
                pending.pop_back();
                continue;
            }
            if (!Spend(1)) return false;
            pending.back() = nodes_[node].next;
            if (visit(node)) return true;
            if (pending.size() > kMaxNodeDepth) return Fail(SceneFileFault::NodeTreeTooDeep);
            pending.push_back(nodes_[node].firstChild);
        }
        return true;
    }

    bool FindNode(std::uint16_t id, int& found) {
        found = kNone;
        return WalkNodeTree([&](int node) {
            if (nodes_[node].id != id) return false;
            found = node;
            return true;
        });
    }

    bool NodeTreeWithinDepth() {
        return WalkNodeTree([](int) { return false; });
    }

    MemoryStream stream_;
    std::vector<Frame> frames_;
    SceneFileFault fault_ = SceneFileFault::None;
    std::uint64_t work_ = 0;
    std::uint64_t workLimit_;
    std::uint64_t memory_ = 0;
    std::uint64_t memoryLimit_;
    MeshState mesh_;
    std::uint32_t viewsInLayout_ = 0;
    std::vector<NodeState> nodes_;
    int topNode_ = kNone;
    std::uint32_t nodeNumber_ = 0;
    std::vector<std::int32_t> trackFrames_;
    std::vector<int> pending_;
    std::vector<Linking> linking_;
};

}  // namespace

SceneFileFault FindSceneFileFault(std::span<const std::uint8_t> file) {
    if (file.size() > std::numeric_limits<std::uint32_t>::max()) return SceneFileFault::Unreadable;
    return Lib3dsReadSimulation(file).Run();
}

}  // namespace hollin::importer
