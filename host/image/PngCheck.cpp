#include "PngCheck.h"

#include <csetjmp>
#include <cstring>

#include "ImageLimits.h"
#include "PngHandlers.h"

namespace korvanta::image {
namespace {

struct PngSource {
    std::span<const std::uint8_t> bytes;
    std::size_t offset = 0;
};

void ReadFromMemory(png_structp png, png_bytep into, png_size_t count) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (count > source->bytes.size() - source->offset) png_error(png, "file ends early");
    std::memcpy(into, source->bytes.data() + source->offset, count);
    source->offset += count;
}

}  // namespace

ImageOutcome<ImageSize> CheckPng(std::span<const std::uint8_t> bytes, ImageReading reading) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, LeavePngOnError, KeepPngQuiet);
    if (png == nullptr) return ImageRefusal::Damaged;
    png_infop info = png_create_info_struct(png);
    PngSource source{bytes};
    // libpng reports a fatal error by jumping back here; what is set after
    // this point and read after the jump is volatile.
    volatile bool overLimit = false;
    png_bytep volatile row = nullptr;
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_free(png, row);
        png_destroy_read_struct(&png, &info, nullptr);
        return overLimit ? ImageRefusal::OverLimit : ImageRefusal::Damaged;
    }
    if (info == nullptr) png_error(png, "out of memory");
    png_set_read_fn(png, &source, ReadFromMemory);
    png_read_info(png, info);

    const ImageSize size{png_get_image_width(png, info), png_get_image_height(png, info)};
    if (!IsWithinImageLimits(size)) {
        overLimit = true;
        png_error(png, "over the size limits");
    }
    if (reading == ImageReading::HeaderOnly) {
        png_destroy_read_struct(&png, &info, nullptr);
        return size;
    }
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    row = static_cast<png_bytep>(png_malloc(png, png_get_rowbytes(png, info)));
    for (int pass = 0; pass < passes; ++pass) {
        for (std::size_t line = 0; line < size.height; ++line) png_read_row(png, row, nullptr);
    }
    png_free(png, row);
    png_destroy_read_struct(&png, &info, nullptr);
    return size;
}

}  // namespace korvanta::image
