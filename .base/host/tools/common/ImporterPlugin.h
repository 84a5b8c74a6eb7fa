#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "KorvantaModelImporterInterface.h"

namespace kvhost {

// An importer plug-in loaded into the process for as long as this object
// lives, and the importer object it hands out.
class ImporterPlugin {
public:
    // Null when the library cannot be loaded or has no importer; `error`
    // then says why (the dynamic loader's own words where it has them).
    static std::unique_ptr<ImporterPlugin> Load(const std::filesystem::path& path, std::string& error);
    ~ImporterPlugin();
    ImporterPlugin(const ImporterPlugin&) = delete;
    ImporterPlugin& operator=(const ImporterPlugin&) = delete;

    KorvantaModelImporterInterface& Importer() { return *importer_; }

private:
    ImporterPlugin(void* library, KorvantaModelImporterInterface* importer);

    void* library_;
    KorvantaModelImporterInterface* importer_;
};

// Plugins/3DSImporter.so in the folder of the running program.
std::filesystem::path DefaultPluginPath();

}  // namespace kvhost
