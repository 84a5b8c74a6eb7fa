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
#include "StrictJson.h"
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

std::uint32_t WordAt(std::span<const std::uint8_t> bytes, std::size_t offset) {
    std::uint32_t word = 0;
    std::memcpy(&word, bytes.data() + offset, sizeof word);
    return word;
}

KVModelFileVerdict Fault(KVModelFileFault fault, std::uint64_t offset = 0, const std::string& member = {}) {
    KVModelFileVerdict verdict{};
    verdict.fault = fault;
    verdict.offset = offset;
    member.copy(verdict.member, sizeof verdict.member - 1);
    return verdict;
}

// Splits a GLB into its JSON document and binary chunk, checking every length
// against the bytes there are before using it.
KVModelFileVerdict ReadGlb(std::span<const std::uint8_t> bytes, GlbContent& content) {
    if (bytes.size() < kHeaderBytes + kChunkHeaderBytes || WordAt(bytes, 0) != kGlbMagic || WordAt(bytes, 4) != 2 ||
        WordAt(bytes, 8) != bytes.size()) {
        return Fault(KV_MODEL_FILE_NOT_GLB);
    }
    const std::size_t jsonLength = WordAt(bytes, kHeaderBytes);
    const std::size_t jsonStart = kHeaderBytes + kChunkHeaderBytes;
    if (WordAt(bytes, kHeaderBytes + 4) != kJsonChunkType || jsonLength > bytes.size() - jsonStart) {
        return Fault(KV_MODEL_FILE_NOT_GLB);
    }
    const std::size_t binaryHeader = jsonStart + jsonLength;
    content.binary = {};
    if (binaryHeader != bytes.size()) {
        if (bytes.size() - binaryHeader < kChunkHeaderBytes || WordAt(bytes, binaryHeader + 4) != kBinaryChunkType) {
            return Fault(KV_MODEL_FILE_NOT_GLB);
        }
        const std::size_t binaryLength = WordAt(bytes, binaryHeader);
        if (binaryLength > bytes.size() - binaryHeader - kChunkHeaderBytes) return Fault(KV_MODEL_FILE_NOT_GLB);
        content.binary = bytes.subspan(binaryHeader + kChunkHeaderBytes, binaryLength);
    }

    const std::string_view text(reinterpret_cast<const char*>(bytes.data() + jsonStart), jsonLength);
    const JsonVerdict json = ParseJsonObject(text, content.document);
    switch (json.fault) {
        case JsonFault::None: return Fault(KV_MODEL_FILE_SOUND);
        case JsonFault::Malformed: return Fault(KV_MODEL_FILE_JSON_MALFORMED, jsonStart + json.offset);
        case JsonFault::DuplicateKey: return Fault(KV_MODEL_FILE_JSON_DUPLICATE_KEY, 0, json.member);
        case JsonFault::TooDeep: return Fault(KV_MODEL_FILE_JSON_TOO_DEEP, 0, json.member);
        case JsonFault::NotAnObject: break;
    }
    return Fault(KV_MODEL_FILE_NOT_A_MODEL);
}

KVModelFileVerdict ReadModel(std::span<const std::uint8_t> bytes, Model& model) {
    GlbContent content;
    if (KVModelFileVerdict verdict = ReadGlb(bytes, content); verdict.fault != KV_MODEL_FILE_SOUND) return verdict;
    Model loaded;
    if (!ReadModelStructure(content, loaded)) return Fault(KV_MODEL_FILE_NOT_A_MODEL);
    switch (FindInstanceGraphFault(loaded)) {
        case InstanceGraphFault::None: break;
        case InstanceGraphFault::Cycle: return Fault(KV_MODEL_FILE_INSTANCE_CYCLE);
        case InstanceGraphFault::TooDeep:
        case InstanceGraphFault::TooManyPlacements: return Fault(KV_MODEL_FILE_INSTANCES_TOO_DEEP);
    }
    model = std::move(loaded);
    return Fault(KV_MODEL_FILE_SOUND);
}

KVModelFileFault FaultOf(hollin::utils::FileProblem problem) {
    switch (problem) {
        case hollin::utils::FileProblem::Missing: return KV_MODEL_FILE_MISSING;
        case hollin::utils::FileProblem::NotARegularFile: return KV_MODEL_FILE_NOT_REGULAR;
        case hollin::utils::FileProblem::TooLarge: return KV_MODEL_FILE_TOO_LARGE;
        default: return KV_MODEL_FILE_UNREADABLE;
    }
}

KVResult Answer(const KVModelFileVerdict& verdict, KVModelFileVerdict* wanted) {
    if (wanted != nullptr) *wanted = verdict;
    switch (verdict.fault) {
        case KV_MODEL_FILE_SOUND: return KV_SUCCESS;
        case KV_MODEL_FILE_MISSING: return KV_ERROR_FILE_NOT_FOUND;
        case KV_MODEL_FILE_INSTANCES_TOO_DEEP: return KV_ERROR_OUT_OF_RANGE;
        default: return KV_ERROR_FILE_READ;
    }
}

}  // namespace

KVResult LoadModelBytes(std::span<const std::uint8_t> bytes, Model& model, KVModelFileVerdict* verdict) {
    return Answer(ReadModel(bytes, model), verdict);
}

KVResult LoadModelFile(const std::string& path, Model& model, KVModelFileVerdict* verdict) {
    try {
        hollin::utils::FileReadError error;
        // A GLB states its length in 32 bits, so a longer file is not one.
        const std::optional<std::vector<std::uint8_t>> bytes =
            hollin::utils::ReadWholeFile(path, std::numeric_limits<std::uint32_t>::max(), &error);
        return Answer(bytes ? ReadModel(*bytes, model) : Fault(FaultOf(error.problem)), verdict);
    } catch (const std::bad_alloc&) {
        return Answer(Fault(KV_MODEL_FILE_UNREADABLE), verdict);
    }
}

}  // namespace korvanta
