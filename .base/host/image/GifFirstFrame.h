#pragma once

#include <cstdint>
#include <span>

#include "ImageTypes.h"

namespace korvanta::image {

// The first frame of a GIF file as RGBA pixels the size of the file's
// logical screen: the frame drawn at its place, everything it leaves
// uncovered or marks transparent fully transparent.
ImageOutcome<RgbaImage> ReadGifFirstFrame(std::span<const std::uint8_t> bytes);

}  // namespace korvanta::image
