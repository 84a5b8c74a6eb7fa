#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace hollin::settings {

struct TextureFolderHint {
    std::string folder;
    // How many of the names not found it holds, by name, 8.3 name or stem.
    std::size_t names = 0;
};

// Where the images a model names but that were not found probably are: the
// folder above the model's, or a folder beside it (the "textures" next to a
// game's "models"), whichever holds the most of them. Only file names are
// compared, nothing is read, and folders already searched are left out; the
// images are used only once the user names the folder.
std::optional<TextureFolderHint> FindTextureFolderHint(const std::string& modelFolder,
                                                       const std::vector<std::string>& namesNotFound,
                                                       const std::vector<std::string>& foldersSearched);

}  // namespace hollin::settings
