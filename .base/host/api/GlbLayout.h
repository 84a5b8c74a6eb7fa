#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

// The GLB container: a 12-byte header, then chunks of a 4-byte length, a
// 4-byte type and the data; the JSON chunk first, the binary chunk next.
namespace korvanta {

inline constexpr std::size_t kGlbHeaderBytes = 12;
inline constexpr std::size_t kGlbChunkHeaderBytes = 8;
inline constexpr std::size_t kGlbJsonStart = kGlbHeaderBytes + kGlbChunkHeaderBytes;
inline constexpr std::uint32_t kGlbMagic = 0x46546C67;         // "glTF"
inline constexpr std::uint32_t kGlbJsonChunkType = 0x4E4F534A;  // "JSON"
inline constexpr std::uint32_t kGlbBinaryChunkType = 0x004E4942;  // "BIN\0"

inline std::uint32_t GlbWordAt(std::span<const std::uint8_t> bytes, std::size_t offset) {
    std::uint32_t word = 0;
    std::memcpy(&word, bytes.data() + offset, sizeof word);
    return word;
}

// The length of the JSON chunk of a GLB of `fileSize` bytes whose first
// bytes are `start`, checked against that size; nothing when the file is no
// GLB of version 2 or `start` is shorter than kGlbJsonStart.
inline std::optional<std::size_t> GlbJsonLength(std::span<const std::uint8_t> start, std::uint64_t fileSize) {
    if (start.size() < kGlbJsonStart || fileSize < kGlbJsonStart || GlbWordAt(start, 0) != kGlbMagic ||
        GlbWordAt(start, 4) != 2 || GlbWordAt(start, 8) != fileSize || GlbWordAt(start, kGlbHeaderBytes + 4) != kGlbJsonChunkType) {
        return std::nullopt;
    }
    const std::size_t jsonLength = GlbWordAt(start, kGlbHeaderBytes);
    if (jsonLength > fileSize - kGlbJsonStart) return std::nullopt;
    return jsonLength;
}

}  // namespace korvanta
