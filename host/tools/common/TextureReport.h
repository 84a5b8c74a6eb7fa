#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "settings/FolderIndex.h"
#include "settings/TextureFolderHint.h"
#include "settings/TextureSearch.h"

namespace kvhost {

// One texture image a 3DS file names, looked for the way the importer looks.
struct TextureFinding {
    std::string storedName;
    // The file found for it, with every link resolved; none when none was.
    std::optional<std::string> file;
    hollin::settings::TextureMatch match = hollin::settings::TextureMatch::Name;
    // For several 8.3 candidates: their file names.
    std::vector<std::string> candidates;
    // Why the host does not load it (not found, several 8.3 candidates, a
    // link leading out of the folder, not a regular file, not an image it can
    // read, over a limit), in the user's language and in the words every
    // program uses; empty when it loads.
    std::string problem;
};

// Every program's account of a file's textures: the folders searched, each
// texture in the order named, and where the ones not found probably are.
struct TextureFindings {
    std::vector<std::string> foldersSearched;
    std::vector<TextureFinding> textures;
    std::optional<hollin::settings::TextureFolderHint> hint;
};

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

// Looks for each of `textureNames` beside `sceneFile` and in
// `textureFolders`, and asks the modelling library whether each file found
// loads: after an import, the library answers for the files the importer
// loaded without decoding them again. Stops early, with what it has, when
// `cancelled` says so.
TextureFindings FindTextures(const std::filesystem::path& sceneFile, const std::vector<std::string>& textureNames,
                             const std::vector<std::string>& textureFolders, const hollin::settings::Cancellation& cancelled);

// FindTextures' findings as lines for the user.
TextureReport ReportTextures(const std::filesystem::path& sceneFile, const std::vector<std::string>& textureNames,
                             const std::vector<std::string>& textureFolders, const hollin::settings::Cancellation& cancelled);

}  // namespace kvhost
