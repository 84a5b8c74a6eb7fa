#include "ImporterPlugin.h"
#include "HostText.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <system_error>

namespace kvhost {

namespace {

std::string LoaderError() {
    const char* text = ::dlerror();
    return text != nullptr ? text : "unknown error";
}

}  // namespace

ImporterPlugin::ImporterPlugin(void* library, KorvantaModelImporterInterface* importer)
    : library_(library), importer_(importer) {}

ImporterPlugin::~ImporterPlugin() {
    ::dlclose(library_);
}

std::unique_ptr<ImporterPlugin> ImporterPlugin::Load(const std::filesystem::path& path, std::string& error) {
    // Without a slash dlopen would search the library path instead of
    // taking the name as a file in the current folder.
    const std::filesystem::path file = path.has_parent_path() ? path : std::filesystem::path(".") / path;
    // dlopen would wait on a FIFO for good. Whoever could swap the file
    // between this look and the load could put any code there anyway.
    struct stat status {};
    if (::stat(file.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        error = Compose("cannot load the importer plug-in %1$s: %2$s", {path.string(), Translated("it is not a regular file")});
        return nullptr;
    }
    void* library = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        error = Compose("cannot load the importer plug-in %1$s: %2$s", {path.string(), LoaderError()});
        return nullptr;
    }
    auto* entry = reinterpret_cast<GetKorvantaModelImporterInterfaceFunction*>(
        ::dlsym(library, kImporterEntryPointName));
    if (entry == nullptr) {
        error = Compose("%1$s is not an importer plug-in: %2$s", {path.string(), LoaderError()});
        ::dlclose(library);
        return nullptr;
    }
    KorvantaModelImporterInterface* importer = entry();
    if (importer == nullptr) {
        error = Compose("the importer plug-in %s returned no importer", {path.string()});
        ::dlclose(library);
        return nullptr;
    }
    return std::unique_ptr<ImporterPlugin>(new ImporterPlugin(library, importer));
}

std::filesystem::path DefaultPluginPath() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path folder = error ? std::filesystem::path(".") : program.parent_path();
    return folder / "Plugins" / "3DSImporter.so";
}

}  // namespace kvhost
