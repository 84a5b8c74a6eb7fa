#include "GifFirstFrame.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "ImageLimits.h"

namespace korvanta::image {
namespace {

struct GifSource {
    std::span<const std::uint8_t> bytes;
    std::size_t offset = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* into, int count) {
    auto* source = static_cast<GifSource*>(gif->UserData);
    const std::size_t available = std::min(static_cast<std::size_t>(std::max(count, 0)), source->bytes.size() - source->offset);
    std::memcpy(into, source->bytes.data() + source->offset, available);
    source->offset += available;
    return static_cast<int>(available);
}

struct GifClose {
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};
using GifFile = std::unique_ptr<GifFileType, GifClose>;

// Skips an extension block, keeping the transparent colour a graphics
// control extension names; giflib hands the blocks over one by one.
bool ReadExtension(GifFileType* gif, int& transparentColor) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
    while (block != nullptr) {
        if (code == GRAPHICS_EXT_FUNC_CODE && block[0] >= 4) {
            GraphicsControlBlock control{};
            if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) transparentColor = control.TransparentColor;
        }
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
    }
    return true;
}

// Draws the frame whose descriptor giflib has just read; parts of it outside
// the logical screen are decoded and dropped.
bool DrawFrame(GifFileType* gif, int transparentColor, RgbaImage& canvas) {
    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* colors = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
    if (colors == nullptr || frame.Width <= 0 || frame.Height <= 0) return false;
    if (!IsWithinImageLimits({static_cast<std::size_t>(frame.Width), static_cast<std::size_t>(frame.Height)})) {
        return false;
    }
    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
    // Interlaced frames store every eighth row from row 0, then from row 4,
    // then every fourth from row 2, then every second from row 1.
    constexpr std::array<int, 4> kInterlacedStart{0, 4, 2, 1};
    constexpr std::array<int, 4> kInterlacedStep{8, 8, 4, 2};
    const int passes = frame.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int start = frame.Interlace ? kInterlacedStart[pass] : 0;
        const int step = frame.Interlace ? kInterlacedStep[pass] : 1;
        for (int row = start; row < frame.Height; row += step) {
            if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) return false;
            const long long y = static_cast<long long>(frame.Top) + row;
            if (y < 0 || y >= static_cast<long long>(canvas.size.height)) continue;
            for (int column = 0; column < frame.Width; ++column) {
                const long long x = static_cast<long long>(frame.Left) + column;
                const int index = line[static_cast<std::size_t>(column)];
                if (x < 0 || x >= static_cast<long long>(canvas.size.width) || index == transparentColor ||
                    index >= colors->ColorCount) {
                    continue;
                }
                const GifColorType& color = colors->Colors[index];
                std::uint8_t* pixel = canvas.pixels.data() + (static_cast<std::size_t>(y) * canvas.size.width +
                                                              static_cast<std::size_t>(x)) * 4;
                pixel[0] = color.Red;
                pixel[1] = color.Green;
                pixel[2] = color.Blue;
                pixel[3] = 255;
            }
        }
    }
    return true;
}

}  // namespace

ImageOutcome<RgbaImage> ReadGifFirstFrame(std::span<const std::uint8_t> bytes) {
    GifSource source{bytes};
    int error = 0;
    const GifFile gif(DGifOpen(&source, ReadFromMemory, &error));
    if (!gif) return ImageRefusal::Damaged;

    RgbaImage canvas;
    canvas.size = {static_cast<std::size_t>(std::max(gif->SWidth, 0)), static_cast<std::size_t>(std::max(gif->SHeight, 0))};
    if (canvas.size.width == 0 || canvas.size.height == 0) return ImageRefusal::Damaged;
    if (!IsWithinImageLimits(canvas.size)) return ImageRefusal::OverLimit;

    int transparentColor = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR) return ImageRefusal::Damaged;
        if (record == EXTENSION_RECORD_TYPE) {
            if (!ReadExtension(gif.get(), transparentColor)) return ImageRefusal::Damaged;
        } else if (record == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return ImageRefusal::Damaged;
            canvas.pixels.assign(canvas.size.width * canvas.size.height * 4, 0);
            if (!DrawFrame(gif.get(), transparentColor, canvas)) return ImageRefusal::Damaged;
            return canvas;
        } else {
            return ImageRefusal::Damaged;  // the file ends before its first frame
        }
    }
}

}  // namespace korvanta::image
