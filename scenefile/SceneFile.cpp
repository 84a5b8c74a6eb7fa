#include "scenefile/SceneFile.h"

#include <lib3ds/io.h>
#include <unistd.h>

#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "scenefile/MemoryStream.h"
#include "scenefile/SceneFileCheck.h"
#include "scenefile/SceneNames.h"
#include "utils/WholeFile.h"

namespace hollin::importer {
namespace {

// Chunk lengths and offsets are 32-bit: a larger file is not a 3DS file.
constexpr std::uint64_t kMaxSceneFileSize = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint64_t kHostBytesPerFace = 1024;

MemoryStream& StreamOf(void* self) { return *static_cast<MemoryStream*>(self); }

// The stream callbacks of lib3ds, answering as stdio does on a file.
Lib3dsBool NeverFails(void*) { return LIB3DS_FALSE; }

long SeekStream(void* self, long offset, Lib3dsIoSeek origin) {
    MemoryStream::Origin from = MemoryStream::Origin::Start;
    if (origin == LIB3DS_SEEK_CUR) from = MemoryStream::Origin::Current;
    if (origin == LIB3DS_SEEK_END) from = MemoryStream::Origin::End;
    return StreamOf(self).Seek(offset, from) ? 0 : -1;
}

long TellStream(void* self) { return static_cast<long>(StreamOf(self).Tell()); }

size_t ReadStream(void* self, void* buffer, size_t size) { return StreamOf(self).Read(buffer, size); }

size_t RefuseWrite(void*, const void*, size_t) { return 0; }

struct IoDeleter {
    void operator()(Lib3dsIo* io) const { lib3ds_io_free(io); }
};

struct SceneDeleter {
    void operator()(Lib3dsFile* scene) const { lib3ds_file_free(scene); }
};

// Faces the conversion would build at most: each object node's mesh, and
// every mesh once more for the conversion without nodes.
std::uint64_t FacesToBuild(const Lib3dsFile& scene) {
    const SceneNames names(scene);
    std::uint64_t faces = 0;
    for (const Lib3dsMesh* mesh = scene.meshes; mesh != nullptr; mesh = mesh->next) {
        faces += std::uint64_t{mesh->faces} * (1 + names.NodesShowing(mesh));
    }
    return faces;
}

}  // namespace

std::uint64_t MaxFacesToBuild() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return std::uint64_t{1} << 22;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize) / 2 / kHostBytesPerFace;
}

Lib3dsFile* ParseCheckedScene(std::span<const std::uint8_t> bytes) {
    MemoryStream stream(bytes);
    const std::unique_ptr<Lib3dsIo, IoDeleter> io(
        lib3ds_io_new(&stream, NeverFails, SeekStream, TellStream, ReadStream, RefuseWrite));
    std::unique_ptr<Lib3dsFile, SceneDeleter> scene(lib3ds_file_new());
    if (io == nullptr || scene == nullptr || !lib3ds_file_read(scene.get(), io.get())) return nullptr;
    return scene.release();
}

Lib3dsFile* LoadScene(std::span<const std::uint8_t> bytes) {
    try {
        if (CheckSceneFile(bytes).fault != SceneFileFault::None) return nullptr;
        std::unique_ptr<Lib3dsFile, SceneDeleter> scene(ParseCheckedScene(bytes));
        if (scene == nullptr || FacesToBuild(*scene) > MaxFacesToBuild()) return nullptr;
        return scene.release();
    } catch (...) {
        return nullptr;
    }
}

Lib3dsFile* LoadScene(const hollin::utils::Utf16String& path) {
    try {
        const std::string utf8Path = path.ToUtf8();
        if (utf8Path.empty()) return nullptr;
        const std::optional<std::vector<std::uint8_t>> bytes = hollin::utils::ReadWholeFile(utf8Path, kMaxSceneFileSize);
        return bytes ? LoadScene(*bytes) : nullptr;
    } catch (...) {
        return nullptr;
    }
}

}  // namespace hollin::importer
