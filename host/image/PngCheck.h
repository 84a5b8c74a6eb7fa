#pragma once

#include <cstdint>
#include <span>

#include "ImageTypes.h"

namespace korvanta::image {

// Decodes a whole PNG image, every row of every interlace pass into a single
// row of memory, to prove that it can be shown; the file's own bytes are what
// gets embedded. Its size is checked against the limits before the first row.
// With ImageReading::HeaderOnly it reads the header alone and gives the
// size it states, within the limits.
ImageOutcome<ImageSize> CheckPng(std::span<const std::uint8_t> bytes, ImageReading reading = ImageReading::Whole);

}  // namespace korvanta::image
