#include "BmpAndTga.h"

#include <limits>
#include <memory>

#include "ImageLimits.h"
#include "PngEncoder.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 16384
#include <stb_image.h>

namespace korvanta::image {
namespace {

static_assert(STBI_MAX_DIMENSIONS == kMaxImageSide);

struct PixelsFree {
    void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

bool FitsInInt(std::span<const std::uint8_t> bytes) {
    return bytes.size() <= static_cast<std::size_t>(std::numeric_limits<int>::max());
}

std::uint64_t Little16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return at + 2 <= bytes.size() ? bytes[at] | (std::uint64_t{bytes[at + 1]} << 8) : 0;
}

std::uint64_t Little32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return Little16(bytes, at) | (Little16(bytes, at + 2) << 16);
}

// stb_image reads zeros past the end of the file, so a header of a few bytes
// would have it make and re-encode a picture of a gigabyte. Uncompressed
// images must hold their pixels; a run-length packet of at least two bytes
// stands for at most 128 pixels.
bool HoldsItsPixels(std::span<const std::uint8_t> bytes, ImageSize size) {
    const std::uint64_t pixels = static_cast<std::uint64_t>(size.width) * size.height;
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        // stb_image refuses run-length BMPs but reads a compression field
        // that is negative as a 32-bit integer as none at all.
        // Nor may the header itself be cut short: it would read zeros for
        // the bits a pixel has, and need no pixels at all.
        constexpr std::uint64_t kFileHeaderBytes = 14;
        const std::uint64_t headerBytes = Little32(bytes, kFileHeaderBytes);
        if (bytes.size() < kFileHeaderBytes + headerBytes) return false;
        const std::uint64_t bitsPerPixel = Little16(bytes, headerBytes >= 40 ? 28 : 24);
        if (bitsPerPixel == 0) return false;
        const std::uint64_t rowBytes = (size.width * bitsPerPixel + 31) / 32 * 4;
        return Little32(bytes, 10) + rowBytes * size.height <= bytes.size();
    }
    constexpr std::size_t kTgaHeaderBytes = 18;
    if (bytes.size() < kTgaHeaderBytes) return false;
    const std::uint64_t colorMapBytes = Little16(bytes, 5) * ((bytes[7] + 7u) / 8);
    const std::uint64_t pixelStart = kTgaHeaderBytes + bytes[0] + (bytes[1] != 0 ? colorMapBytes : 0);
    if (pixelStart > bytes.size()) return false;
    const std::uint64_t pixelBytes = bytes.size() - pixelStart;
    const bool runLength = bytes[2] >= 8;
    return runLength ? pixelBytes * 64 >= pixels : pixelBytes >= pixels * ((bytes[16] + 7u) / 8);
}

}  // namespace

bool LooksLikeTga(std::span<const std::uint8_t> bytes) {
    if (!FitsInInt(bytes)) return false;
    stbi__context context;
    stbi__start_mem(&context, bytes.data(), static_cast<int>(bytes.size()));
    return stbi__tga_test(&context) != 0;
}

ImageOutcome<PngImage> ReencodeBmpOrTga(std::span<const std::uint8_t> bytes) {
    if (!FitsInInt(bytes)) return ImageRefusal::OverLimit;
    const int length = static_cast<int>(bytes.size());
    int width = 0, height = 0, channels = 0;
    if (stbi_info_from_memory(bytes.data(), length, &width, &height, &channels) == 0) return ImageRefusal::Damaged;
    if (width <= 0 || height <= 0) return ImageRefusal::Damaged;
    const ImageSize announced{static_cast<std::size_t>(width), static_cast<std::size_t>(height)};
    if (!IsWithinImageLimits(announced)) return ImageRefusal::OverLimit;
    if (!HoldsItsPixels(bytes, announced)) return ImageRefusal::Damaged;

    const std::unique_ptr<stbi_uc, PixelsFree> pixels(
        stbi_load_from_memory(bytes.data(), length, &width, &height, &channels, 0));
    if (!pixels || width <= 0 || height <= 0 || channels <= 0) return ImageRefusal::Damaged;
    PngImage png{{static_cast<std::size_t>(width), static_cast<std::size_t>(height)}, {}};
    png.bytes = EncodePng(pixels.get(), png.size, channels);
    if (png.bytes.empty()) return ImageRefusal::Damaged;
    return png;
}

}  // namespace korvanta::image
