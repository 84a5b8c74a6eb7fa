#pragma once

// The library's process-wide state: the initialisation count and the
// registries of live objects that every API call checks its references against.

#include <map>

#include "GeometryInput.h"
#include "KorvantaAPI.h"
#include "Model.h"
#include "ObjectRegistry.h"
#include "TextureFiles.h"

namespace korvanta {

struct ApiState {
    int initializeCount = 0;
    ObjectRegistry<Model> models;
    ObjectRegistry<Entities> entities;  // never detached: they live in models and definitions
    ObjectRegistry<Material> materials;
    ObjectRegistry<Texture> textures;
    ObjectRegistry<ComponentDefinition> definitions;
    ObjectRegistry<ComponentInstance> instances;
    ObjectRegistry<GeometryInput> inputs;
    ObjectRegistry<LoopInput> loops;
    // First face of each live entities' face array, for telling whether a face
    // reference points into one of them.
    std::map<const Face*, const Entities*> faceArrays;
    std::map<const Entities*, const Face*> faceArrayOf;
    TextureFiles textureFiles;

    void Reset();
};

// Every call reaches the state, so it is made when the library is loaded
// instead of on first use, which each call would check for.
extern ApiState apiState;
inline ApiState& State() { return apiState; }

// Registers everything a model owns (after creating or loading it) or forgets it (before freeing it).
void RegisterModelContents(const Model& model);
void ForgetModelContents(const Model& model);
void RegisterDefinitionContents(const ComponentDefinition& definition);
void ForgetDefinitionContents(const ComponentDefinition& definition);
// Call after an entities' face array may have moved or changed size.
void UpdateFaceArray(const Entities& entities);
struct LiveFace {
    Face* face = nullptr;
    const Entities* entities = nullptr;
};
LiveFace FindLiveFace(const void* pointer);

// Runs an API call body: refuses calls outside KVInitialize/KVTerminate and
// keeps every exception, standard or not, from crossing the C boundary.
template <typename Body>
KVResult Guarded(Body body) noexcept {
    try {
        if (State().initializeCount == 0) return KV_ERROR_NOT_INITIALIZED;
        return body();
    } catch (...) {
        return KV_ERROR_GENERIC;
    }
}

// Looks an input reference up in its registry.
template <typename T>
KVResult Resolve(const ObjectRegistry<T>& registry, const void* pointer, T*& object) {
    if (pointer == nullptr) return KV_ERROR_NULL_POINTER_INPUT;
    object = registry.Find(pointer);
    return object != nullptr ? KV_SUCCESS : KV_ERROR_INVALID_INPUT;
}

// Runs an API call body on the live object an input reference names.
template <typename T, typename Body>
KVResult GuardedOn(const ObjectRegistry<T>& registry, const void* pointer, Body body) noexcept {
    return Guarded([&] {
        T* object = nullptr;
        if (KVResult result = Resolve(registry, pointer, object); result != KV_SUCCESS) return result;
        return body(*object);
    });
}

// The same for calls on two objects, whose references are checked in order.
template <typename T, typename U, typename Body>
KVResult GuardedOn(const ObjectRegistry<T>& registry, const void* pointer, const ObjectRegistry<U>& otherRegistry,
                   const void* otherPointer, Body body) noexcept {
    return GuardedOn(registry, pointer, [&](T& object) {
        U* other = nullptr;
        if (KVResult result = Resolve(otherRegistry, otherPointer, other); result != KV_SUCCESS) return result;
        return body(object, *other);
    });
}

// Checks the output reference of a create call: present and not naming a live object.
template <typename T, typename Ref>
KVResult CheckCreateOutput(const ObjectRegistry<T>& registry, const Ref* output) {
    if (output == nullptr) return KV_ERROR_NULL_POINTER_OUTPUT;
    if (output->ptr != nullptr && registry.Find(output->ptr) != nullptr) return KV_ERROR_OVERWRITE_VALID;
    return KV_SUCCESS;
}

}  // namespace korvanta
