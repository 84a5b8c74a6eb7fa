#pragma once

#include <optional>

#include "utils/Utf16String.h"

namespace hollin::importer {

// Finds the image a 3DS material names the way Windows, where these files are
// made, would find it: `folder` + "/" + `storedName` when that file exists;
// otherwise backslashes in the stored name separate folders and each name is
// matched ignoring case. Nothing when no such file exists.
std::optional<hollin::utils::Utf16String> ResolveTextureFile(const hollin::utils::Utf16String& folder,
                                                             const hollin::utils::Utf16String& storedName);

}  // namespace hollin::importer
