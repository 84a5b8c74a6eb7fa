#include "scenefile/ChunkTables.h"

#include <lib3ds/chunk.h>
#include <lib3ds/tracks.h>

#include <algorithm>
#include <initializer_list>

namespace hollin::importer {
namespace {

bool IsOneOf(std::uint16_t id, std::initializer_list<std::uint16_t> ids) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

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

std::size_t KeyValueBytes(Track track) {
    switch (track) {
        case Track::Lin1: return 4;
        case Track::Lin3: return 12;
        case Track::Quat: return 16;
        default: return 0;
    }
}

}  // namespace hollin::importer
