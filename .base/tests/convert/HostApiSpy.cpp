#include "HostApiSpy.h"

#include <utility>

#include "KorvantaAPI.h"

namespace hollin::importer::testing {

HostApiSpy& Spy() {
    static HostApiSpy spy;
    return spy;
}

}  // namespace hollin::importer::testing

using hollin::importer::testing::Spy;

// The linker's --wrap sends the converter's call of `name` here; `effect`
// (statements) runs before the library's own function, and may return instead.
#define SPIED(name, parameters, arguments, effect) \
    extern "C" KVResult __real_##name parameters;   \
    extern "C" KVResult __wrap_##name parameters {  \
        Spy().calls.emplace_back(#name);            \
        effect;                                     \
        return __real_##name arguments;             \
    }

SPIED(KVInitialize, (void), (), {})
SPIED(KVTerminate, (void), (), {})
SPIED(KVModelMergeCoplanarFaces, (KVModelRef model), (model), {})
SPIED(KVModelSaveToFile, (KVModelRef model, const char* path), (model, path), {})
SPIED(KVModelRelease, (KVModelRef* model), (model), {})
SPIED(KVMaterialCreate, (KVMaterialRef* material), (material),
      if (std::exchange(Spy().refuseNextMaterial, false)) return KV_ERROR_GENERIC)
SPIED(KVTextureCreateFromFile, (KVTextureRef* texture, const char* path, double s, double t), (texture, path, s, t), {})
SPIED(KVGeometryInputCreate, (KVGeometryInputRef* input), (input), {})
SPIED(KVGeometryInputRelease, (KVGeometryInputRef* input), (input), {})
SPIED(KVEntitiesFill, (KVEntitiesRef entities, KVGeometryInputRef input, bool weld), (entities, input, weld), {})
