#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "settings/TextureFolderHint.h"

namespace kvhost {

// What a host tells the user about the texture images a 3DS file names, in
// the user's language, found the way the importer finds them.
struct TextureReport {
    // Images found under another name than the one stored: which file stood
    // in for which name.
    std::vector<std::string> foundElsewhere;
    // Images the host could not load: the name, the folders it was looked
    // for in, and why (not there, not an image the host reads, over the
    // limits, a link leading out of the folder, several 8.3 candidates).
    std::vector<std::string> notLoaded;
    // The names of notLoaded's textures as stored, in the same order.
    std::vector<std::string> namesNotLoaded;
    // The image file that each texture the host loads was loaded from, by
    // its name as stored.
    std::map<std::string, std::string> loadedFrom;
    // Where the images that were not found probably are.
    std::optional<hollin::settings::TextureFolderHint> hint;
};

TextureReport ReportTextures(const std::filesystem::path& sceneFile, const std::vector<std::string>& textureNames,
                             const std::vector<std::string>& textureFolders);

}  // namespace kvhost
