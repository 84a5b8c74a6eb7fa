#pragma once

#include <optional>

#include "utils/Utf16String.h"

namespace hollin::importer {

// Finds the image a 3DS material names inside the model's `folder` or its
// sub-folders, the way Windows, where these files are made, would find it:
// slashes and backslashes separate folders and each name is matched ignoring
// case when it is not there as written. A name that would leave the folder
// (absolute, with a drive letter or a ".." folder) is looked for by its file
// name alone, in `folder` itself. Nothing when no such file exists.
std::optional<hollin::utils::Utf16String> ResolveTextureFile(const hollin::utils::Utf16String& folder,
                                                             const hollin::utils::Utf16String& storedName);

}  // namespace hollin::importer
