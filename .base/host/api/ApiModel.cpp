#include <unordered_set>

#include "ApiOutput.h"
#include "ApiState.h"
#include "CoplanarMerge.h"
#include "ModelFile.h"
#include "Parallel.h"

using namespace korvanta;

namespace {

// Checks that every reference of a list names a distinct detached object.
template <typename T, typename Ref>
KVResult CheckTransferable(const ObjectRegistry<T>& registry, std::size_t count, const Ref* refs) {
    if (count != 0 && refs == nullptr) return KV_ERROR_NULL_POINTER_INPUT;
    std::unordered_set<const void*> seen;
    for (std::size_t i = 0; i < count; ++i) {
        if (refs[i].ptr == nullptr) return KV_ERROR_NULL_POINTER_INPUT;
        if (registry.Find(refs[i].ptr) == nullptr || !registry.IsDetached(refs[i].ptr) || !seen.insert(refs[i].ptr).second) {
            return KV_ERROR_INVALID_INPUT;
        }
    }
    return KV_SUCCESS;
}

}  // namespace

extern "C" {

KVResult KVModelCreate(KVModelRef* model) {
    return Guarded([&] {
        if (KVResult result = CheckCreateOutput(State().models, model); result != KV_SUCCESS) return result;
        Model* created = State().models.Create();
        RegisterModelContents(*created);
        model->ptr = created;
        return KV_SUCCESS;
    });
}

KVResult KVModelCreateFromFile(KVModelRef* model, const char* path, KVModelFileVerdict* verdict) {
    return Guarded([&] {
        if (KVResult result = CheckCreateOutput(State().models, model); result != KV_SUCCESS) return result;
        if (path == nullptr) return KV_ERROR_NULL_POINTER_INPUT;
        Model* created = State().models.Create();
        const KVResult result = LoadModelFile(path, *created, verdict);
        if (result != KV_SUCCESS) {
            State().models.Forget(created);
            return result;
        }
        RegisterModelContents(*created);
        model->ptr = created;
        return KV_SUCCESS;
    });
}

KVResult KVModelRelease(KVModelRef* model) {
    return Guarded([&] {
        if (model == nullptr) return KV_ERROR_NULL_POINTER_INPUT;
        Model* object = nullptr;
        if (KVResult result = Resolve(State().models, model->ptr, object); result != KV_SUCCESS) return result;
        ForgetModelContents(*object);
        State().models.Forget(object);
        model->ptr = nullptr;
        return KV_SUCCESS;
    });
}

KVResult KVModelGetEntities(KVModelRef model, KVEntitiesRef* entities) {
    return GuardedOn(State().models, model.ptr, [&](Model& object) {
        return SetOutput(entities, KVEntitiesRef{&object.entities});
    });
}

KVResult KVModelAddMaterials(KVModelRef model, size_t count, const KVMaterialRef* materials) {
    return Guarded([&] {
        ApiState& state = State();
        Model* object = nullptr;
        if (KVResult result = Resolve(state.models, model.ptr, object); result != KV_SUCCESS) return result;
        if (KVResult result = CheckTransferable(state.materials, count, materials); result != KV_SUCCESS) return result;
        for (std::size_t i = 0; i < count; ++i) object->materials.push_back(state.materials.TakeOwnership(materials[i].ptr));
        return KV_SUCCESS;
    });
}

KVResult KVModelAddComponentDefinitions(KVModelRef model, size_t count, const KVComponentDefinitionRef* definitions) {
    return Guarded([&] {
        ApiState& state = State();
        Model* object = nullptr;
        if (KVResult result = Resolve(state.models, model.ptr, object); result != KV_SUCCESS) return result;
        if (KVResult result = CheckTransferable(state.definitions, count, definitions); result != KV_SUCCESS) {
            return result;
        }
        for (std::size_t i = 0; i < count; ++i) {
            object->definitions.push_back(state.definitions.TakeOwnership(definitions[i].ptr));
        }
        return KV_SUCCESS;
    });
}

KVResult KVModelMergeCoplanarFaces(KVModelRef model) {
    return GuardedOn(State().models, model.ptr, [&](Model& object) {
        std::vector<Entities*> allEntities{&object.entities};
        for (const auto& definition : object.definitions) allEntities.push_back(&definition->entities);
        // Each entities merges on its own, so they share out over the cores.
        KVResult result = KV_SUCCESS;
        try {
            ForEachInParallel(allEntities.size(), [&](std::size_t i) { MergeCoplanarFaces(*allEntities[i]); });
        } catch (...) {
            result = KV_ERROR_GENERIC;
        }
        // Also after a failure: a merge may have replaced face arrays before it failed.
        for (const Entities* entities : allEntities) UpdateFaceArray(*entities);
        return result;
    });
}

KVResult KVModelSaveToFile(KVModelRef model, const char* path) {
    return GuardedOn(State().models, model.ptr, [&](Model& object) {
        if (path == nullptr) return KV_ERROR_NULL_POINTER_INPUT;
        return SaveModelFile(object, path);
    });
}

KVResult KVModelGetNumMaterials(KVModelRef model, size_t* count) {
    return GuardedOn(State().models, model.ptr, [&](Model& object) {
        return SetOutput(count, object.materials.size());
    });
}

KVResult KVModelGetMaterials(KVModelRef model, size_t capacity, KVMaterialRef* materials, size_t* count) {
    return GuardedOn(State().models, model.ptr, [&](Model& object) {
        return CopyRefs(object.materials, capacity, materials, count, [](const auto& m) { return m.get(); });
    });
}

KVResult KVModelGetNumComponentDefinitions(KVModelRef model, size_t* count) {
    return GuardedOn(State().models, model.ptr, [&](Model& object) {
        return SetOutput(count, object.definitions.size());
    });
}

KVResult KVModelGetComponentDefinitions(KVModelRef model, size_t capacity, KVComponentDefinitionRef* definitions,
                                        size_t* count) {
    return GuardedOn(State().models, model.ptr, [&](Model& object) {
        return CopyRefs(object.definitions, capacity, definitions, count, [](const auto& d) { return d.get(); });
    });
}

}  // extern "C"
