#include <cerrno>
#include <cstdint>
#include <exception>
#include <functional>
#include <limits>
#include <new>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
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
// is written, and the nodes, made as the file is written too; the GLB's
// binary chunk stands for the buffer. Written as `head`, the nodes, `tail`.
struct DocumentText {
    std::string head;
    std::string tail;
    std::function<void(const std::function<void(std::string_view)>&)> writeNodes;
    std::size_t nodesLength = 0;

    std::size_t Length() const { return head.size() + nodesLength + tail.size(); }
};

DocumentText JsonWithoutBuffer(const tinygltf::Model& gltf, std::size_t bufferBytes, const ViewerScene& scene) {
    std::ostringstream text;
    tinygltf::TinyGLTF().WriteGltfSceneToStream(&gltf, text, false, false);
    std::string json = text.str();
    while (!json.empty() && json.back() != '}') json.pop_back();
    DocumentText document;
    document.head = "{";
    if (bufferBytes != 0) document.head += R"("buffers":[{"byteLength":)" + std::to_string(bufferBytes) + "}],";
    document.head += R"("nodes":)";
    document.tail = "," + json.substr(1);
    document.writeNodes = scene.writeNodes;
    document.writeNodes([&document](std::string_view piece) { document.nodesLength += piece.size(); });
    return document;
}

void WriteWord(std::ostream& stream, std::uint32_t word) {
    stream.write(reinterpret_cast<const char*>(&word), sizeof word);
}

// The GLB container: a header, the JSON chunk padded with spaces and the
// binary chunk padded with zeros, each to four bytes. Its lengths are 32-bit,
// so a larger model cannot be written as one.
bool WriteGlb(std::ostream& stream, const DocumentText& json, const GltfBufferWriter& buffer) {
    const std::size_t binaryBytes = buffer.Size();
    const std::size_t jsonPadding = (4 - json.Length() % 4) % 4;
    const std::size_t binaryPadding = (4 - binaryBytes % 4) % 4;
    const std::uint64_t total = 12 + 8 + std::uint64_t{json.Length()} + jsonPadding +
                                (binaryBytes == 0 ? 0 : 8 + std::uint64_t{binaryBytes} + binaryPadding);
    if (total > std::numeric_limits<std::uint32_t>::max()) return false;
    stream.write("glTF", 4);
    WriteWord(stream, 2);
    WriteWord(stream, static_cast<std::uint32_t>(total));
    WriteWord(stream, static_cast<std::uint32_t>(json.Length() + jsonPadding));
    stream.write("JSON", 4);
    stream << json.head;
    json.writeNodes([&stream](std::string_view piece) { stream.write(piece.data(), static_cast<std::streamsize>(piece.size())); });
    stream << json.tail;
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

KVResult SaveModelFile(const Model& model, const std::string& path, int* systemError) {
    int ignored = 0;
    int& refused = systemError != nullptr ? *systemError : ignored;
    refused = 0;
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
        const DocumentText json = JsonWithoutBuffer(gltf, buffer.Size(), scene);
        const auto write = [&](std::ostream& stream) { return WriteGlb(stream, json, buffer); };
        return hollin::utils::ReplaceFileAtomically(path, write, nullptr, &refused) ? KV_SUCCESS : KV_ERROR_FILE_WRITE;
    } catch (const std::bad_alloc&) {
        refused = ENOMEM;
        return KV_ERROR_FILE_WRITE;
    } catch (const std::exception&) {
        return KV_ERROR_FILE_WRITE;
    }
}

}  // namespace korvanta
