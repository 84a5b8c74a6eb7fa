#pragma once

#include <lib3ds/file.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "scenefile/SceneFileCheck.h"
#include "utils/Utf16String.h"

namespace hollin::importer {

// Files are read whole; chunk lengths and offsets are 32-bit, so a larger
// file is not a 3DS file.
inline constexpr std::uint64_t kMaxSceneFileSize = 0xFFFFFFFFu;

// Why a file does not load, in the order they are looked for.
enum class SceneFileProblem {
    None,
    Missing,
    Folder,
    NotAFile,      // a device, a pipe, a socket
    Unreadable,    // the system refused to read it
    Empty,
    TooLarge,      // kMaxSceneFileSize or more
    NotA3dsFile,   // its first chunk is no 3DS file's
    Damaged,       // CheckSceneFile found a fault
    TooDeep,       // a node tree deeper than kMaxNodeDepth
    NotEnoughMemory,  // its import needs more memory than the process can still take (see ImportDemand)
};

struct SceneFileDiagnosis {
    SceneFileProblem problem = SceneFileProblem::None;
    std::string systemError;              // for Unreadable
    std::uint64_t size = 0;               // of the file, in bytes
    std::vector<std::uint8_t> firstBytes;  // up to 8, for NotA3dsFile
    SceneFileVerdict verdict;             // for Damaged and TooDeep; a file that loads may have an overrun
    std::uint64_t memoryAvailable = 0;    // for NotEnoughMemory, in bytes; the verdict says what is needed
};

struct SceneFree {
    void operator()(Lib3dsFile* scene) const { lib3ds_file_free(scene); }
};
using SceneHandle = std::unique_ptr<Lib3dsFile, SceneFree>;

struct SceneFileRead {
    SceneFileDiagnosis diagnosis;
    SceneHandle scene;  // when it loads
};

// Reads a whole 3DS file into memory once, makes sure that lib3ds can read it
// safely (see CheckSceneFile) and that the process has the memory its import
// needs (AvailableMemory, unless given), and has lib3ds parse that copy.
SceneFileRead ReadSceneFile(const std::string& utf8Path);
SceneFileRead ReadSceneFile(std::span<const std::uint8_t> bytes);
SceneFileRead ReadSceneFile(std::span<const std::uint8_t> bytes, std::uint64_t memoryAvailable);

// Everything ReadSceneFile finds out before lib3ds parses the file, at a
// fraction of the cost: all but a failure of lib3ds itself.
SceneFileDiagnosis CheckSceneFileAt(const std::string& utf8Path);

// Whether a file's first bytes are the chunk id of a 3DS, project or
// material library file, or of bare scene data.
bool StartsLikeA3dsFile(std::span<const std::uint8_t> firstBytes);

// ReadSceneFile's scene alone: null when the file does not load. The caller
// frees the scene with lib3ds_file_free.
Lib3dsFile* LoadScene(const hollin::utils::Utf16String& path);
Lib3dsFile* LoadScene(std::span<const std::uint8_t> bytes);

// lib3ds's reading of bytes in which CheckSceneFile found no fault, without
// the memory check; null only when lib3ds fails, which the check should rule out.
Lib3dsFile* ParseCheckedScene(std::span<const std::uint8_t> bytes);

}  // namespace hollin::importer
