#pragma once

// Texture images come with downloaded models as untrusted as the models
// themselves: anything larger than these is refused before it is decoded.

#include <cstddef>
#include <cstdint>

#include "ImageTypes.h"

namespace korvanta::image {

inline constexpr std::uint64_t kMaxImageFileBytes = std::uint64_t{256} << 20;
inline constexpr std::size_t kMaxImageSide = 16384;
inline constexpr std::uint64_t kMaxImagePixels = std::uint64_t{1} << 28;

inline bool IsWithinImageLimits(ImageSize size) {
    return size.width <= kMaxImageSide && size.height <= kMaxImageSide &&
           static_cast<std::uint64_t>(size.width) * size.height <= kMaxImagePixels;
}

}  // namespace korvanta::image
