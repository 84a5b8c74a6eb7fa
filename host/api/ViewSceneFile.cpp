#include "ViewSceneFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <optional>
#include <set>
#include <span>
#include <utility>

#include "GlbLayout.h"
#include "ModelFileDescription.h"
#include "StrictJson.h"
#include "ViewSceneNodes.h"

namespace korvanta {

namespace {

using nlohmann::json;

// Larger than any offset or length a GLB can state.
constexpr std::uint64_t kBeyondAnyLength = std::uint64_t{1} << 40;

// What the view scene reads of the document: everything but the nodes,
// which are read as their text goes by, and the model's own structure.
const std::set<std::string, std::less<>> kMembersRead{"asset",  "scene",    "scenes",    "meshes",      "materials", "textures",
                                                      "images", "samplers", "accessors", "bufferViews", "buffers"};

int ComponentsOf(const json& type) {
    if (!type.is_string()) return 0;
    const std::string& name = type.get_ref<const std::string&>();
    if (name == "SCALAR") return 1;
    if (name == "VEC2") return 2;
    return name == "VEC3" ? 3 : 0;
}

const json& ArrayOrEmpty(const json& document, const char* key) {
    static const json kEmpty = json::array();
    const auto member = document.find(key);
    if (member == document.end()) return kEmpty;
    if (!member->is_array()) ViewSceneFile::Refuse(ViewSceneFault::Member, MemberOf(std::string(), key));
    return *member;
}

}  // namespace

const json& ValueAt(const json& object, const char* key) {
    static const json kNone;
    if (!object.is_object()) return kNone;
    const auto member = object.find(key);
    return member == object.end() ? kNone : *member;
}

void ViewSceneFile::Refuse(ViewSceneFault fault, std::string member, std::uint64_t offset) {
    ViewSceneVerdict verdict;
    verdict.fault = fault;
    verdict.member = std::move(member);
    verdict.offset = offset;
    throw ViewSceneRefusal{std::move(verdict)};
}

void ViewSceneFile::Read(std::uint64_t offset, void* into, std::size_t length) {
    auto* at = static_cast<char*>(into);
    while (length > 0) {
        const ssize_t read = ::pread(file_.Get(), at, length, static_cast<off_t>(offset));
        if (read < 0 && errno == EINTR) continue;
        if (read <= 0) {
            ViewSceneVerdict verdict;
            verdict.fault = read < 0 ? ViewSceneFault::Unreadable : ViewSceneFault::NotGlb;
            verdict.error = read < 0 ? errno : 0;
            verdict.offset = offset;
            throw ViewSceneRefusal{std::move(verdict)};
        }
        at += read;
        offset += static_cast<std::uint64_t>(read);
        length -= static_cast<std::size_t>(read);
    }
}

std::vector<std::byte> ViewSceneFile::ReadAt(std::uint64_t offset, std::uint64_t length) {
    std::vector<std::byte> bytes(static_cast<std::size_t>(length));
    Read(offset, bytes.data(), bytes.size());
    return bytes;
}

ViewSceneFile::ViewSceneFile(const std::string& path) : file_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (!file_.IsOpen()) {
        ViewSceneVerdict verdict;
        verdict.fault = ViewSceneFault::Unreadable;
        verdict.error = errno;
        throw ViewSceneRefusal{std::move(verdict)};
    }
    const off_t end = ::lseek(file_.Get(), 0, SEEK_END);
    if (end < 0) Refuse(ViewSceneFault::NotGlb, {});
    const auto size = static_cast<std::uint64_t>(end);
    std::uint8_t header[kGlbJsonStart] = {};
    if (size < kGlbJsonStart) Refuse(ViewSceneFault::NotGlb, {});
    Read(0, header, sizeof header);
    const std::optional<std::size_t> jsonLength = GlbJsonLength(header, size);
    if (!jsonLength) Refuse(ViewSceneFault::NotGlb, {});
    text_.resize(*jsonLength);
    Read(kGlbJsonStart, text_.data(), text_.size());
    const JsonVerdict parsed = ParseJsonObject(text_, document_, &kMembersRead);
    if (parsed.fault != JsonFault::None) Refuse(ViewSceneFault::Json, parsed.member, kGlbJsonStart + parsed.offset);
    // The text is strict JSON: the member's bounds are found by a plain scan.
    if (const auto nodes = MemberValue(text_, "nodes")) {
        nodesStart_ = nodes->first;
        nodesLength_ = nodes->second;
    }
    views_ = &ArrayOrEmpty(document_, "bufferViews");
    accessors_ = &ArrayOrEmpty(document_, "accessors");
    const std::uint64_t binaryHeader = kGlbJsonStart + *jsonLength;
    if (size - binaryHeader >= kGlbChunkHeaderBytes) {
        std::uint8_t chunk[kGlbChunkHeaderBytes] = {};
        Read(binaryHeader, chunk, sizeof chunk);
        binaryStart_ = binaryHeader + kGlbChunkHeaderBytes;
        binaryLength_ = GlbWordAt(chunk, 0);
        if (GlbWordAt(chunk, 4) != kGlbBinaryChunkType || binaryLength_ > size - binaryStart_) {
            Refuse(ViewSceneFault::NotGlb, {}, binaryHeader);
        }
    }
}

std::string_view ViewSceneFile::NodesText() const {
    return std::string_view(text_).substr(nodesStart_, nodesLength_);
}

void ViewSceneFile::DropNodesText() {
    text_ = std::string();
    nodesStart_ = 0;
    nodesLength_ = 0;
}

std::uint64_t ViewSceneFile::Number(const json& object, std::string_view member, std::uint64_t end,
                                    const std::string& where) const {
    const std::string at = where + "/" + std::string(member);
    if (!object.is_object()) Refuse(ViewSceneFault::Member, where);
    const auto value = object.find(member);
    if (value == object.end() || !value->is_number()) Refuse(ViewSceneFault::Member, at);
    const double number = value->get<double>();
    if (!(number >= 0.0 && number < static_cast<double>(end)) || number != std::floor(number)) {
        Refuse(ViewSceneFault::Member, at);
    }
    return static_cast<std::uint64_t>(number);
}

std::int64_t ViewSceneFile::NumberOr(const json& object, std::string_view member, std::uint64_t end, std::int64_t absent,
                                     const std::string& where) const {
    if (!object.is_object()) Refuse(ViewSceneFault::Member, where);
    if (!object.contains(member)) return absent;
    return static_cast<std::int64_t>(Number(object, member, end, where));
}

std::pair<std::uint64_t, std::uint64_t> ViewSceneFile::ViewAt(std::uint64_t index, std::uint64_t elementBytes,
                                                              const std::string& where) const {
    if (index >= views_->size()) Refuse(ViewSceneFault::Member, where);
    const std::string at = MemberOf("/bufferViews", index);
    const json& view = (*views_)[index];
    const std::uint64_t offset = static_cast<std::uint64_t>(NumberOr(view, "byteOffset", kBeyondAnyLength, 0, at));
    const std::uint64_t length = Number(view, "byteLength", kBeyondAnyLength, at);
    const auto stride =
        static_cast<std::uint64_t>(NumberOr(view, "byteStride", kBeyondAnyLength, static_cast<std::int64_t>(elementBytes), at));
    if (Number(view, "buffer", 1, at) != 0 || offset > binaryLength_ || length > binaryLength_ - offset ||
        stride != elementBytes) {
        Refuse(ViewSceneFault::Arrays, at, binaryStart_ + std::min(offset, binaryLength_));
    }
    return {binaryStart_ + offset, length};
}

std::vector<std::uint8_t> ViewSceneFile::ViewBytes(std::uint64_t index, const std::string& where) {
    const auto [offset, length] = ViewAt(index, 0, where);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    Read(offset, bytes.data(), bytes.size());
    return bytes;
}

ViewSceneFile::Accessor ViewSceneFile::AccessorAt(std::uint64_t index, std::initializer_list<int> types, int components) const {
    const std::string at = MemberOf("/accessors", index);
    if (index >= accessors_->size()) Refuse(ViewSceneFault::Member, at);
    const json& accessor = (*accessors_)[index];
    const auto type = static_cast<int>(Number(accessor, "componentType", kGltfFloat + 1, at));
    if (std::find(types.begin(), types.end(), type) == types.end() ||
        ComponentsOf(accessor.value("type", json())) != components || accessor.contains("sparse")) {
        Refuse(ViewSceneFault::Arrays, at);
    }
    const std::uint64_t elementBytes = static_cast<std::uint64_t>(components) * (type == kGltfUnsignedShort ? 2 : 4);
    const auto [viewOffset, viewLength] = ViewAt(Number(accessor, "bufferView", kBeyondAnyLength, at), elementBytes, at);
    const auto offset = static_cast<std::uint64_t>(NumberOr(accessor, "byteOffset", viewLength + 1, 0, at));
    const std::uint64_t count = Number(accessor, "count", (viewLength - offset) / elementBytes + 1, at);
    return {viewOffset + offset, count, type};
}

}  // namespace korvanta
