// Feeds arbitrary bytes through the whole import of a 3DS file: the check,
// lib3ds reading from memory, the converter, the host's fill and (for inputs
// of odd length) coplanar merge, and the save.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

#include "convert/C3DSImporter.h"
#include "scenefile/SceneFile.h"
#include "scenefile/SceneFileCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    // What the check lets through, lib3ds must read: a failed read would
    // leave lib3ds's own state behind and means the check misjudged the file.
    if (hollin::importer::CheckSceneFile(bytes).fault == hollin::importer::SceneFileFault::None) {
        Lib3dsFile* scene = hollin::importer::ParseCheckedScene(bytes);
        if (scene == nullptr) std::abort();
        lib3ds_file_free(scene);
    }

    const std::string files = std::filesystem::temp_directory_path() / ("kv-import-fuzz-" + std::to_string(::getpid()));
    const std::filesystem::path input = files + ".3ds";
    const std::filesystem::path output = files + ".kvm";
    std::ofstream(input, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    hollin::importer::C3DSImporter converter;
    converter.SetUnitsOption(static_cast<std::int32_t>(size % 10));
    converter.SetMergeOption(size % 2 == 1);
    converter.ConvertFile(hollin::utils::Utf16String::FromUtf8(input.string()),
                          hollin::utils::Utf16String::FromUtf8(output.string()), nullptr);
    std::filesystem::remove(output);
    std::filesystem::remove(input);
    return 0;
}
