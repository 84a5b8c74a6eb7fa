#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace hollin::utils {

enum class ConversionMode {
    Strict,   // surrogate code points are rejected
    Lenient,  // surrogates pass through as themselves (used everywhere in the system)
};

// Results of the sizing operations below zero mean the input cannot be converted.
inline constexpr std::int64_t kTruncatedInput = -1;
inline constexpr std::int64_t kIllegalInput = -3;

// Number of UTF-16 units that decoding `byteCount` bytes of UTF-8 produces,
// or kTruncatedInput / kIllegalInput.
std::int64_t Utf16LengthOf(const char* utf8, std::size_t byteCount, ConversionMode mode);
// Number of UTF-8 bytes that encoding `unitCount` units produces
// (or kIllegalInput in strict mode for unpaired surrogates).
std::int64_t Utf8LengthOf(const char16_t* units, std::size_t unitCount, ConversionMode mode);

// All or nothing: any truncated or illegal sequence gives the empty text.
std::u16string DecodeUtf8(const char* utf8, std::size_t byteCount, ConversionMode mode);
// Strict mode gives the empty string for unpaired surrogates; lenient mode never fails.
std::string EncodeUtf8(const char16_t* units, std::size_t unitCount, ConversionMode mode);

// For text from files that never say their encoding (names in 3DS files):
// valid UTF-8 is kept as it is; anything else is read as Windows-1252, the
// code page such files were mostly written in. Every byte sequence gives
// valid UTF-8, so this never fails.
std::string Utf8FromUtf8OrWindows1252(std::string_view bytes);

}  // namespace hollin::utils
