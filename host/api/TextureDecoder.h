#pragma once

#include <string>

#include "KorvantaAPI.h"
#include "Model.h"

namespace korvanta {

// Reads an image file into a texture: PNG and JPEG bytes are kept as they
// are, every other format stb_image decodes is re-encoded as PNG.
// KV_ERROR_FILE_NOT_FOUND for a missing file, KV_ERROR_FILE_READ for one
// that cannot be read or decoded.
KVResult DecodeTextureFile(const std::string& path, Texture& texture);

}  // namespace korvanta
