#include "l10n/ResourceLoader.h"

#include <dlfcn.h>

namespace hollin::l10n {

ResourceLoader::~ResourceLoader() {
    Unload();
}

void ResourceLoader::Load(const hollin::utils::Utf16String& path) {
    Unload();
    if (path.IsEmpty()) return;
    handle_ = ::dlopen(path.ToUtf8().c_str(), RTLD_NOW | RTLD_LOCAL);
}

void ResourceLoader::Unload() {
    if (handle_ != nullptr) ::dlclose(handle_);
    handle_ = nullptr;
}

}  // namespace hollin::l10n
