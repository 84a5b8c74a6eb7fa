#include "scenefile/ReadSimulation.h"

#include <lib3ds/camera.h>
#include <lib3ds/chunk.h>
#include <lib3ds/light.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace hollin::importer::scene_check {

SceneFileVerdict Lib3dsReadSimulation::Run() {
    if (Enter(Reader::File)) {
        while (!frames_.empty()) {
            Frame& frame = frames_.back();
            const std::uint16_t child = frame.readsChildren ? NextChild(frame) : 0;
            if (budget_.Failed()) break;
            if (!(child == 0 ? Leave() : ReadChild(child))) break;
        }
        if (!budget_.Failed()) nodes_.TreeWithinDepth();
    }
    SceneFileVerdict verdict = budget_.Verdict();
    if (verdict.fault != SceneFileFault::None) {
        verdict.overrun.reset();
    } else {
        verdict.sceneBytes = budget_.Allocated();
        const ImportDemand demand = ImportDemandOf(meshes_, nodes_, verdict.sceneBytes);
        verdict.facesToBuild = demand.facesToBuild;
        verdict.memoryNeeded = demand.memoryNeeded;
    }
    return verdict;
}

// Notes a chunk header just read at `at`, and whether it runs past the
// chunk that holds it (`parentEnd`) or past the end of the file.
void Lib3dsReadSimulation::Reading(std::uint16_t id, std::uint32_t at, std::uint32_t size, std::uint64_t parentEnd) {
    budget_.Reading({id, at});
    const std::uint64_t end = std::uint64_t{at} + size;
    const std::uint64_t fileEnd = stream_.Size();
    const std::uint64_t limit = std::min(parentEnd, fileEnd);
    if (size >= 6 && end > limit) budget_.Overrun({{id, at}, end, limit, end > fileEnd});
}

bool Lib3dsReadSimulation::Skip(std::size_t bytes) {
    stream_.Skip(bytes);
    return Spend(bytes);
}

bool Lib3dsReadSimulation::ReadName(std::size_t capacity, std::span<char> name) {
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

// lib3ds_chunk_read_start (`expected` 0 takes any chunk), or with
// `ownHeaderOnly` the bare lib3ds_chunk_read of the readers that neither
// walk children nor seek to their end.
bool Lib3dsReadSimulation::Start(Reader reader, std::uint16_t expected, bool ownHeaderOnly) {
    const auto at = static_cast<std::uint32_t>(stream_.Tell());
    Frame frame{reader};
    frame.id = stream_.ReadWord();
    const std::uint32_t size = stream_.ReadDword();
    Reading(frame.id, at, size, frames_.empty() ? std::uint64_t{UINT32_MAX} : frames_.back().end);
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
std::uint16_t Lib3dsReadSimulation::NextChild(Frame& frame) {
    if (frame.cur >= frame.end) return 0;
    stream_.Seek(frame.cur, MemoryStream::Origin::Start);
    const std::uint16_t id = stream_.ReadWord();
    const std::uint32_t size = stream_.ReadDword();
    if (id != 0) Reading(id, frame.cur, size, frame.end);
    if (!Spend(6) || id == 0) return 0;
    if (size == 0 || static_cast<std::uint64_t>(frame.cur) + size > std::numeric_limits<std::uint32_t>::max()) {
        Fail(SceneFileFault::EndlessLoop);
        return 0;
    }
    frame.cur += size;
    return id;
}

// A chunk is done: what lib3ds does after its loop, then read_end.
bool Lib3dsReadSimulation::Leave() {
    const Frame frame = frames_.back();
    frames_.pop_back();
    if (frame.reader == Reader::Mesh) {
        if (!MeshFacesNameOwnPoints()) return false;
        meshes_.push_back({objectName_, mesh_.points, mesh_.faces, budget_.Allocated() - meshStartBytes_});
    }
    if (frame.reader == Reader::Node && !nodes_.LinkLast()) return false;
    if (frame.seeksToEnd) stream_.Seek(frame.end, MemoryStream::Origin::Start);
    return true;
}

// A reader's own header and, for the readers without a loop, its one
// decision on the chunk's id.
bool Lib3dsReadSimulation::Enter(Reader reader) {
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
            if (!Start(reader, LIB3DS_NAMED_OBJECT) || !ReadName(kNameCapacity, objectName_)) return false;
            ChildrenStartHere();
            return true;
        case Reader::Mesh:
            mesh_ = MeshState{};
            meshStartBytes_ = budget_.Allocated();
            return Allocate(sizeof(Lib3dsMesh)) && Start(reader, LIB3DS_N_TRI_OBJECT);
        case Reader::FaceArray: return EnterFaceArray();
        case Reader::Camera: return Allocate(sizeof(Lib3dsCamera)) && StartWithHeaderData(reader, LIB3DS_N_CAMERA, 32);
        case Reader::Light:
            return Allocate(sizeof(Lib3dsLight)) && StartWithHeaderData(reader, LIB3DS_N_DIRECT_LIGHT, 12);
        case Reader::Spotlight: return StartWithHeaderData(reader, LIB3DS_DL_SPOTLIGHT, 20);
        case Reader::Material:
            budget_.Material();
            return Allocate(sizeof(Lib3dsMaterial)) && Start(reader, LIB3DS_MAT_ENTRY);
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

bool Lib3dsReadSimulation::StartWithHeaderData(Reader reader, std::uint16_t expected, std::size_t headerBytes) {
    if (!Start(reader, expected) || !Skip(headerBytes)) return false;
    ChildrenStartHere();
    return true;
}

bool Lib3dsReadSimulation::EnterFaceArray() {
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
    // Each face is three corners and its flags, 16 bits each, little-endian;
    // bytes past the end of the file read as zero.
    const std::span<const std::uint8_t> faces = stream_.Take(std::size_t{mesh_.faces} * 8);
    const auto wordAt = [&faces](std::size_t at) -> std::uint32_t {
        const std::uint32_t low = at < faces.size() ? faces[at] : 0u;
        const std::uint32_t high = at + 1 < faces.size() ? faces[at + 1] : 0u;
        return low | high << 8;
    };
    std::uint32_t highest = 0;
    const std::size_t whole = faces.size() / 8;
    for (std::size_t face = 0; face < whole; ++face) {
        const std::uint8_t* corner = faces.data() + face * 8;
        for (std::size_t c = 0; c < 6; c += 2) highest = std::max(highest, corner[c] | std::uint32_t{corner[c + 1]} << 8);
    }
    for (std::size_t at = whole * 8; at < whole * 8 + 6; at += 2) highest = std::max(highest, wordAt(at));
    mesh_.highestCorner = highest;
    ChildrenStartHere();
    return true;
}

bool Lib3dsReadSimulation::EnterBackground() {
    if (!Start(Reader::Background, 0, true)) return false;
    switch (frames_.back().id) {
        case LIB3DS_BIT_MAP: return ReadName(kNameCapacity);
        case LIB3DS_SOLID_BGND: Reset(); return Enter(Reader::SolidBackground);
        case LIB3DS_V_GRADIENT: Reset(); return Enter(Reader::Gradient);
        default: return true;
    }
}

bool Lib3dsReadSimulation::EnterAtmosphere() {
    if (!Start(Reader::Atmosphere, 0, true)) return false;
    switch (frames_.back().id) {
        case LIB3DS_FOG: Reset(); return Enter(Reader::Fog);
        case LIB3DS_LAYER_FOG: Reset(); return Enter(Reader::LayerFog);
        case LIB3DS_DISTANCE_CUE: Reset(); return Enter(Reader::DistanceCue);
        default: return true;
    }
}

}  // namespace hollin::importer::scene_check
