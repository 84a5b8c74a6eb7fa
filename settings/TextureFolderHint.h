#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "settings/FolderIndex.h"

namespace hollin::settings {

struct TextureFolderHint {
    // Where the folder is, every link resolved: what would be added.
    std::string folder;
    // How many of the names not found it holds as images, by name, 8.3 name or stem.
    std::size_t names = 0;
};

// Where the images a model names but that were not found probably are: the
// folder above the model's, or a folder beside it (the "textures" next to a
// game's "models"), whichever holds the most of them as images the host
// reads. Only the names in the folders' listings are compared, nothing is
// opened there, and the images are used only once the user names the
// folder. Never proposed: a folder already searched, a folder beside the
// model's that is a link (it may lead anywhere), and the user's home folder
// or any folder above it (a model in ~/Downloads that names ".bashrc" must
// not bring the home folder into every later import). Stops when
// `cancelled` says so.
std::optional<TextureFolderHint> FindTextureFolderHint(const std::string& modelFolder,
                                                       const std::vector<std::string>& namesNotFound,
                                                       const std::vector<std::string>& foldersSearched,
                                                       const Cancellation& cancelled = {});

}  // namespace hollin::settings
