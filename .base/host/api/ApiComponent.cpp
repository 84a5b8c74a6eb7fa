#include <cmath>

#include "ApiOutput.h"
#include "ApiState.h"
#include "utils/Utf8Conversion.h"

using namespace korvanta;

namespace {

bool HasInstances(const ComponentDefinition* definition) {
    bool found = false;
    State().instances.ForEachLive([&](const ComponentInstance& instance) { found |= instance.definition == definition; });
    return found;
}

}  // namespace

extern "C" {

KVResult KVComponentDefinitionCreate(KVComponentDefinitionRef* definition) {
    return Guarded([&] {
        if (KVResult result = CheckCreateOutput(State().definitions, definition); result != KV_SUCCESS) return result;
        ComponentDefinition* created = State().definitions.Create();
        RegisterDefinitionContents(*created);
        definition->ptr = created;
        return KV_SUCCESS;
    });
}

KVResult KVComponentDefinitionRelease(KVComponentDefinitionRef* definition) {
    return Guarded([&] {
        ApiState& state = State();
        if (definition == nullptr) return KV_ERROR_NULL_POINTER_INPUT;
        ComponentDefinition* object = nullptr;
        if (KVResult result = Resolve(state.definitions, definition->ptr, object); result != KV_SUCCESS) return result;
        // Instances name their definition; it must outlive them, as a model's definitions do.
        if (!state.definitions.IsDetached(object) || HasInstances(object)) return KV_ERROR_INVALID_INPUT;
        ForgetDefinitionContents(*object);
        state.definitions.Forget(object);
        definition->ptr = nullptr;
        return KV_SUCCESS;
    });
}

KVResult KVComponentDefinitionSetName(KVComponentDefinitionRef definition, const char* name) {
    return GuardedOn(State().definitions, definition.ptr, [&](ComponentDefinition& object) {
        if (name == nullptr) return KV_ERROR_NULL_POINTER_INPUT;
        object.name = hollin::utils::Utf8FromUtf8OrWindows1252(name);
        return KV_SUCCESS;
    });
}

KVResult KVComponentDefinitionGetName(KVComponentDefinitionRef definition, size_t capacity, char* name,
                                      size_t* length) {
    return GuardedOn(State().definitions, definition.ptr, [&](ComponentDefinition& object) {
        return CopyText(object.name, capacity, name, length);
    });
}

KVResult KVComponentDefinitionGetEntities(KVComponentDefinitionRef definition, KVEntitiesRef* entities) {
    return GuardedOn(State().definitions, definition.ptr, [&](ComponentDefinition& object) {
        return SetOutput(entities, KVEntitiesRef{&object.entities});
    });
}

KVResult KVComponentDefinitionCreateInstance(KVComponentDefinitionRef definition, KVComponentInstanceRef* instance) {
    return Guarded([&] {
        ApiState& state = State();
        ComponentDefinition* object = nullptr;
        if (KVResult result = Resolve(state.definitions, definition.ptr, object); result != KV_SUCCESS) return result;
        if (KVResult result = CheckCreateOutput(state.instances, instance); result != KV_SUCCESS) return result;
        ComponentInstance* created = state.instances.Create();
        created->definition = object;
        instance->ptr = created;
        return KV_SUCCESS;
    });
}

KVResult KVComponentInstanceSetTransform(KVComponentInstanceRef instance, const KVTransformation* transform) {
    return GuardedOn(State().instances, instance.ptr, [&](ComponentInstance& object) {
        if (transform == nullptr) return KV_ERROR_NULL_POINTER_INPUT;
        for (double value : transform->values) {
            if (!std::isfinite(value)) return KV_ERROR_OUT_OF_RANGE;
        }
        object.transform = *transform;
        return KV_SUCCESS;
    });
}

KVResult KVComponentInstanceGetTransform(KVComponentInstanceRef instance, KVTransformation* transform) {
    return GuardedOn(State().instances, instance.ptr, [&](ComponentInstance& object) {
        return SetOutput(transform, object.transform);
    });
}

KVResult KVComponentInstanceGetDefinition(KVComponentInstanceRef instance, KVComponentDefinitionRef* definition) {
    return GuardedOn(State().instances, instance.ptr, [&](ComponentInstance& object) {
        return SetOutput(definition, KVComponentDefinitionRef{object.definition});
    });
}

}  // extern "C"
