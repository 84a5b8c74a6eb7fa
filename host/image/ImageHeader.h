#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "ImageTypes.h"

namespace korvanta::image {

// The size an embedded image of a model file states in its header, read
// without decoding its pixels: for a PNG or JPEG image of that MIME type
// within the limits, ImageRefusal otherwise.
ImageOutcome<ImageSize> EmbeddedImageSize(std::span<const std::uint8_t> bytes, std::string_view mimeType);

}  // namespace korvanta::image
