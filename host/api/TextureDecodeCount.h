#pragma once

#include <cstdint>

namespace korvanta {

// How many texture files the modelling library has decoded in this process,
// refused ones included: a diagnostic for the tests, which hold each program
// to decoding an image at most once after its importer did. Exported from
// the library beside the C API, not part of it.
__attribute__((visibility("default"))) std::uint64_t TextureFilesDecoded();

}  // namespace korvanta
