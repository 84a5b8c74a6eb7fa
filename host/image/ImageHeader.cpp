#include "ImageHeader.h"

#include "JpegCheck.h"
#include "PngCheck.h"

namespace korvanta::image {

ImageOutcome<ImageSize> EmbeddedImageSize(std::span<const std::uint8_t> bytes, std::string_view mimeType) {
    if (mimeType == "image/png") return CheckPng(bytes, ImageReading::HeaderOnly);
    if (mimeType == "image/jpeg") return CheckJpeg(bytes, ImageReading::HeaderOnly);
    return ImageRefusal::NotAnImage;
}

}  // namespace korvanta::image
