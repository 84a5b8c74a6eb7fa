#include "RecordingHostApi.h"

#include <cstdint>
#include <utility>

namespace hollin::importer::testing {
namespace {

// Entities number 0 are the model's top level; definition d owns number d + 1.
void* Handle(std::size_t index) { return reinterpret_cast<void*>(index + 1); }
std::size_t Index(const void* handle) { return reinterpret_cast<std::uintptr_t>(handle) - 1; }

template <typename Item>
void* Append(std::vector<Item>& list) {
    list.emplace_back();
    return Handle(list.size() - 1);
}

RecordedMaterial& MaterialAt(KVMaterialRef material) { return Host().materials.at(Index(material.ptr)); }
RecordedFill& InputAt(KVGeometryInputRef input) { return Host().geometryInputs.at(Index(input.ptr)); }

}  // namespace

std::size_t MaterialIndex(KVMaterialRef material) { return Index(material.ptr); }

RecordingHostApi& Host() {
    static RecordingHostApi host;
    return host;
}

}  // namespace hollin::importer::testing

using namespace hollin::importer::testing;

// A KV function that records its name, carries out `effect` (statements) and,
// unless the effect returns a failure, succeeds.
#define RECORDING(name, parameters, effect) \
    extern "C" KVResult name parameters {   \
        Host().calls.emplace_back(#name);   \
        effect;                             \
        return KV_SUCCESS;                  \
    }

RECORDING(KVInitialize, (void), {})
RECORDING(KVTerminate, (void), {})
RECORDING(KVModelCreate, (KVModelRef* model), model->ptr = Handle(0))
RECORDING(KVModelGetEntities, (KVModelRef, KVEntitiesRef* entities), entities->ptr = Handle(0))
RECORDING(KVModelAddMaterials, (KVModelRef, size_t, const KVMaterialRef*), {})
RECORDING(KVModelAddComponentDefinitions, (KVModelRef, size_t, const KVComponentDefinitionRef*), {})
RECORDING(KVModelMergeCoplanarFaces, (KVModelRef), {})
RECORDING(KVModelSaveToFile, (KVModelRef, const char* path), Host().savedPaths.emplace_back(path))
RECORDING(KVModelRelease, (KVModelRef* model), model->ptr = nullptr)
RECORDING(KVMaterialCreate, (KVMaterialRef* material),
          if (std::exchange(Host().refuseNextMaterial, false)) return KV_ERROR_GENERIC;
          material->ptr = Append(Host().materials))
RECORDING(KVMaterialSetName, (KVMaterialRef material, const char* name), MaterialAt(material).name = name)
RECORDING(KVMaterialSetColor, (KVMaterialRef material, const KVColor* color), MaterialAt(material).color = *color)
RECORDING(KVMaterialSetOpacity, (KVMaterialRef material, double opacity), MaterialAt(material).opacity = opacity)
RECORDING(KVTextureCreateFromFile, (KVTextureRef* texture, const char* path, double, double),
          Host().textureRequests.emplace_back(path); if (Host().refuseTextures) return KV_ERROR_FILE_READ;
          texture->ptr = Handle(Host().textureRequests.size() - 1))
RECORDING(KVMaterialSetTexture, (KVMaterialRef material, KVTextureRef texture),
          MaterialAt(material).texturePath = Host().textureRequests.at(Index(texture.ptr)))
RECORDING(KVComponentDefinitionCreate, (KVComponentDefinitionRef* definition),
          definition->ptr = Append(Host().definitions))
RECORDING(KVComponentDefinitionSetName, (KVComponentDefinitionRef definition, const char* name),
          Host().definitions.at(Index(definition.ptr)).name = name)
RECORDING(KVComponentDefinitionGetEntities, (KVComponentDefinitionRef definition, KVEntitiesRef* entities),
          entities->ptr = Handle(Index(definition.ptr) + 1))
RECORDING(KVComponentDefinitionCreateInstance, (KVComponentDefinitionRef, KVComponentInstanceRef* instance),
          instance->ptr = Append(Host().instances))
RECORDING(KVEntitiesAddInstance, (KVEntitiesRef entities, KVComponentInstanceRef instance, const char*),
          Host().instances.at(Index(instance.ptr)).topLevel = Index(entities.ptr) == 0)
RECORDING(KVComponentInstanceSetTransform, (KVComponentInstanceRef instance, const KVTransformation* transform),
          Host().instances.at(Index(instance.ptr)).transform = *transform)
RECORDING(KVGeometryInputCreate, (KVGeometryInputRef* input),
          input->ptr = Append(Host().geometryInputs); ++Host().openGeometryInputs)
RECORDING(KVGeometryInputRelease, (KVGeometryInputRef* input), input->ptr = nullptr; --Host().openGeometryInputs)
RECORDING(KVGeometryInputAddVertex, (KVGeometryInputRef input, const KVPoint3D* point),
          InputAt(input).vertices.push_back(*point))
RECORDING(KVLoopInputCreate, (KVLoopInputRef* loop), loop->ptr = Append(Host().loops))
RECORDING(KVLoopInputAddVertexIndex, (KVLoopInputRef loop, size_t vertex),
          Host().loops.at(Index(loop.ptr)).push_back(vertex))
RECORDING(KVGeometryInputAddFace, (KVGeometryInputRef input, KVLoopInputRef* loop, size_t* face),
          InputAt(input).faces.push_back(Host().loops.at(Index(loop->ptr))); loop->ptr = nullptr;
          *face = InputAt(input).faces.size() - 1)
RECORDING(KVGeometryInputFaceSetFrontMaterial, (KVGeometryInputRef input, size_t face, const KVMaterialInput* material),
          InputAt(input).frontMaterials[face] = *material)
// A fill into the top level has no definition to land in and throws.
RECORDING(KVEntitiesFill, (KVEntitiesRef entities, KVGeometryInputRef input, bool weld),
          Host().definitions.at(Index(entities.ptr) - 1).fills.push_back(InputAt(input));
          Host().definitions.at(Index(entities.ptr) - 1).fills.back().weldVertices = weld)
