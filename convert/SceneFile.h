#pragma once

#include <lib3ds/file.h>

#include "utils/Utf16String.h"

namespace hollin::importer {

// Reads a whole 3DS file into memory; null when it cannot be read. The caller
// frees the scene with lib3ds_file_free.
Lib3dsFile* LoadScene(const hollin::utils::Utf16String& path);

}  // namespace hollin::importer
