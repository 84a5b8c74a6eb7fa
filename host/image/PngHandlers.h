#pragma once

#include <png.h>

namespace korvanta::image {

// libpng's own handlers would print to standard error: warnings (a bad CRC
// in an ancillary chunk, say) are dropped, errors go straight to the jump
// that the caller's setjmp set.
inline void KeepPngQuiet(png_structp, png_const_charp) {}
[[noreturn]] inline void LeavePngOnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

}  // namespace korvanta::image
