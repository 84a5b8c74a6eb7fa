#include "StbCodecs.h"

#include <limits>
#include <memory>

#include "ImageLimits.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 16384
#include <stb_image.h>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace korvanta::image {
namespace {

static_assert(STBI_MAX_DIMENSIONS == kMaxImageSide);

struct PixelsFree {
    void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

void AppendBytes(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

bool FitsInInt(std::span<const std::uint8_t> bytes) {
    return bytes.size() <= static_cast<std::size_t>(std::numeric_limits<int>::max());
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
    if (!IsWithinImageLimits({static_cast<std::size_t>(width), static_cast<std::size_t>(height)})) {
        return ImageRefusal::OverLimit;
    }

    const std::unique_ptr<stbi_uc, PixelsFree> pixels(
        stbi_load_from_memory(bytes.data(), length, &width, &height, &channels, 0));
    if (!pixels || width <= 0 || height <= 0 || channels <= 0) return ImageRefusal::Damaged;
    PngImage png{{static_cast<std::size_t>(width), static_cast<std::size_t>(height)}, {}};
    png.bytes = EncodePng(pixels.get(), png.size, channels);
    if (png.bytes.empty()) return ImageRefusal::Damaged;
    return png;
}

std::vector<std::uint8_t> EncodePng(const std::uint8_t* pixels, ImageSize size, int channels) {
    std::vector<std::uint8_t> png;
    const int width = static_cast<int>(size.width);
    if (stbi_write_png_to_func(AppendBytes, &png, width, static_cast<int>(size.height), channels, pixels,
                               width * channels) == 0) {
        png.clear();
    }
    return png;
}

}  // namespace korvanta::image
