#pragma once

// What the texture decoders hand each other: sizes, pixels, and the reasons
// an image file is refused.

#include <cstddef>
#include <cstdint>
#include <variant>
#include <vector>

namespace korvanta::image {

struct ImageSize {
    std::size_t width = 0;
    std::size_t height = 0;
};

enum class ImageRefusal {
    NotAnImage,  // not one of the formats textures come in
    OverLimit,   // larger than ImageLimits.h allows
    Damaged,     // the decoder gave up on it
};

// RGBA pixels row by row from the top.
struct RgbaImage {
    ImageSize size;
    std::vector<std::uint8_t> pixels;
};

struct PngImage {
    ImageSize size;
    std::vector<std::uint8_t> bytes;
};

// Whether a decoder proves the whole image can be shown, or only reads the
// size its header states.
enum class ImageReading { Whole, HeaderOnly };

template <typename Value>
using ImageOutcome = std::variant<Value, ImageRefusal>;

}  // namespace korvanta::image
