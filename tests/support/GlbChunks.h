#pragma once

// A model file's two chunks, to change and write anew as a damaged or
// altered file: a glTF library's round trip would drop what it does not
// know, the model's description among it.

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>

#include "GlbLayout.h"

struct GlbChunks {
    nlohmann::json document;
    std::string binary;
};

inline GlbChunks ReadGlbChunks(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::span<const std::uint8_t> start(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    const std::size_t jsonLength = korvanta::GlbWordAt(start, korvanta::kGlbHeaderBytes);
    return {nlohmann::json::parse(bytes.substr(korvanta::kGlbJsonStart, jsonLength)),
            bytes.substr(korvanta::kGlbJsonStart + jsonLength + korvanta::kGlbChunkHeaderBytes)};
}

inline void WriteGlbChunks(const GlbChunks& chunks, const std::filesystem::path& file) {
    std::string text = chunks.document.dump();
    text.resize((text.size() + 3) / 4 * 4, ' ');
    const auto word = [](std::size_t value) {
        const auto word = static_cast<std::uint32_t>(value);
        return std::string(reinterpret_cast<const char*>(&word), sizeof word);
    };
    const std::size_t total = korvanta::kGlbJsonStart + text.size() + korvanta::kGlbChunkHeaderBytes + chunks.binary.size();
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        << word(korvanta::kGlbMagic) << word(2) << word(total) << word(text.size()) << word(korvanta::kGlbJsonChunkType) << text
        << word(chunks.binary.size()) << word(korvanta::kGlbBinaryChunkType) << chunks.binary;
}
