#include <exception>
#include <ostream>

#include <tiny_gltf.h>

#include "InstanceGraph.h"
#include "ModelFile.h"
#include "ModelFileBuffer.h"
#include "ModelFileScene.h"
#include "ModelFileStructure.h"
#include "utils/AtomicFile.h"

namespace korvanta {
namespace {

tinygltf::Model ToGltf(const Model& model) {
    tinygltf::Model gltf;
    gltf.asset.version = "2.0";
    gltf.asset.generator = "Korvanta";
    GltfBufferWriter buffer(gltf);
    buffer.Reserve(ModelFileBytesAtMost(model));
    ViewerScene scene = AddViewerScene(model, buffer, gltf);
    AddModelStructure(model, scene, buffer, gltf);
    return gltf;
}

}  // namespace

// The GLB goes straight into the file: a large model's buffer is not held
// twice in memory.
KVResult SaveModelFile(const Model& model, const std::string& path) {
    // A nesting or an expansion that readers would refuse is not written.
    if (FindInstanceGraphFault(model) != InstanceGraphFault::None) return KV_ERROR_OUT_OF_RANGE;
    try {
        tinygltf::Model gltf = ToGltf(model);
        const auto write = [&gltf](std::ostream& stream) {
            return tinygltf::TinyGLTF().WriteGltfSceneToStream(&gltf, stream, false, true);
        };
        return hollin::utils::ReplaceFileAtomically(path, write) ? KV_SUCCESS : KV_ERROR_FILE_WRITE;
    } catch (const std::exception&) {
        return KV_ERROR_FILE_WRITE;
    }
}

}  // namespace korvanta
