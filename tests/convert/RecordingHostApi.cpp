#include "RecordingHostApi.h"

#include <algorithm>

namespace hollin::importer::testing {
namespace {

enum class Kind : std::uintptr_t { Model = 1, Entities, Material, Texture, Definition, Instance, GeometryInput, Loop };

// Top-level entities are entities number 0; definition d owns number d + 1.
constexpr std::size_t kTopLevelEntities = 0;

struct GeometryInput {
    RecordedFill contents;
    bool released = false;
};

struct InternalState {
    RecordingHostApi api;
    std::vector<GeometryInput> inputs;
    std::vector<std::vector<std::size_t>> loops;
    std::size_t modelsCreated = 0;
};

InternalState& State() {
    static InternalState state;
    return state;
}

RecordingHostApi& Api() { return State().api; }

void* Encode(Kind kind, std::size_t index) {
    return reinterpret_cast<void*>((static_cast<std::uintptr_t>(kind) << 32) | (index + 1));
}

// The index of a reference of the given kind below `count`, or nothing
// (recorded as a misuse) for null, foreign or out-of-range references.
std::optional<std::size_t> Decode(const void* pointer, Kind kind, std::size_t count, const char* function) {
    const auto bits = reinterpret_cast<std::uintptr_t>(pointer);
    const std::uintptr_t index = (bits & 0xFFFFFFFFu) - 1;
    if (pointer == nullptr || (bits >> 32) != static_cast<std::uintptr_t>(kind) || index >= count) {
        Api().misuses.push_back(std::string(function) + ": bad reference");
        return std::nullopt;
    }
    return static_cast<std::size_t>(index);
}

std::optional<std::size_t> DecodeModel(KVModelRef model, const char* function) {
    return Decode(model.ptr, Kind::Model, State().modelsCreated, function);
}

std::optional<std::size_t> DecodeMaterial(KVMaterialRef material, const char* function) {
    return Decode(material.ptr, Kind::Material, Api().materials.size(), function);
}

std::optional<std::size_t> DecodeDefinition(KVComponentDefinitionRef definition, const char* function) {
    return Decode(definition.ptr, Kind::Definition, Api().definitions.size(), function);
}

GeometryInput* DecodeInput(KVGeometryInputRef input, const char* function) {
    const auto index = Decode(input.ptr, Kind::GeometryInput, State().inputs.size(), function);
    if (!index) return nullptr;
    GeometryInput& found = State().inputs[*index];
    if (found.released) {
        Api().misuses.push_back(std::string(function) + ": released geometry input");
        return nullptr;
    }
    return &found;
}

KVResult Record(const char* function) {
    Api().calls.emplace_back(function);
    if (Api().initializeCount <= Api().terminateCount && std::string(function) != "KVInitialize") {
        Api().misuses.push_back(std::string(function) + ": outside KVInitialize/KVTerminate");
    }
    return KV_SUCCESS;
}

}  // namespace

std::optional<std::size_t> RecordingHostApi::MaterialIndex(KVMaterialRef material) const {
    const auto bits = reinterpret_cast<std::uintptr_t>(material.ptr);
    if (material.ptr == nullptr || (bits >> 32) != static_cast<std::uintptr_t>(Kind::Material)) return std::nullopt;
    return static_cast<std::size_t>((bits & 0xFFFFFFFFu) - 1);
}

std::size_t RecordingHostApi::FilledFaceCount() const {
    std::size_t count = 0;
    for (const RecordedDefinition& definition : definitions) {
        for (const RecordedFill& fill : definition.fills) count += fill.faces.size();
    }
    return count;
}

std::size_t RecordingHostApi::CallCount(const std::string& function) const {
    return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), function));
}

RecordingHostApi& RecordingHostApi::Get() { return Api(); }

void RecordingHostApi::Reset() { State() = InternalState{}; }

}  // namespace hollin::importer::testing

using namespace hollin::importer::testing;

extern "C" {

KVResult KVInitialize(void) {
    ++Api().initializeCount;
    return Record("KVInitialize");
}

KVResult KVTerminate(void) {
    Record("KVTerminate");
    ++Api().terminateCount;
    return KV_SUCCESS;
}

KVResult KVModelCreate(KVModelRef* model) {
    Record("KVModelCreate");
    model->ptr = Encode(Kind::Model, State().modelsCreated++);
    return KV_SUCCESS;
}

KVResult KVModelGetEntities(KVModelRef model, KVEntitiesRef* entities) {
    Record("KVModelGetEntities");
    if (!DecodeModel(model, "KVModelGetEntities")) return KV_ERROR_INVALID_INPUT;
    entities->ptr = Encode(Kind::Entities, kTopLevelEntities);
    return KV_SUCCESS;
}

KVResult KVModelAddMaterials(KVModelRef model, size_t count, const KVMaterialRef* materials) {
    Record("KVModelAddMaterials");
    DecodeModel(model, "KVModelAddMaterials");
    for (size_t index = 0; index < count; ++index) {
        if (auto material = DecodeMaterial(materials[index], "KVModelAddMaterials")) {
            Api().materials[*material].addedToModel = true;
        }
    }
    return KV_SUCCESS;
}

KVResult KVModelAddComponentDefinitions(KVModelRef model, size_t count, const KVComponentDefinitionRef* definitions) {
    Record("KVModelAddComponentDefinitions");
    DecodeModel(model, "KVModelAddComponentDefinitions");
    for (size_t index = 0; index < count; ++index) {
        if (auto definition = DecodeDefinition(definitions[index], "KVModelAddComponentDefinitions")) {
            Api().definitions[*definition].addedToModel = true;
        }
    }
    return KV_SUCCESS;
}

KVResult KVModelMergeCoplanarFaces(KVModelRef model) {
    Record("KVModelMergeCoplanarFaces");
    DecodeModel(model, "KVModelMergeCoplanarFaces");
    ++Api().mergeCount;
    return KV_SUCCESS;
}

KVResult KVModelSaveToFile(KVModelRef model, const char* path) {
    Record("KVModelSaveToFile");
    DecodeModel(model, "KVModelSaveToFile");
    Api().savedPaths.emplace_back(path);
    return KV_SUCCESS;
}

KVResult KVModelRelease(KVModelRef* model) {
    Record("KVModelRelease");
    DecodeModel(*model, "KVModelRelease");
    ++Api().modelReleaseCount;
    model->ptr = nullptr;
    return KV_SUCCESS;
}

KVResult KVMaterialCreate(KVMaterialRef* material) {
    Record("KVMaterialCreate");
    const std::size_t call = Api().materialCreateCalls++;
    const auto& failing = Api().failingMaterialCreates;
    if (std::find(failing.begin(), failing.end(), call) != failing.end()) return KV_ERROR_GENERIC;
    Api().materials.emplace_back();
    material->ptr = Encode(Kind::Material, Api().materials.size() - 1);
    return KV_SUCCESS;
}

KVResult KVMaterialSetName(KVMaterialRef material, const char* name) {
    Record("KVMaterialSetName");
    if (auto index = DecodeMaterial(material, "KVMaterialSetName")) Api().materials[*index].name = name;
    return KV_SUCCESS;
}

KVResult KVMaterialSetColor(KVMaterialRef material, const KVColor* color) {
    Record("KVMaterialSetColor");
    if (auto index = DecodeMaterial(material, "KVMaterialSetColor")) Api().materials[*index].color = *color;
    return KV_SUCCESS;
}

KVResult KVMaterialSetOpacity(KVMaterialRef material, double opacity) {
    Record("KVMaterialSetOpacity");
    if (auto index = DecodeMaterial(material, "KVMaterialSetOpacity")) Api().materials[*index].opacity = opacity;
    return KV_SUCCESS;
}

KVResult KVTextureCreateFromFile(KVTextureRef* texture, const char* path, double sScale, double tScale) {
    Record("KVTextureCreateFromFile");
    Api().textureRequests.emplace_back(path);
    if (sScale != 1.0 || tScale != 1.0) Api().misuses.emplace_back("KVTextureCreateFromFile: scale other than 1");
    if (Api().failTextureCreates) return KV_ERROR_FILE_READ;
    Api().textures.emplace_back(path);
    texture->ptr = Encode(Kind::Texture, Api().textures.size() - 1);
    return KV_SUCCESS;
}

KVResult KVMaterialSetTexture(KVMaterialRef material, KVTextureRef texture) {
    Record("KVMaterialSetTexture");
    const auto materialIndex = DecodeMaterial(material, "KVMaterialSetTexture");
    const auto textureIndex = Decode(texture.ptr, Kind::Texture, Api().textures.size(), "KVMaterialSetTexture");
    if (materialIndex && textureIndex) Api().materials[*materialIndex].texturePath = Api().textures[*textureIndex];
    return KV_SUCCESS;
}

KVResult KVComponentDefinitionCreate(KVComponentDefinitionRef* definition) {
    Record("KVComponentDefinitionCreate");
    Api().definitions.emplace_back();
    definition->ptr = Encode(Kind::Definition, Api().definitions.size() - 1);
    return KV_SUCCESS;
}

KVResult KVComponentDefinitionSetName(KVComponentDefinitionRef definition, const char* name) {
    Record("KVComponentDefinitionSetName");
    if (auto index = DecodeDefinition(definition, "KVComponentDefinitionSetName")) {
        Api().definitions[*index].name = name;
    }
    return KV_SUCCESS;
}

KVResult KVComponentDefinitionGetEntities(KVComponentDefinitionRef definition, KVEntitiesRef* entities) {
    Record("KVComponentDefinitionGetEntities");
    const auto index = DecodeDefinition(definition, "KVComponentDefinitionGetEntities");
    if (!index) return KV_ERROR_INVALID_INPUT;
    entities->ptr = Encode(Kind::Entities, *index + 1);
    return KV_SUCCESS;
}

KVResult KVComponentDefinitionCreateInstance(KVComponentDefinitionRef definition, KVComponentInstanceRef* instance) {
    Record("KVComponentDefinitionCreateInstance");
    const auto index = DecodeDefinition(definition, "KVComponentDefinitionCreateInstance");
    if (!index) return KV_ERROR_INVALID_INPUT;
    Api().instances.push_back(RecordedInstance{*index, false, false, std::nullopt});
    instance->ptr = Encode(Kind::Instance, Api().instances.size() - 1);
    return KV_SUCCESS;
}

KVResult KVEntitiesAddInstance(KVEntitiesRef entities, KVComponentInstanceRef instance, const char* name) {
    Record("KVEntitiesAddInstance");
    const auto target = Decode(entities.ptr, Kind::Entities, Api().definitions.size() + 1, "KVEntitiesAddInstance");
    const auto index = Decode(instance.ptr, Kind::Instance, Api().instances.size(), "KVEntitiesAddInstance");
    if (target && index) {
        Api().instances[*index].addedToTopLevel = *target == kTopLevelEntities;
        Api().instances[*index].addedWithName = name != nullptr;
    }
    return KV_SUCCESS;
}

KVResult KVComponentInstanceSetTransform(KVComponentInstanceRef instance, const KVTransformation* transform) {
    Record("KVComponentInstanceSetTransform");
    if (auto index = Decode(instance.ptr, Kind::Instance, Api().instances.size(), "KVComponentInstanceSetTransform")) {
        Api().instances[*index].transform = *transform;
    }
    return KV_SUCCESS;
}

KVResult KVGeometryInputCreate(KVGeometryInputRef* input) {
    Record("KVGeometryInputCreate");
    State().inputs.emplace_back();
    ++Api().geometryInputsCreated;
    input->ptr = Encode(Kind::GeometryInput, State().inputs.size() - 1);
    return KV_SUCCESS;
}

KVResult KVGeometryInputAddVertex(KVGeometryInputRef input, const KVPoint3D* point) {
    Record("KVGeometryInputAddVertex");
    if (GeometryInput* found = DecodeInput(input, "KVGeometryInputAddVertex")) {
        found->contents.vertices.push_back(*point);
    }
    return KV_SUCCESS;
}

KVResult KVLoopInputCreate(KVLoopInputRef* loop) {
    Record("KVLoopInputCreate");
    State().loops.emplace_back();
    loop->ptr = Encode(Kind::Loop, State().loops.size() - 1);
    return KV_SUCCESS;
}

KVResult KVLoopInputAddVertexIndex(KVLoopInputRef loop, size_t vertexIndex) {
    Record("KVLoopInputAddVertexIndex");
    if (auto index = Decode(loop.ptr, Kind::Loop, State().loops.size(), "KVLoopInputAddVertexIndex")) {
        State().loops[*index].push_back(vertexIndex);
    }
    return KV_SUCCESS;
}

KVResult KVGeometryInputAddFace(KVGeometryInputRef input, KVLoopInputRef* outerLoop, size_t* faceIndex) {
    Record("KVGeometryInputAddFace");
    GeometryInput* found = DecodeInput(input, "KVGeometryInputAddFace");
    const auto loop = Decode(outerLoop->ptr, Kind::Loop, State().loops.size(), "KVGeometryInputAddFace");
    if (found == nullptr || !loop) return KV_ERROR_INVALID_INPUT;
    if (faceIndex == nullptr) return KV_ERROR_NULL_POINTER_OUTPUT;
    found->contents.faces.push_back(State().loops[*loop]);
    *faceIndex = found->contents.faces.size() - 1;
    outerLoop->ptr = nullptr;
    return KV_SUCCESS;
}

KVResult KVGeometryInputFaceSetFrontMaterial(KVGeometryInputRef input, size_t faceIndex,
                                             const KVMaterialInput* material) {
    Record("KVGeometryInputFaceSetFrontMaterial");
    GeometryInput* found = DecodeInput(input, "KVGeometryInputFaceSetFrontMaterial");
    if (found == nullptr) return KV_ERROR_INVALID_INPUT;
    if (faceIndex >= found->contents.faces.size()) {
        Api().misuses.emplace_back("KVGeometryInputFaceSetFrontMaterial: no such face");
        return KV_ERROR_OUT_OF_RANGE;
    }
    DecodeMaterial(material->material, "KVGeometryInputFaceSetFrontMaterial");
    found->contents.frontMaterials[faceIndex] = *material;
    return KV_SUCCESS;
}

KVResult KVEntitiesFill(KVEntitiesRef entities, KVGeometryInputRef input, bool weldVertices) {
    Record("KVEntitiesFill");
    const auto target = Decode(entities.ptr, Kind::Entities, Api().definitions.size() + 1, "KVEntitiesFill");
    GeometryInput* found = DecodeInput(input, "KVEntitiesFill");
    if (!target || found == nullptr) return KV_ERROR_INVALID_INPUT;
    if (*target == kTopLevelEntities) {
        Api().misuses.emplace_back("KVEntitiesFill: faces filled into the model's top level");
        return KV_SUCCESS;
    }
    RecordedFill fill = found->contents;
    fill.weldVertices = weldVertices;
    Api().definitions[*target - 1].fills.push_back(std::move(fill));
    return KV_SUCCESS;
}

KVResult KVGeometryInputRelease(KVGeometryInputRef* input) {
    Record("KVGeometryInputRelease");
    if (GeometryInput* found = DecodeInput(*input, "KVGeometryInputRelease")) {
        found->released = true;
        ++Api().geometryInputsReleased;
    }
    input->ptr = nullptr;
    return KV_SUCCESS;
}

}  // extern "C"
