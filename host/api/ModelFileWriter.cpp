#include <new>
#include <sstream>

#include <tiny_gltf.h>

#include "ModelFile.h"
#include "ModelFileBuffer.h"
#include "ModelFileScene.h"
#include "ModelFileStructure.h"
#include "utils/AtomicFile.h"

namespace korvanta {
namespace {

std::string EncodeGlb(const Model& model) {
    tinygltf::Model gltf;
    gltf.asset.version = "2.0";
    gltf.asset.generator = "Korvanta";
    GltfBufferWriter buffer(gltf);
    const std::vector<int> materialImages = AddViewerScene(model, buffer, gltf);
    AddModelStructure(model, materialImages, buffer, gltf);

    std::ostringstream stream;
    tinygltf::TinyGLTF writer;
    if (!writer.WriteGltfSceneToStream(&gltf, stream, false, true) || !stream) return {};
    return std::move(stream).str();
}

}  // namespace

KVResult SaveModelFile(const Model& model, const std::string& path) {
    std::string bytes;
    try {
        bytes = EncodeGlb(model);
    } catch (const std::bad_alloc&) {
        return KV_ERROR_FILE_WRITE;
    }
    if (bytes.empty() || !hollin::utils::ReplaceFileAtomically(path, bytes)) return KV_ERROR_FILE_WRITE;
    return KV_SUCCESS;
}

}  // namespace korvanta
