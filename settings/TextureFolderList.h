#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "utils/Utf16String.h"

namespace hollin::settings {

// The most texture folders an import searches: each is looked into for
// every image a model names, so a longer list costs every import and is no
// one's real choice. The folders after these are dropped, and the host
// programs say so.
inline constexpr std::size_t kMaxTextureFolders = 64;

struct TextureFolderList {
    std::vector<std::string> folders;  // absolute, at most kMaxTextureFolders, in order
    std::size_t dropped = 0;           // absolute ones after the first kMaxTextureFolders
};

// The folders as the store keeps them: a list of texts, or (as older hosts
// wrote them) one text separated by colons like PATH. Relative entries are
// dropped, since they would depend on where a program happens to run.
TextureFolderList TextureFoldersFromList(const std::vector<hollin::utils::Utf16String>& stored);
TextureFolderList TextureFoldersFromList(const std::vector<std::string>& given);
TextureFolderList TextureFoldersFromText(const hollin::utils::Utf16String& stored);
std::vector<hollin::utils::Utf16String> TextureFolderListToStore(const std::vector<std::string>& folders);

}  // namespace hollin::settings
