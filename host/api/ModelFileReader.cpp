#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <vector>

#include <tiny_gltf.h>

#include "ModelFile.h"
#include "ModelFileStructure.h"

namespace korvanta {
namespace {

// Images stay encoded: the model keeps the file's bytes, and viewers decode.
bool KeepImageEncoded(tinygltf::Image*, const int, std::string*, std::string*, int, int, const unsigned char*, int,
                      void*) {
    return true;
}

// A model file is self-contained; one that names other files is not ours,
// and must not make the reader open whatever it names.
bool NoFileExists(const std::string&, void*) { return false; }
std::string NoExpansion(const std::string& path, void*) { return path; }
bool NoFileRead(std::vector<unsigned char>*, std::string* error, const std::string&, void*) {
    if (error != nullptr) *error = "model files do not refer to other files";
    return false;
}
bool NoFileWrite(std::string* error, const std::string&, const std::vector<unsigned char>&, void*) {
    if (error != nullptr) *error = "model files do not refer to other files";
    return false;
}

bool ReadWholeFile(const std::filesystem::path& path, std::vector<unsigned char>& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

}  // namespace

KVResult LoadModelFile(const std::string& path, Model& model) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) return KV_ERROR_FILE_NOT_FOUND;
    if (!std::filesystem::is_regular_file(status)) return KV_ERROR_FILE_READ;

    try {
        std::vector<unsigned char> bytes;
        if (!ReadWholeFile(path, bytes) || bytes.size() > std::numeric_limits<std::uint32_t>::max()) {
            return KV_ERROR_FILE_READ;
        }
        tinygltf::TinyGLTF loader;
        loader.SetImageLoader(KeepImageEncoded, nullptr);
        loader.SetFsCallbacks({NoFileExists, NoExpansion, NoFileRead, NoFileWrite, nullptr});
        loader.SetStoreOriginalJSONForExtrasAndExtensions(true);
        tinygltf::Model gltf;
        std::string loadError, loadWarning;
        if (!loader.LoadBinaryFromMemory(&gltf, &loadError, &loadWarning, bytes.data(),
                                         static_cast<unsigned int>(bytes.size()))) {
            return KV_ERROR_FILE_READ;
        }
        return ReadModelStructure(gltf, model) ? KV_SUCCESS : KV_ERROR_FILE_READ;
    } catch (const std::exception&) {
        return KV_ERROR_FILE_READ;
    }
}

}  // namespace korvanta
