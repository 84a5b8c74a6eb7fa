#include "convert/SceneFile.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "convert/IsolatedRun.h"
#include "convert/SceneFileCheck.h"

namespace hollin::importer {

namespace {

// Far above what any real file needs to load; only a reader stuck in a loop gets near it.
constexpr std::chrono::seconds kLoadTimeLimit{30};

}  // namespace

Lib3dsFile* LoadScene(const hollin::utils::Utf16String& path) {
    const std::string utf8Path = path.ToUtf8();
    if (utf8Path.empty()) return nullptr;
    // The reader trusts what it is given: a directory or a device would have it
    // read garbage or block, so only regular files reach it.
    std::error_code error;
    if (!std::filesystem::is_regular_file(std::filesystem::path(utf8Path), error)) return nullptr;
    std::ifstream stream(utf8Path, std::ios::binary);
    if (!stream.is_open()) return nullptr;
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    if (!TriangleObjectsAreConsistent(bytes)) return nullptr;
    // The reader also trusts the keyframer data and can crash or loop forever on
    // damaged files that pass the check above; a trial load in a child process
    // keeps such a file from taking the host down.
    const bool loadsCleanly = SucceedsInIsolation(
        [&utf8Path] {
            Lib3dsFile* scene = lib3ds_file_load(utf8Path.c_str());
            return scene != nullptr;
        },
        kLoadTimeLimit);
    if (!loadsCleanly) return nullptr;
    return lib3ds_file_load(utf8Path.c_str());
}

}  // namespace hollin::importer
