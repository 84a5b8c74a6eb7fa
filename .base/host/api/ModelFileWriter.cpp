#include <cstdint>
#include <exception>
#include <limits>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include <tiny_gltf.h>

#include "InstanceGraph.h"
#include "ModelFile.h"
#include "ModelFileBuffer.h"
#include "ModelFileScene.h"
#include "ModelFileStructure.h"
#include "utils/AtomicFile.h"

namespace korvanta {
namespace {

// The JSON of everything but the buffer, whose views are made as the file
// is written; the GLB's binary chunk stands for the buffer.
std::string JsonWithoutBuffer(const tinygltf::Model& gltf, std::size_t bufferBytes) {
    std::ostringstream text;
    tinygltf::TinyGLTF().WriteGltfSceneToStream(&gltf, text, false, false);
    std::string json = text.str();
    while (!json.empty() && json.back() != '}') json.pop_back();
    if (bufferBytes != 0) json.insert(1, R"("buffers":[{"byteLength":)" + std::to_string(bufferBytes) + "}],");
    return json;
}

void WriteWord(std::ostream& stream, std::uint32_t word) {
    stream.write(reinterpret_cast<const char*>(&word), sizeof word);
}

// The GLB container: a header, the JSON chunk padded with spaces and the
// binary chunk padded with zeros, each to four bytes. Its lengths are 32-bit,
// so a larger model cannot be written as one.
bool WriteGlb(std::ostream& stream, const std::string& json, const GltfBufferWriter& buffer) {
    const std::size_t binaryBytes = buffer.Size();
    const std::size_t jsonPadding = (4 - json.size() % 4) % 4;
    const std::size_t binaryPadding = (4 - binaryBytes % 4) % 4;
    const std::uint64_t total = 12 + 8 + std::uint64_t{json.size()} + jsonPadding +
                                (binaryBytes == 0 ? 0 : 8 + std::uint64_t{binaryBytes} + binaryPadding);
    if (total > std::numeric_limits<std::uint32_t>::max()) return false;
    stream.write("glTF", 4);
    WriteWord(stream, 2);
    WriteWord(stream, static_cast<std::uint32_t>(total));
    WriteWord(stream, static_cast<std::uint32_t>(json.size() + jsonPadding));
    stream.write("JSON", 4);
    stream.write(json.data(), static_cast<std::streamsize>(json.size()));
    stream.write("   ", static_cast<std::streamsize>(jsonPadding));
    if (binaryBytes != 0) {
        WriteWord(stream, static_cast<std::uint32_t>(binaryBytes + binaryPadding));
        stream.write("BIN\0", 4);
        buffer.Write(stream);
        stream.write("\0\0\0", static_cast<std::streamsize>(binaryPadding));
    }
    return static_cast<bool>(stream);
}

}  // namespace

KVResult SaveModelFile(const Model& model, const std::string& path) {
    // A nesting or an expansion that readers would refuse is not written.
    if (FindInstanceGraphFault(model) != InstanceGraphFault::None) return KV_ERROR_OUT_OF_RANGE;
    try {
        tinygltf::Model gltf;
        gltf.asset.version = "2.0";
        gltf.asset.generator = "Korvanta";
        GltfBufferWriter buffer(gltf);
        ViewerScene scene;
        AddViewerScene(model, scene, buffer, gltf);
        AddModelStructure(model, scene, buffer, gltf);
        const std::string json = JsonWithoutBuffer(gltf, buffer.Size());
        const auto write = [&](std::ostream& stream) { return WriteGlb(stream, json, buffer); };
        return hollin::utils::ReplaceFileAtomically(path, write) ? KV_SUCCESS : KV_ERROR_FILE_WRITE;
    } catch (const std::exception&) {
        return KV_ERROR_FILE_WRITE;
    }
}

}  // namespace korvanta
