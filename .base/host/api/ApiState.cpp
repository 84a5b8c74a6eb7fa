#include "ApiState.h"

namespace korvanta {

namespace {

void RegisterEntities(const Entities& entities) {
    ApiState& state = State();
    state.entities.Adopt(&entities);
    for (const auto& instance : entities.instances) state.instances.Adopt(instance.get());
    UpdateFaceArray(entities);
}

void ForgetEntities(const Entities& entities) {
    ApiState& state = State();
    for (const auto& instance : entities.instances) state.instances.Forget(instance.get());
    auto array = state.faceArrayOf.find(&entities);
    if (array != state.faceArrayOf.end()) {
        state.faceArrays.erase(array->second);
        state.faceArrayOf.erase(array);
    }
    state.entities.Forget(&entities);
}

}  // namespace

ApiState apiState;

void ApiState::Reset() {
    // Owners before the objects they own, so nothing is destroyed twice.
    models.Clear();
    definitions.Clear();
    materials.Clear();
    textures.Clear();
    instances.Clear();
    inputs.Clear();
    loops.Clear();
    entities.Clear();
    faceArrays.clear();
    faceArrayOf.clear();
    textureFiles.Clear();
}

void RegisterDefinitionContents(const ComponentDefinition& definition) { RegisterEntities(definition.entities); }

void ForgetDefinitionContents(const ComponentDefinition& definition) { ForgetEntities(definition.entities); }

void RegisterModelContents(const Model& model) {
    ApiState& state = State();
    RegisterEntities(model.entities);
    for (const auto& material : model.materials) {
        state.materials.Adopt(material.get());
        if (material->texture) state.textures.Adopt(material->texture.get());
    }
    for (const auto& definition : model.definitions) {
        state.definitions.Adopt(definition.get());
        RegisterDefinitionContents(*definition);
    }
}

void ForgetModelContents(const Model& model) {
    ApiState& state = State();
    ForgetEntities(model.entities);
    for (const auto& material : model.materials) {
        if (material->texture) state.textures.Forget(material->texture.get());
        state.materials.Forget(material.get());
    }
    for (const auto& definition : model.definitions) {
        ForgetDefinitionContents(*definition);
        state.definitions.Forget(definition.get());
    }
}

void UpdateFaceArray(const Entities& entities) {
    ApiState& state = State();
    auto previous = state.faceArrayOf.find(&entities);
    if (previous != state.faceArrayOf.end()) {
        state.faceArrays.erase(previous->second);
        state.faceArrayOf.erase(previous);
    }
    if (entities.faces.empty()) return;
    state.faceArrays[entities.faces.data()] = &entities;
    state.faceArrayOf[&entities] = entities.faces.data();
}

LiveFace FindLiveFace(const void* pointer) {
    const ApiState& state = State();
    const auto* face = static_cast<const Face*>(pointer);
    auto array = state.faceArrays.upper_bound(face);
    if (array == state.faceArrays.begin()) return {};
    --array;
    const Entities& entities = *array->second;
    const auto offset = reinterpret_cast<std::uintptr_t>(pointer) - reinterpret_cast<std::uintptr_t>(array->first);
    if (offset % sizeof(Face) != 0 || offset / sizeof(Face) >= entities.faces.size()) return {};
    return {const_cast<Face*>(&entities.faces[offset / sizeof(Face)]), &entities};
}

}  // namespace korvanta
