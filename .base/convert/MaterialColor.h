#pragma once

#include <cstdint>

namespace hollin::importer {

// One byte of a host colour from a 3DS colour component: truncated toward
// zero, and kept at the nearest end when outside 0..1 instead of wrapping
// (a diffuse of 1.2 stays bright, not dark).
inline std::uint8_t ColorByte(float component) {
    const double scaled = static_cast<double>(component) * 255.0;
    if (!(scaled > 0.0)) return 0;
    if (scaled >= 255.0) return 255;
    return static_cast<std::uint8_t>(static_cast<int>(scaled));
}

}  // namespace hollin::importer
