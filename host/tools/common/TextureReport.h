#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "settings/FolderIndex.h"
#include "settings/TextureFolderHint.h"
#include "settings/TextureSearch.h"

namespace kvhost {

// What a host tells the user about the texture images a 3DS file names, in
// the user's language, found the way the importer finds them.
struct TextureReport {
    // Images found under another name than the one stored: which file stood
    // in for which name.
    std::vector<std::string> foundElsewhere;
    // Images the host could not load: the name, the folders it was looked
    // for in, and why (not there, not an image the host reads, over the
    // limits, a link leading out of the folder, not a regular file, several
    // 8.3 candidates).
    std::vector<std::string> notLoaded;
    // The names of notLoaded's textures as stored, in the same order.
    std::vector<std::string> namesNotLoaded;
    // Where the images that were not found probably are.
    std::optional<hollin::settings::TextureFolderHint> hint;
};

// Called with each texture the host loads, by its name as stored, while its
// file is still open: what is shown of it comes from that file, never from
// its path.
using LoadedTexture = std::function<void(const std::string& storedName, const hollin::settings::FoundTexture& found)>;

// Stops early, with what it has, when `cancelled` says so.
TextureReport ReportTextures(const std::filesystem::path& sceneFile, const std::vector<std::string>& textureNames,
                             const std::vector<std::string>& textureFolders, const hollin::settings::Cancellation& cancelled,
                             const LoadedTexture& loaded = {});

}  // namespace kvhost
