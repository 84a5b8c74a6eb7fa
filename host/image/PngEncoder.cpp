#include "PngEncoder.h"

#include <zlib.h>

#include <csetjmp>

#include "PngHandlers.h"

namespace korvanta::image {
namespace {

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void NothingToFlush(png_structp) {}

int ColorTypeOf(int channels) {
    switch (channels) {
        case 1: return PNG_COLOR_TYPE_GRAY;
        case 2: return PNG_COLOR_TYPE_GRAY_ALPHA;
        case 3: return PNG_COLOR_TYPE_RGB;
        default: return PNG_COLOR_TYPE_RGB_ALPHA;
    }
}

}  // namespace

std::vector<std::uint8_t> EncodePng(const std::uint8_t* pixels, ImageSize size, int channels) {
    std::vector<std::uint8_t> png;
    if (channels < 1 || channels > 4 || size.width == 0 || size.height == 0) return png;
    png_structp writer = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, LeavePngOnError, KeepPngQuiet);
    if (writer == nullptr) return png;
    png_infop info = png_create_info_struct(writer);
    // libpng reports a fatal error by jumping back here.
    if (setjmp(png_jmpbuf(writer)) != 0) {
        png_destroy_write_struct(&writer, &info);
        png.clear();
        return png;
    }
    if (info == nullptr) png_error(writer, "out of memory");
    png_set_write_fn(writer, &png, AppendBytes, NothingToFlush);
    png_set_compression_level(writer, Z_BEST_SPEED);
    png_set_filter(writer, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_IHDR(writer, info, static_cast<png_uint_32>(size.width), static_cast<png_uint_32>(size.height), 8,
                 ColorTypeOf(channels), PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(writer, info);
    const std::size_t rowBytes = size.width * static_cast<std::size_t>(channels);
    for (std::size_t row = 0; row < size.height; ++row) png_write_row(writer, pixels + row * rowBytes);
    png_write_end(writer, nullptr);
    png_destroy_write_struct(&writer, &info);
    return png;
}

}  // namespace korvanta::image
