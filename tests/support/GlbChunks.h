#pragma once

// A model file's two chunks, to change and write anew as a damaged or
// altered file: a glTF library's round trip would drop what it does not
// know, the model's description among it.

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

#include "GlbLayout.h"
#include "TemporaryFolder.h"

struct GlbChunks {
    nlohmann::json document;
    std::string binary;
};

// A model file of this JSON text and binary chunk, each padded as the
// container wants; an empty binary chunk is left out.
inline std::string GlbBytes(std::string json, std::string binary = {}) {
    json.append((4 - json.size() % 4) % 4, ' ');
    binary.append((4 - binary.size() % 4) % 4, '\0');
    const auto word = [](std::size_t value) {
        const auto word = static_cast<std::uint32_t>(value);
        return std::string(reinterpret_cast<const char*>(&word), sizeof word);
    };
    const std::string binaryChunk = binary.empty() ? "" : word(binary.size()) + word(korvanta::kGlbBinaryChunkType) + binary;
    return word(korvanta::kGlbMagic) + word(2) + word(korvanta::kGlbJsonStart + json.size() + binaryChunk.size()) +
           word(json.size()) + word(korvanta::kGlbJsonChunkType) + json + binaryChunk;
}

// The chunks of a model file the library wrote.
inline GlbChunks GlbChunksOf(const std::string& bytes) {
    const std::span<const std::uint8_t> start(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    const std::size_t jsonLength = korvanta::GlbWordAt(start, korvanta::kGlbHeaderBytes);
    return {nlohmann::json::parse(bytes.substr(korvanta::kGlbJsonStart, jsonLength)),
            bytes.substr(korvanta::kGlbJsonStart + jsonLength + korvanta::kGlbChunkHeaderBytes)};
}

inline GlbChunks ReadGlbChunks(const std::filesystem::path& file) { return GlbChunksOf(ReadFile(file)); }

inline bool WriteGlbChunks(const GlbChunks& chunks, const std::filesystem::path& file) {
    return static_cast<bool>(std::ofstream(file, std::ios::binary | std::ios::trunc)
                             << GlbBytes(chunks.document.dump(), chunks.binary));
}
