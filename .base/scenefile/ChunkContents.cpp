#include "scenefile/ReadSimulation.h"

#include <lib3ds/chunk.h>
#include <lib3ds/mesh.h>
#include <lib3ds/tracks.h>
#include <lib3ds/viewport.h>

#include <algorithm>
#include <bit>

namespace hollin::importer::scene_check {

// One child of the innermost chunk: read in place, or descended into.
bool Lib3dsReadSimulation::ReadChild(std::uint16_t id) {
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
            if (id == LIB3DS_MAT_NAME) {
                std::array<char, kNameCapacity + 1> name{};
                if (!ReadName(kNameCapacity, name)) return false;
                budget_.MaterialName(name.data());
                return true;
            }
            if (id == LIB3DS_MAT_AMBIENT || id == LIB3DS_MAT_DIFFUSE || id == LIB3DS_MAT_SPECULAR) {
                return Descend(Reader::Color);
            }
            if (IsPercentageChunk(id)) return Descend(Reader::Percentage);
            if (IsTextureMapChunk(id)) return Descend(Reader::TextureMap);
            return true;
        case Reader::TextureMap: return id != LIB3DS_MAT_MAPNAME || ReadMapName(frame.id == LIB3DS_MAT_TEXMAP);
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

bool Lib3dsReadSimulation::ReadMapName(bool firstTextureMap) {
    std::array<char, kNameCapacity + 1> name{};
    if (!ReadName(kNameCapacity, name)) return false;
    if (firstTextureMap) budget_.TextureName(name.data());
    return true;
}

bool Lib3dsReadSimulation::ReadSceneDataChild(std::uint16_t id) {
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

bool Lib3dsReadSimulation::ReadKeyframerChild(std::uint16_t id) {
    if (id == LIB3DS_KFHDR) {
        stream_.ReadWord();
        return ReadName(kKeyframerNameCapacity);
    }
    if (id == LIB3DS_VIEWPORT_LAYOUT || id == LIB3DS_DEFAULT_VIEW) return Descend(Reader::Viewport);
    const Lib3dsNodeTypes type = NodeTypeOfTag(id);
    if (type == LIB3DS_UNKNOWN_NODE) return true;
    nodes_.Add(type);
    return Descend(Reader::Node);
}

bool Lib3dsReadSimulation::ReadArray(std::uint32_t& count, std::size_t fileBytesEach, std::size_t memoryBytesEach) {
    count = stream_.ReadWord();
    return Allocate(std::uint64_t{count} * memoryBytesEach) && Skip(count * fileBytesEach);
}

bool Lib3dsReadSimulation::ReadMeshChild(std::uint16_t id) {
    std::uint32_t ignored = 0;
    switch (id) {
        case LIB3DS_POINT_ARRAY: return ReadArray(mesh_.points, 12, sizeof(Lib3dsPoint));
        case LIB3DS_POINT_FLAG_ARRAY: return ReadArray(ignored, 2, sizeof(Lib3dsWord));
        case LIB3DS_TEX_VERTS: return ReadArray(ignored, 8, sizeof(Lib3dsTexel));
        case LIB3DS_FACE_ARRAY: return Descend(Reader::FaceArray);
        default: return true;
    }
}

bool Lib3dsReadSimulation::ReadFaceArrayChild(std::uint16_t id) {
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
bool Lib3dsReadSimulation::MeshFacesNameOwnPoints() {
    if (mesh_.faces == 0) return true;
    if (!Spend(mesh_.faces)) return false;
    return mesh_.highestCorner < mesh_.points || Fail(SceneFileFault::PointOutOfRange);
}

bool Lib3dsReadSimulation::ReadNodeChild(std::uint16_t id) {
    NodeLinks::Node& node = nodes_.Last();
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
bool Lib3dsReadSimulation::ReadTrack(Track track) {
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

}  // namespace hollin::importer::scene_check
