// Feeds arbitrary bytes through the whole import of a 3DS file: the check,
// lib3ds reading from memory, the converter, the host's fill and (for inputs
// of odd length) coplanar merge, and the save. The model must hold together
// when it is saved.

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

#include "EntitiesCheck.h"
#include "FuzzInput.h"
#include "KorvantaAPI.h"
#include "Model.h"
#include "convert/C3DSImporter.h"
#include "scenefile/SceneFile.h"
#include "scenefile/SceneFileCheck.h"

// The linker's --wrap puts this between the converter and the host's library
// (see CMakeLists.txt), so that the model is checked filled and merged.
extern "C" KVResult __real_KVModelSaveToFile(KVModelRef model, const char* path);
extern "C" KVResult __wrap_KVModelSaveToFile(KVModelRef model, const char* path) {
    if (model.ptr != nullptr) {
        const std::string fault = korvanta::CheckEntities(*static_cast<const korvanta::Model*>(model.ptr));
        if (!fault.empty()) Fail("The imported model does not hold together: " + fault);
    }
    return __real_KVModelSaveToFile(model, path);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    // What the check lets through, lib3ds must read: a failed read would
    // leave lib3ds's own state behind and means the check misjudged the file.
    if (hollin::importer::CheckSceneFile(bytes).fault == hollin::importer::SceneFileFault::None) {
        Lib3dsFile* scene = hollin::importer::ParseCheckedScene(bytes);
        if (scene == nullptr) Fail("lib3ds cannot read a file the check let through");
        lib3ds_file_free(scene);
    }

    const std::string files = std::filesystem::temp_directory_path() / ("kv-import-fuzz-" + std::to_string(::getpid()));
    const std::filesystem::path input = files + ".3ds";
    const std::filesystem::path output = files + ".kvm";
    std::ofstream(input, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    hollin::importer::C3DSImporter converter;
    hollin::settings::ImportSettings settings;
    settings.units = static_cast<std::int32_t>(size % 10);
    settings.mergeCoplanarFaces = size % 2 == 1;
    // Smoothing groups and tiled maps, merged and not, on half the inputs.
    settings.asAuthored = size % 4 >= 2;
    converter.SetSettings(settings);
    converter.ConvertFile(hollin::utils::Utf16String::FromUtf8(input.string()),
                          hollin::utils::Utf16String::FromUtf8(output.string()), nullptr);
    std::filesystem::remove(output);
    std::filesystem::remove(input);
    return 0;
}
