#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "ImageTypes.h"

namespace korvanta::image {

// BMP and TGA, which no maintained library of the platform reads, decoded by
// stb_image compiled into this library (and so into its sanitizer builds and
// fuzzers) with every other format left out.
bool LooksLikeTga(std::span<const std::uint8_t> bytes);
ImageOutcome<PngImage> ReencodeBmpOrTga(std::span<const std::uint8_t> bytes);

// Pixels, row by row from the top with `channels` bytes a pixel, as a PNG
// file; empty if they cannot be encoded.
std::vector<std::uint8_t> EncodePng(const std::uint8_t* pixels, ImageSize size, int channels);

}  // namespace korvanta::image
