#include "EmbeddableImage.h"

#include <algorithm>
#include <initializer_list>
#include <span>
#include <string_view>

#include "GifFirstFrame.h"
#include "ImageLimits.h"
#include "JpegCheck.h"
#include "PngCheck.h"
#include "PngEncoder.h"
#include "BmpAndTga.h"

namespace korvanta::image {
namespace {

bool StartsWith(std::span<const std::uint8_t> bytes, std::string_view signature) {
    return bytes.size() >= signature.size() &&
           std::equal(signature.begin(), signature.end(), bytes.begin(),
                      [](char expected, std::uint8_t actual) { return static_cast<std::uint8_t>(expected) == actual; });
}

ImageOutcome<EmbeddableImage> KeepBytes(ImageOutcome<ImageSize> checked, std::string mimeType,
                                        std::vector<std::uint8_t>& fileBytes) {
    if (const auto* refusal = std::get_if<ImageRefusal>(&checked)) return *refusal;
    return EmbeddableImage{std::move(mimeType), std::move(fileBytes), std::get<ImageSize>(checked)};
}

ImageOutcome<EmbeddableImage> AsPng(ImageOutcome<PngImage> reencoded) {
    if (const auto* refusal = std::get_if<ImageRefusal>(&reencoded)) return *refusal;
    PngImage& png = std::get<PngImage>(reencoded);
    return EmbeddableImage{"image/png", std::move(png.bytes), png.size};
}

ImageOutcome<EmbeddableImage> GifAsPng(std::span<const std::uint8_t> bytes) {
    ImageOutcome<RgbaImage> frame = ReadGifFirstFrame(bytes);
    if (const auto* refusal = std::get_if<ImageRefusal>(&frame)) return *refusal;
    const RgbaImage& rgba = std::get<RgbaImage>(frame);
    PngImage png{rgba.size, EncodePng(rgba.pixels.data(), rgba.size, 4)};
    if (png.bytes.empty()) return ImageRefusal::Damaged;
    return AsPng(std::move(png));
}

}  // namespace

ImageOutcome<EmbeddableImage> ToEmbeddableImage(std::vector<std::uint8_t> fileBytes) {
    if (fileBytes.size() > kMaxImageFileBytes) return ImageRefusal::OverLimit;
    const std::span<const std::uint8_t> bytes(fileBytes);
    if (StartsWith(bytes, "\xFF\xD8\xFF")) return KeepBytes(CheckJpeg(bytes), "image/jpeg", fileBytes);
    if (StartsWith(bytes, "\x89PNG\r\n\x1A\n")) return KeepBytes(CheckPng(bytes), "image/png", fileBytes);
    if (StartsWith(bytes, "GIF87a") || StartsWith(bytes, "GIF89a")) return GifAsPng(bytes);
    if (StartsWith(bytes, "BM") || LooksLikeTga(bytes)) return AsPng(ReencodeBmpOrTga(bytes));
    return ImageRefusal::NotAnImage;
}

}  // namespace korvanta::image
