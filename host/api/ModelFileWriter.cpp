#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <new>
#include <sstream>
#include <string_view>

#include <tiny_gltf.h>

#include "ModelFile.h"
#include "ModelFileBuffer.h"
#include "ModelFileScene.h"
#include "ModelFileStructure.h"

namespace korvanta {
namespace {

bool WriteAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Keeps the permissions of the file being replaced; a new file gets the usual ones.
mode_t PermissionsFor(const std::string& path) {
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) return existing.st_mode & 07777;
    return 0644;
}

void SyncFolder(const std::filesystem::path& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return;
    ::fsync(descriptor);
    ::close(descriptor);
}

// Readers see the old file or the complete new one, never a part: the bytes
// go to a temporary file beside the target, reach the disk, and only then
// take the target's name.
bool ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
    const std::filesystem::path target(path);
    if (!target.has_filename()) return false;
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int descriptor = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (descriptor < 0) return false;

    bool written = WriteAll(descriptor, bytes) && ::fchmod(descriptor, PermissionsFor(path)) == 0 &&
                   ::fsync(descriptor) == 0;
    written = ::close(descriptor) == 0 && written;
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncFolder(folder);
    return true;
}

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
    if (bytes.empty() || !ReplaceFileAtomically(path, bytes)) return KV_ERROR_FILE_WRITE;
    return KV_SUCCESS;
}

}  // namespace korvanta
