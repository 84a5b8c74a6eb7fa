#pragma once

#include "utils/Utf16String.h"

namespace hollin::l10n {

// Holds the language's resource library loaded for as long as it is needed.
class ResourceLoader {
public:
    ResourceLoader() = default;
    virtual ~ResourceLoader();
    ResourceLoader(const ResourceLoader&) = delete;
    ResourceLoader& operator=(const ResourceLoader&) = delete;

    // An empty path loads nothing; a library that fails to load leaves the
    // handle null.
    void Load(const hollin::utils::Utf16String& path);
    void Unload();
    // The dlopen handle, or null.
    void* Handle() const { return handle_; }

private:
    void* handle_ = nullptr;
};

}  // namespace hollin::l10n
