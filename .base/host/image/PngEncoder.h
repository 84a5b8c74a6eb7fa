#pragma once

#include <cstdint>
#include <vector>

#include "ImageTypes.h"

namespace korvanta::image {

// Pixels, row by row from the top with `channels` (1 to 4: grey, grey and
// alpha, RGB, RGBA) bytes a pixel, as a PNG file; empty if they cannot be
// encoded. Compressed for speed: an image at the size limits is a gigabyte
// of pixels.
std::vector<std::uint8_t> EncodePng(const std::uint8_t* pixels, ImageSize size, int channels);

}  // namespace korvanta::image
