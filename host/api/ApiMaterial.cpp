#include <cmath>

#include "ApiOutput.h"
#include "ApiState.h"
#include "TextureDecodeCount.h"
#include "utils/Utf8Conversion.h"

using namespace korvanta;

namespace {

bool AnyFaceUses(const Material* material) {
    for (const auto& [entities, firstFace] : State().faceArrayOf) {
        for (const Face& face : entities->faces) {
            if (face.frontMaterial == material) return true;
        }
    }
    return false;
}

// Checks the arguments every texture is made with, then has `load` read the
// image into the new texture.
template <typename Load>
KVResult CreateTexture(KVTextureRef* texture, const char* source, double s_scale, double t_scale, const Load& load) {
    return Guarded([&] {
        ApiState& state = State();
        if (KVResult result = CheckCreateOutput(state.textures, texture); result != KV_SUCCESS) return result;
        if (source == nullptr) return KV_ERROR_NULL_POINTER_INPUT;
        if (!(std::isfinite(s_scale) && s_scale > 0.0 && std::isfinite(t_scale) && t_scale > 0.0)) {
            return KV_ERROR_OUT_OF_RANGE;
        }
        Texture decoded;
        if (KVResult result = load(decoded); result != KV_SUCCESS) return result;
        decoded.sScale = s_scale;
        decoded.tScale = t_scale;
        Texture* created = state.textures.Create();
        *created = std::move(decoded);
        texture->ptr = created;
        return KV_SUCCESS;
    });
}

}  // namespace

extern "C" {

KVResult KVMaterialCreate(KVMaterialRef* material) {
    return Guarded([&] {
        if (KVResult result = CheckCreateOutput(State().materials, material); result != KV_SUCCESS) return result;
        material->ptr = State().materials.Create();
        return KV_SUCCESS;
    });
}

KVResult KVMaterialRelease(KVMaterialRef* material) {
    return Guarded([&] {
        ApiState& state = State();
        if (material == nullptr) return KV_ERROR_NULL_POINTER_INPUT;
        Material* object = nullptr;
        if (KVResult result = Resolve(state.materials, material->ptr, object); result != KV_SUCCESS) return result;
        // A model's material, or one that faces still show, must outlive them.
        if (!state.materials.IsDetached(object) || AnyFaceUses(object)) return KV_ERROR_INVALID_INPUT;
        if (object->texture) state.textures.Forget(object->texture.get());
        state.materials.Forget(object);
        material->ptr = nullptr;
        return KV_SUCCESS;
    });
}

KVResult KVMaterialSetName(KVMaterialRef material, const char* name) {
    return GuardedOn(State().materials, material.ptr, [&](Material& object) {
        if (name == nullptr) return KV_ERROR_NULL_POINTER_INPUT;
        object.name = hollin::utils::Utf8FromUtf8OrWindows1252(name);
        return KV_SUCCESS;
    });
}

KVResult KVMaterialGetName(KVMaterialRef material, size_t capacity, char* name, size_t* length) {
    return GuardedOn(State().materials, material.ptr, [&](Material& object) {
        return CopyText(object.name, capacity, name, length);
    });
}

KVResult KVMaterialSetColor(KVMaterialRef material, const KVColor* color) {
    return GuardedOn(State().materials, material.ptr, [&](Material& object) {
        if (color == nullptr) return KV_ERROR_NULL_POINTER_INPUT;
        object.color = *color;
        return KV_SUCCESS;
    });
}

KVResult KVMaterialGetColor(KVMaterialRef material, KVColor* color) {
    return GuardedOn(State().materials, material.ptr, [&](Material& object) {
        return SetOutput(color, object.color);
    });
}

KVResult KVMaterialSetOpacity(KVMaterialRef material, double opacity) {
    return GuardedOn(State().materials, material.ptr, [&](Material& object) {
        if (!(opacity >= 0.0 && opacity <= 1.0)) return KV_ERROR_OUT_OF_RANGE;
        object.opacity = opacity;
        return KV_SUCCESS;
    });
}

KVResult KVMaterialGetOpacity(KVMaterialRef material, double* opacity) {
    return GuardedOn(State().materials, material.ptr, [&](Material& object) {
        return SetOutput(opacity, object.opacity);
    });
}

KVResult KVMaterialSetTexture(KVMaterialRef material, KVTextureRef texture) {
    ApiState& state = State();
    return GuardedOn(state.materials, material.ptr, state.textures, texture.ptr, [&](Material& object, Texture& image) {
        if (!state.textures.IsDetached(&image)) return KV_ERROR_INVALID_INPUT;
        if (object.texture) state.textures.Forget(object.texture.get());
        object.texture = state.textures.TakeOwnership(&image);
        return KV_SUCCESS;
    });
}

KVResult KVMaterialGetTexture(KVMaterialRef material, KVTextureRef* texture) {
    return GuardedOn(State().materials, material.ptr, [&](Material& object) {
        if (texture == nullptr) return KV_ERROR_NULL_POINTER_OUTPUT;
        texture->ptr = object.texture.get();
        return object.texture ? KV_SUCCESS : KV_ERROR_NO_DATA;
    });
}

KVResult KVTextureCreateFromFile(KVTextureRef* texture, const char* path, double s_scale, double t_scale) {
    return CreateTexture(texture, path, s_scale, t_scale,
                         [&](Texture& decoded) { return State().textureFiles.Load(path, decoded); });
}

KVResult KVTextureCreateFromDescriptor(KVTextureRef* texture, int descriptor, const char* name, double s_scale,
                                       double t_scale) {
    return CreateTexture(texture, name, s_scale, t_scale,
                         [&](Texture& decoded) { return State().textureFiles.Load(descriptor, name, decoded); });
}

KVResult KVTextureCheckDescriptor(int descriptor) {
    return Guarded([&] { return State().textureFiles.Check(descriptor); });
}

KVResult KVTextureRelease(KVTextureRef* texture) {
    return Guarded([&] {
        ApiState& state = State();
        if (texture == nullptr) return KV_ERROR_NULL_POINTER_INPUT;
        Texture* object = nullptr;
        if (KVResult result = Resolve(state.textures, texture->ptr, object); result != KV_SUCCESS) return result;
        if (!state.textures.IsDetached(object)) return KV_ERROR_INVALID_INPUT;
        state.textures.Forget(object);
        texture->ptr = nullptr;
        return KV_SUCCESS;
    });
}

KVResult KVTextureGetDimensions(KVTextureRef texture, size_t* width, size_t* height, double* s_scale, double* t_scale) {
    return GuardedOn(State().textures, texture.ptr, [&](Texture& object) {
        if (width == nullptr || height == nullptr || s_scale == nullptr || t_scale == nullptr) {
            return KV_ERROR_NULL_POINTER_OUTPUT;
        }
        *width = object.image->size.width;
        *height = object.image->size.height;
        *s_scale = object.sScale;
        *t_scale = object.tScale;
        return KV_SUCCESS;
    });
}

}  // extern "C"

std::uint64_t korvanta::TextureFilesDecoded() {
    return State().textureFiles.Decoded();
}
