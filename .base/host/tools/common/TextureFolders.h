#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kvhost {

// The texture folders an import uses: the ones given on the command line
// (made absolute from where the program runs), or else the ones kept in the
// preference store.
std::vector<std::string> TextureFoldersToUse(const std::optional<std::vector<std::string>>& given);

// A folder as a user would type it from where the program runs: relative
// when that is shorter ("../textures"), absolute otherwise.
std::string FolderAsTyped(const std::string& folder);

}  // namespace kvhost
