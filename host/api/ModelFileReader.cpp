#include <cstdint>
#include <limits>
#include <new>
#include <optional>
#include <set>
#include <span>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "GlbLayout.h"
#include "InstanceGraph.h"
#include "ModelFile.h"
#include "ModelFileBuffer.h"
#include "ModelFileOutline.h"
#include "ModelFileStructure.h"
#include "StrictJson.h"
#include "ViewerDemand.h"
#include "utils/AvailableMemory.h"
#include "utils/WholeFile.h"

namespace korvanta {
namespace {

KVModelFileVerdict Fault(KVModelFileFault fault, std::uint64_t offset = 0, const std::string& member = {}) {
    KVModelFileVerdict verdict{};
    verdict.fault = fault;
    verdict.offset = offset;
    member.copy(verdict.member, sizeof verdict.member - 1);
    return verdict;
}

// Parses the JSON chunk, which starts at byte `jsonStart` of the file; with
// `keep`, only those top-level members are made (see ParseJsonObject).
KVModelFileVerdict ParseDocument(std::span<const std::uint8_t> json, std::size_t jsonStart, nlohmann::json& document,
                                 const std::set<std::string, std::less<>>* keep = nullptr) {
    const std::string_view text(reinterpret_cast<const char*>(json.data()), json.size());
    const JsonVerdict verdict = ParseJsonObject(text, document, keep);
    switch (verdict.fault) {
        case JsonFault::None: return Fault(KV_MODEL_FILE_SOUND);
        case JsonFault::Malformed: return Fault(KV_MODEL_FILE_JSON_MALFORMED, jsonStart + verdict.offset);
        case JsonFault::DuplicateKey: return Fault(KV_MODEL_FILE_JSON_DUPLICATE_KEY, 0, verdict.member);
        case JsonFault::TooDeep: return Fault(KV_MODEL_FILE_JSON_TOO_DEEP, 0, verdict.member);
        case JsonFault::NotAnObject: break;
    }
    return Fault(KV_MODEL_FILE_NOT_A_MODEL);
}

// Splits a GLB into its JSON document and binary chunk, checking every length
// against the bytes there are before using it.
KVModelFileVerdict ReadGlb(std::span<const std::uint8_t> bytes, GlbContent& content) {
    const std::optional<std::size_t> jsonLength = GlbJsonLength(bytes, bytes.size());
    if (!jsonLength) return Fault(KV_MODEL_FILE_NOT_GLB);
    const std::size_t binaryHeader = kGlbJsonStart + *jsonLength;
    content.binary = {};
    if (binaryHeader != bytes.size()) {
        if (bytes.size() - binaryHeader < kGlbChunkHeaderBytes || GlbWordAt(bytes, binaryHeader + 4) != kGlbBinaryChunkType) {
            return Fault(KV_MODEL_FILE_NOT_GLB);
        }
        const std::size_t binaryLength = GlbWordAt(bytes, binaryHeader);
        if (binaryLength > bytes.size() - binaryHeader - kGlbChunkHeaderBytes) return Fault(KV_MODEL_FILE_NOT_GLB);
        content.binary = bytes.subspan(binaryHeader + kGlbChunkHeaderBytes, binaryLength);
    }
    // The model's structure names views, buffers and images; the viewer's
    // scene around them (a node per placement, meshes, accessors) is checked
    // but not made.
    static const std::set<std::string, std::less<>> kModelMembers{"asset", "bufferViews", "buffers", "images"};
    return ParseDocument(bytes.subspan(kGlbJsonStart, *jsonLength), kGlbJsonStart, content.document, &kModelMembers);
}

KVModelFileVerdict GraphVerdict(InstanceGraphFault fault) {
    switch (fault) {
        case InstanceGraphFault::None: break;
        case InstanceGraphFault::Cycle: return Fault(KV_MODEL_FILE_INSTANCE_CYCLE);
        case InstanceGraphFault::TooDeep:
        case InstanceGraphFault::TooManyPlacements: return Fault(KV_MODEL_FILE_INSTANCES_TOO_DEEP);
    }
    return Fault(KV_MODEL_FILE_SOUND);
}

// A model read is written again, as kvstudio does with every file it opens:
// what that writing would hold is counted before it is asked for.
KVModelFileVerdict MemoryVerdict(const ViewerDemand& demand) {
    const std::uint64_t needed = kModelFileWritingRates.BytesFor(demand);
    const std::uint64_t available = hollin::utils::AvailableMemory();
    if (needed <= available) return Fault(KV_MODEL_FILE_SOUND);
    KVModelFileVerdict verdict = Fault(KV_MODEL_FILE_OVER_MEMORY);
    verdict.placements = demand.placements;
    verdict.triangles = demand.triangles;
    verdict.memory_needed = needed;
    verdict.memory_available = available;
    return verdict;
}

KVModelFileVerdict ReadModel(std::span<const std::uint8_t> bytes, Model& model) {
    GlbContent content;
    if (KVModelFileVerdict verdict = ReadGlb(bytes, content); verdict.fault != KV_MODEL_FILE_SOUND) return verdict;
    Model loaded;
    if (std::string member; !ReadModelStructure(content, loaded, &member)) return Fault(KV_MODEL_FILE_NOT_A_MODEL, 0, member);
    KVModelFileVerdict verdict = GraphVerdict(FindInstanceGraphFault(loaded));
    if (verdict.fault == KV_MODEL_FILE_SOUND) verdict = MemoryVerdict(ViewerDemandOf(loaded));
    if (verdict.fault == KV_MODEL_FILE_SOUND) model = std::move(loaded);
    return verdict;
}

KVModelFileFault FaultOf(hollin::utils::FileProblem problem) {
    switch (problem) {
        case hollin::utils::FileProblem::Missing: return KV_MODEL_FILE_MISSING;
        case hollin::utils::FileProblem::NotARegularFile: return KV_MODEL_FILE_NOT_REGULAR;
        case hollin::utils::FileProblem::TooLarge: return KV_MODEL_FILE_TOO_LARGE;
        default: return KV_MODEL_FILE_UNREADABLE;
    }
}

KVModelFileVerdict ReadOutline(const std::string& path, ModelOutline& outline) {
    hollin::utils::FileReadError error;
    std::uint64_t fileSize = 0;
    const auto header = hollin::utils::ReadFileStart(path, kGlbJsonStart, &error, &fileSize);
    if (!header) return Fault(FaultOf(error.problem));
    const std::optional<std::size_t> jsonLength = GlbJsonLength(*header, fileSize);
    if (!jsonLength) return Fault(KV_MODEL_FILE_NOT_GLB);
    const auto start = hollin::utils::ReadFileStart(path, kGlbJsonStart + *jsonLength, &error);
    if (!start) return Fault(FaultOf(error.problem));
    // Shorter when the file shrank since its header was read.
    if (start->size() != kGlbJsonStart + *jsonLength) return Fault(KV_MODEL_FILE_NOT_GLB);
    const std::span<const std::uint8_t> json(*start);
    nlohmann::json document;
    // The outline reads the model's description and the views' lengths: a
    // viewer's node tree, a node per placement, is checked but not made.
    static const std::set<std::string, std::less<>> kOutlineMembers{"asset", "bufferViews"};
    if (KVModelFileVerdict verdict = ParseDocument(json.subspan(kGlbJsonStart), kGlbJsonStart, document, &kOutlineMembers);
        verdict.fault != KV_MODEL_FILE_SOUND) {
        return verdict;
    }
    ModelOutline read;
    if (std::string member; !ReadModelOutline(document, read, &member)) return Fault(KV_MODEL_FILE_NOT_A_MODEL, 0, member);
    KVModelFileVerdict verdict = GraphVerdict(FindInstanceGraphFault(read));
    if (verdict.fault == KV_MODEL_FILE_SOUND) outline = std::move(read);
    return verdict;
}

KVResult Answer(const KVModelFileVerdict& verdict, KVModelFileVerdict* wanted) {
    if (wanted != nullptr) *wanted = verdict;
    switch (verdict.fault) {
        case KV_MODEL_FILE_SOUND: return KV_SUCCESS;
        case KV_MODEL_FILE_MISSING: return KV_ERROR_FILE_NOT_FOUND;
        case KV_MODEL_FILE_INSTANCES_TOO_DEEP:
        case KV_MODEL_FILE_OVER_MEMORY: return KV_ERROR_OUT_OF_RANGE;
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

KVResult LoadModelOutline(const std::string& path, ModelOutline& outline, KVModelFileVerdict* verdict) {
    try {
        return Answer(ReadOutline(path, outline), verdict);
    } catch (const std::bad_alloc&) {
        return Answer(Fault(KV_MODEL_FILE_UNREADABLE), verdict);
    }
}

}  // namespace korvanta
