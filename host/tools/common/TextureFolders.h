#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace kvhost {

// A folder as a user gives it, made absolute from where the program runs.
std::string AbsoluteFolder(const std::string& given);

// What to say when folders beyond kMaxTextureFolders were dropped.
std::string DroppedFoldersNote(std::size_t dropped);

// A list of folders as kvprefs takes and shows it: separated by colons, or,
// to hold a folder whose name has a colon, a JSON list of texts
// (["/maps:old", "/srv/maps"]). Nothing for a JSON list that is not one of texts.
std::optional<std::vector<std::string>> ParseFolderListArgument(const std::string& value);
std::string FolderListArgument(const std::vector<std::string>& folders);

// A folder as a user would type it from where the program runs: relative
// when that is shorter ("../textures"), absolute otherwise.
std::string FolderAsTyped(const std::string& folder);

}  // namespace kvhost
