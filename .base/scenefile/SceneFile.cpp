#include "scenefile/SceneFile.h"

#include <lib3ds/chunk.h>
#include <lib3ds/io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "scenefile/MemoryStream.h"
#include "scenefile/SceneFileCheck.h"
#include "utils/AvailableMemory.h"
#include "utils/WholeFile.h"

namespace hollin::importer {
namespace {

constexpr std::size_t kFirstBytesShown = 8;

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

}  // namespace

bool StartsLikeA3dsFile(std::span<const std::uint8_t> firstBytes) {
    if (firstBytes.size() < 2) return false;
    const auto id = static_cast<std::uint16_t>(firstBytes[0] | (firstBytes[1] << 8));
    return id == LIB3DS_M3DMAGIC || id == LIB3DS_MLIBMAGIC || id == LIB3DS_CMAGIC || id == LIB3DS_MDATA;
}

Lib3dsFile* ParseCheckedScene(std::span<const std::uint8_t> bytes) {
    MemoryStream stream(bytes);
    const std::unique_ptr<Lib3dsIo, IoDeleter> io(
        lib3ds_io_new(&stream, NeverFails, SeekStream, TellStream, ReadStream, RefuseWrite));
    SceneHandle scene(lib3ds_file_new());
    if (io == nullptr || scene == nullptr || !lib3ds_file_read(scene.get(), io.get())) return nullptr;
    return scene.release();
}

namespace {

// What the bytes say before lib3ds reads them, and whether their import fits
// in the memory there is.
SceneFileDiagnosis DiagnoseBytes(std::span<const std::uint8_t> bytes, std::uint64_t memoryAvailable) {
    SceneFileDiagnosis diagnosis;
    diagnosis.size = bytes.size();
    if (bytes.empty()) {
        diagnosis.problem = SceneFileProblem::Empty;
    } else if (bytes.size() >= kMaxSceneFileSize) {
        diagnosis.problem = SceneFileProblem::TooLarge;
    } else if (bytes.size() < 6 || !StartsLikeA3dsFile(bytes)) {
        diagnosis.problem = SceneFileProblem::NotA3dsFile;
        diagnosis.firstBytes.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(bytes.size(), kFirstBytesShown)));
    } else {
        diagnosis.verdict = CheckSceneFile(bytes);
        if (diagnosis.verdict.fault == SceneFileFault::NodeTreeTooDeep) {
            diagnosis.problem = SceneFileProblem::TooDeep;
        } else if (diagnosis.verdict.fault != SceneFileFault::None) {
            diagnosis.problem = SceneFileProblem::Damaged;
        } else if (diagnosis.verdict.memoryNeeded > memoryAvailable) {
            diagnosis.problem = SceneFileProblem::NotEnoughMemory;
            diagnosis.memoryAvailable = memoryAvailable;
        }
    }
    return diagnosis;
}

// What the file system says before the file is read; nothing for a regular file.
std::optional<SceneFileDiagnosis> DiagnosePath(const std::string& utf8Path) {
    SceneFileDiagnosis diagnosis;
    struct stat status {};
    if (utf8Path.empty() || ::stat(utf8Path.c_str(), &status) != 0) {
        diagnosis.problem = errno == ENOENT || errno == ENOTDIR || utf8Path.empty() ? SceneFileProblem::Missing
                                                                                      : SceneFileProblem::Unreadable;
        diagnosis.systemError = std::strerror(errno);
        return diagnosis;
    }
    diagnosis.size = static_cast<std::uint64_t>(status.st_size);
    if (S_ISDIR(status.st_mode)) {
        diagnosis.problem = SceneFileProblem::Folder;
    } else if (!S_ISREG(status.st_mode)) {
        diagnosis.problem = SceneFileProblem::NotAFile;
    } else if (diagnosis.size >= kMaxSceneFileSize) {
        diagnosis.problem = SceneFileProblem::TooLarge;
    } else {
        return std::nullopt;
    }
    return diagnosis;
}

struct FileBytes {
    std::optional<SceneFileDiagnosis> refusal;
    std::vector<std::uint8_t> bytes;
};

FileBytes ReadBytes(const std::string& utf8Path) {
    if (std::optional<SceneFileDiagnosis> refused = DiagnosePath(utf8Path)) return {std::move(refused), {}};
    hollin::utils::FileReadError error;
    std::optional<std::vector<std::uint8_t>> bytes = hollin::utils::ReadWholeFile(utf8Path, kMaxSceneFileSize - 1, &error);
    if (bytes) return {std::nullopt, std::move(*bytes)};
    // Refused by the system, or changed into something else since it was looked at.
    SceneFileDiagnosis diagnosis;
    switch (error.problem) {
        case hollin::utils::FileProblem::Missing: diagnosis.problem = SceneFileProblem::Missing; break;
        case hollin::utils::FileProblem::NotARegularFile: diagnosis.problem = SceneFileProblem::NotAFile; break;
        case hollin::utils::FileProblem::TooLarge: diagnosis.problem = SceneFileProblem::TooLarge; break;
        default: diagnosis.problem = SceneFileProblem::Unreadable; break;
    }
    diagnosis.systemError = error.reason;
    return {diagnosis, {}};
}

}  // namespace

SceneFileRead ReadSceneFile(std::span<const std::uint8_t> bytes, std::uint64_t memoryAvailable) {
    SceneFileRead read;
    read.diagnosis = DiagnoseBytes(bytes, memoryAvailable);
    if (read.diagnosis.problem != SceneFileProblem::None) return read;
    read.scene.reset(ParseCheckedScene(bytes));
    if (read.scene == nullptr) {
        read.diagnosis.problem = SceneFileProblem::Damaged;
        read.diagnosis.verdict.fault = SceneFileFault::Unreadable;
    }
    return read;
}

SceneFileRead ReadSceneFile(std::span<const std::uint8_t> bytes) {
    return ReadSceneFile(bytes, hollin::utils::AvailableMemory());
}

SceneFileRead ReadSceneFile(const std::string& utf8Path) {
    FileBytes file = ReadBytes(utf8Path);
    if (file.refusal) return {std::move(*file.refusal), nullptr};
    return ReadSceneFile(file.bytes);
}

SceneFileDiagnosis CheckSceneFileAt(const std::string& utf8Path) {
    FileBytes file = ReadBytes(utf8Path);
    return file.refusal ? std::move(*file.refusal) : DiagnoseBytes(file.bytes, hollin::utils::AvailableMemory());
}

Lib3dsFile* LoadScene(std::span<const std::uint8_t> bytes) {
    try {
        return ReadSceneFile(bytes).scene.release();
    } catch (...) {
        return nullptr;
    }
}

Lib3dsFile* LoadScene(const hollin::utils::Utf16String& path) {
    try {
        return ReadSceneFile(path.ToUtf8()).scene.release();
    } catch (...) {
        return nullptr;
    }
}

}  // namespace hollin::importer
