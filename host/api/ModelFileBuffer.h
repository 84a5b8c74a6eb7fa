#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <ostream>
#include <span>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>
#include <tiny_gltf.h>

// The model file keeps everything binary in the GLB's one buffer, each array
// in a buffer view of its own. The views are laid out before any of them is
// made: each comes with its length and a way to make its bytes, and the
// writer makes them one after another as the file is written, so that
// saving never holds the buffer whole.
namespace korvanta {

// Where the views' bytes go as they are made.
class ViewSink {
public:
    virtual ~ViewSink() = default;
    virtual void Write(const void* bytes, std::size_t count) = 0;
};

// Takes the values of an array one at a time and writes them in blocks.
template <typename T>
class ArrayEmitter {
public:
    explicit ArrayEmitter(ViewSink& sink) : sink_(sink) {}
    ArrayEmitter(const ArrayEmitter&) = delete;
    ArrayEmitter& operator=(const ArrayEmitter&) = delete;

    void operator()(const T& value) {
        block_[used_++] = value;
        if (used_ == block_.size()) Flush();
    }
    void Flush() {
        sink_.Write(block_.data(), used_ * sizeof(T));
        used_ = 0;
    }

private:
    ViewSink& sink_;
    std::array<T, 4096> block_{};
    std::size_t used_ = 0;
};

class GltfBufferWriter {
public:
    // Makes one view's bytes: exactly as many as the view was laid out with.
    using MakeBytes = std::function<void(ViewSink&)>;

    explicit GltfBufferWriter(tinygltf::Model& gltf) : gltf_(gltf) {}

    // Lays out a view of `length` bytes that `make` writes when the buffer is
    // written. Returns the index of the new view, or -1 for an empty one:
    // glTF does not allow views of length zero.
    int AddView(std::size_t length, MakeBytes make, int target = 0);

    // A view of `count` values of T, which `make(emit)` hands to emit(value) one by one.
    template <typename T, typename Make>
    int AddArray(std::size_t count, Make make, int target = 0) {
        return AddView(count * sizeof(T), [make = std::move(make)](ViewSink& sink) {
            ArrayEmitter<T> emit(sink);
            make(emit);
            emit.Flush();
        }, target);
    }

    // A view of values that stay where they are until the buffer is written.
    template <typename T>
    int AddStored(std::span<const T> values, int target = 0) {
        return AddView(values.size_bytes(), [values](ViewSink& sink) { sink.Write(values.data(), values.size_bytes()); },
                       target);
    }

    // The bytes of all views laid out so far, with the padding between them.
    std::size_t Size() const { return size_; }

    // Makes every view in order and writes it at its offset. Throws
    // std::logic_error when a view's bytes are not as many as laid out.
    void Write(std::ostream& stream) const;

private:
    // Doubles are the widest elements the file stores; aligning every view to
    // them keeps each array naturally aligned in the buffer.
    static constexpr std::size_t kViewAlignment = 8;

    tinygltf::Model& gltf_;
    std::vector<std::pair<int, MakeBytes>> views_;  // view index, maker
    std::size_t size_ = 0;
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
