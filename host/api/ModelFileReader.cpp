#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "InstanceGraph.h"
#include "ModelFile.h"
#include "ModelFileBuffer.h"
#include "ModelFileStructure.h"
#include "utils/WholeFile.h"

namespace korvanta {
namespace {

// The GLB container: a 12-byte header, then chunks of a 4-byte length, a
// 4-byte type and the data; the JSON chunk first, the binary chunk next.
constexpr std::size_t kHeaderBytes = 12;
constexpr std::size_t kChunkHeaderBytes = 8;
constexpr std::uint32_t kGlbMagic = 0x46546C67;      // "glTF"
constexpr std::uint32_t kJsonChunkType = 0x4E4F534A;  // "JSON"
constexpr std::uint32_t kBinaryChunkType = 0x004E4942;  // "BIN\0"

// Far deeper than any model file's JSON goes, and shallow enough that no
// parser's recursion or its destruction of what it built can run out of stack.
constexpr int kMaxJsonNesting = 64;

std::uint32_t WordAt(std::span<const std::uint8_t> bytes, std::size_t offset) {
    std::uint32_t word = 0;
    std::memcpy(&word, bytes.data() + offset, sizeof word);
    return word;
}

// Whether no array or object of the JSON text lies deeper than the limit,
// counting brackets outside strings only. Malformed text passes: the parser
// refuses it.
bool NestingWithinLimit(std::string_view text) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxJsonNesting) return false;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return true;
}

// Splits a GLB into its JSON document and binary chunk, checking every length
// against the bytes there are before using it.
bool ReadGlb(std::span<const std::uint8_t> bytes, GlbContent& content) {
    if (bytes.size() < kHeaderBytes + kChunkHeaderBytes || WordAt(bytes, 0) != kGlbMagic || WordAt(bytes, 4) != 2 ||
        WordAt(bytes, 8) != bytes.size()) {
        return false;
    }
    const std::size_t jsonLength = WordAt(bytes, kHeaderBytes);
    const std::size_t jsonStart = kHeaderBytes + kChunkHeaderBytes;
    if (WordAt(bytes, kHeaderBytes + 4) != kJsonChunkType || jsonLength > bytes.size() - jsonStart) return false;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data() + jsonStart), jsonLength);
    if (!NestingWithinLimit(text)) return false;

    const std::size_t binaryHeader = jsonStart + jsonLength;
    content.binary = {};
    if (binaryHeader != bytes.size()) {
        if (bytes.size() - binaryHeader < kChunkHeaderBytes || WordAt(bytes, binaryHeader + 4) != kBinaryChunkType) {
            return false;
        }
        const std::size_t binaryLength = WordAt(bytes, binaryHeader);
        if (binaryLength > bytes.size() - binaryHeader - kChunkHeaderBytes) return false;
        content.binary = bytes.subspan(binaryHeader + kChunkHeaderBytes, binaryLength);
    }
    content.document = nlohmann::json::parse(text, nullptr, false);
    return content.document.is_object();
}

// Why a file that could not be read was not: missing, or there but unreadable.
KVResult ReadFailure(const std::string& path) {
    struct stat status {};
    const bool missing = ::stat(path.c_str(), &status) != 0 && (errno == ENOENT || errno == ENOTDIR);
    return missing ? KV_ERROR_FILE_NOT_FOUND : KV_ERROR_FILE_READ;
}

}  // namespace

KVResult LoadModelBytes(std::span<const std::uint8_t> bytes, Model& model) {
    GlbContent content;
    Model loaded;
    if (!ReadGlb(bytes, content) || !ReadModelStructure(content, loaded)) return KV_ERROR_FILE_READ;
    switch (FindInstanceGraphFault(loaded)) {
        case InstanceGraphFault::None:
            model = std::move(loaded);
            return KV_SUCCESS;
        case InstanceGraphFault::Cycle:
            return KV_ERROR_FILE_READ;
        case InstanceGraphFault::TooDeep:
        case InstanceGraphFault::TooManyPlacements:
            return KV_ERROR_OUT_OF_RANGE;
    }
    return KV_ERROR_FILE_READ;
}

KVResult LoadModelFile(const std::string& path, Model& model) {
    try {
        // A GLB states its length in 32 bits, so a longer file is not one.
        const std::optional<std::vector<std::uint8_t>> bytes =
            hollin::utils::ReadWholeFile(path, std::numeric_limits<std::uint32_t>::max());
        return bytes ? LoadModelBytes(*bytes, model) : ReadFailure(path);
    } catch (const std::bad_alloc&) {
        return KV_ERROR_FILE_READ;
    }
}

}  // namespace korvanta
