#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "ImageTypes.h"

namespace korvanta::image {

// BMP and TGA, which no maintained library of the platform reads, decoded by
// stb_image compiled into this library (and so into its sanitizer builds and
// fuzzers) with every other format left out, and re-encoded as PNG.
bool LooksLikeTga(std::span<const std::uint8_t> bytes);
ImageOutcome<PngImage> ReencodeBmpOrTga(std::span<const std::uint8_t> bytes);

}  // namespace korvanta::image
