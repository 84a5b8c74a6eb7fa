#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kvimport {

// For each texture image a 3DS file names that the host cannot load, one
// line in the user's language: the name, the folder it was looked for in,
// and why (not there, not an image the host reads, over the size limits).
// The images are looked for as the importer looks for them.
std::vector<std::string> TexturesNotLoaded(const std::filesystem::path& sceneFile,
                                           const std::vector<std::string>& textureNames);

}  // namespace kvimport
