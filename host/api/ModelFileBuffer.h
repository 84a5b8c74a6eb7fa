#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>
#include <tiny_gltf.h>

// The model file keeps everything binary in the GLB's one buffer, each array
// in a buffer view of its own.
namespace korvanta {

class GltfBufferWriter {
public:
    explicit GltfBufferWriter(tinygltf::Model& gltf) : gltf_(gltf) {}

    // Makes room for this many bytes of views in all, before the first view.
    // Growing the buffer copies everything written so far, which on large
    // models costs more than writing it.
    void Reserve(std::size_t bytes);

    // What a view of this many bytes takes at most, with its alignment.
    static constexpr std::size_t ViewBytesAtMost(std::size_t bytes) { return bytes + kViewAlignment; }

    // Returns the index of the new view, or -1 for an empty array: glTF does
    // not allow views of length zero.
    int AddView(std::span<const std::uint8_t> bytes, int target = 0);

    template <typename T>
    int AddArray(const std::vector<T>& values, int target = 0) {
        return AddView({reinterpret_cast<const std::uint8_t*>(values.data()), values.size() * sizeof(T)}, target);
    }

private:
    // Doubles are the widest elements the file stores; aligning every view to
    // them keeps each array naturally aligned in the buffer.
    static constexpr std::size_t kViewAlignment = 8;

    tinygltf::Model& gltf_;
    std::size_t reservedBytes_ = 0;
};

// A model file as read: its JSON document and its binary chunk, which the
// document's buffer 0 stands for.
struct GlbContent {
    nlohmann::json document;
    std::span<const std::uint8_t> binary;
};

// A whole number of a model file's JSON that T holds; nothing for any other
// value. (nlohmann would convert a fraction or a number too large for T with
// undefined behaviour.)
template <typename T>
std::optional<T> WholeNumber(const nlohmann::json& value) {
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (std::in_range<T>(number)) return static_cast<T>(number);
    } else if (value.is_number_integer()) {
        const auto number = value.get<std::int64_t>();
        if (std::in_range<T>(number)) return static_cast<T>(number);
    }
    return std::nullopt;
}

// The bytes of a view, or nothing when the view or its range of the binary
// chunk does not exist.
std::span<const std::uint8_t> ViewBytes(const GlbContent& content, int viewIndex);

// A view's bytes as an array of T; false when the view is missing or its
// length is not a whole number of elements. A view index of -1 is an empty
// array. The view's length was checked against the file, so the array is
// never larger than the file.
template <typename T>
bool ReadViewArray(const GlbContent& content, int viewIndex, std::vector<T>& values) {
    values.clear();
    if (viewIndex == -1) return true;
    const auto bytes = ViewBytes(content, viewIndex);
    if (bytes.empty() || bytes.size() % sizeof(T) != 0) return false;
    values.resize(bytes.size() / sizeof(T));
    std::memcpy(values.data(), bytes.data(), bytes.size());
    return true;
}

}  // namespace korvanta
