#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "ViewScene.h"
#include "utils/FileDescriptor.h"

// The GLB container of a model file, read piece by piece for its view
// scene: its JSON at once, strictly, with the nodes passed over (they are
// read as their text goes by, see ViewSceneNodes.h), then from the binary
// chunk only the arrays asked for, each checked against the file before it
// is read. Whatever does not hold together throws a ViewSceneRefusal.
namespace korvanta {

struct ViewSceneRefusal {
    ViewSceneVerdict verdict;
};

// glTF's codes for the types of the values in its arrays.
inline constexpr int kGltfUnsignedShort = 5123;
inline constexpr int kGltfUnsignedInt = 5125;
inline constexpr int kGltfFloat = 5126;

class ViewSceneFile {
public:
    // A typed array in the binary chunk, tightly packed.
    struct Accessor {
        std::uint64_t offset = 0;  // in the file
        std::uint64_t count = 0;
        int componentType = 0;
    };

    explicit ViewSceneFile(const std::string& path);

    // The document without its nodes, and the text of the nodes' array
    // (empty when there is none), checked as strictly as the rest, until
    // it is dropped.
    const nlohmann::json& Document() const { return document_; }
    std::string_view NodesText() const;
    void DropNodesText();

    // A whole number in [0, end) at `member` of `object`, which `where`
    // names; `absent` when the object has no such member.
    std::uint64_t Number(const nlohmann::json& object, std::string_view member, std::uint64_t end,
                         const std::string& where) const;
    std::int64_t NumberOr(const nlohmann::json& object, std::string_view member, std::uint64_t end, std::int64_t absent,
                          const std::string& where) const;

    // The array of accessor `index`: `components` values of one of `types` each.
    Accessor AccessorAt(std::uint64_t index, std::initializer_list<int> types, int components) const;
    std::uint64_t AccessorCount() const { return accessors_->size(); }
    // The bytes of buffer view `index`.
    std::vector<std::uint8_t> ViewBytes(std::uint64_t index, const std::string& where);
    std::vector<std::byte> ReadAt(std::uint64_t offset, std::uint64_t length);

    [[noreturn]] static void Refuse(ViewSceneFault fault, std::string member, std::uint64_t offset = 0);

private:
    // Where a view's bytes are in the file, and how many there are; views of
    // arrays have no stride other than their elements' size.
    std::pair<std::uint64_t, std::uint64_t> ViewAt(std::uint64_t index, std::uint64_t elementBytes,
                                                   const std::string& where) const;
    void Read(std::uint64_t offset, void* into, std::size_t length);

    hollin::utils::FileDescriptor file_;
    std::string text_;
    nlohmann::json document_;
    std::size_t nodesStart_ = 0;
    std::size_t nodesLength_ = 0;
    const nlohmann::json* views_ = nullptr;
    const nlohmann::json* accessors_ = nullptr;
    std::uint64_t binaryStart_ = 0;
    std::uint64_t binaryLength_ = 0;
};

// The member `key` of `object`, or null when it is not an object or has none.
const nlohmann::json& ValueAt(const nlohmann::json& object, const char* key);

}  // namespace korvanta
