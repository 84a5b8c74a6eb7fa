#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ImageTypes.h"

namespace korvanta::image {

// An image as a model file can carry it: PNG or JPEG bytes.
struct EmbeddableImage {
    std::string mimeType;  // "image/png" or "image/jpeg"
    std::vector<std::uint8_t> bytes;
    ImageSize size;
};

// Decodes the content of a texture file to prove it usable. JPEG and PNG
// files keep their own bytes; BMP, TGA and GIF (its first frame) become PNG.
// Every other format, anything over the limits of ImageLimits.h and anything
// that does not decode is refused.
ImageOutcome<EmbeddableImage> ToEmbeddableImage(std::vector<std::uint8_t> fileBytes);

}  // namespace korvanta::image
