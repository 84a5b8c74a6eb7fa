#include "ModelFileBuffer.h"

#include <bit>

namespace korvanta {

static_assert(std::endian::native == std::endian::little, "glTF buffers are little-endian, and so is this host");

namespace {

// Doubles are the widest elements the file stores; aligning every view to
// them keeps each array naturally aligned in the buffer.
constexpr std::size_t kViewAlignment = 8;

}  // namespace

int GltfBufferWriter::AddView(std::span<const std::uint8_t> bytes, int target) {
    if (bytes.empty()) return -1;
    if (gltf_.buffers.empty()) gltf_.buffers.emplace_back();
    auto& data = gltf_.buffers.front().data;
    data.resize((data.size() + kViewAlignment - 1) / kViewAlignment * kViewAlignment, 0);

    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = data.size();
    view.byteLength = bytes.size();
    view.target = target;
    data.insert(data.end(), bytes.begin(), bytes.end());
    gltf_.bufferViews.push_back(std::move(view));
    return static_cast<int>(gltf_.bufferViews.size() - 1);
}

std::span<const std::uint8_t> ViewBytes(const tinygltf::Model& gltf, int viewIndex) {
    if (viewIndex < 0 || static_cast<std::size_t>(viewIndex) >= gltf.bufferViews.size()) return {};
    const auto& view = gltf.bufferViews[static_cast<std::size_t>(viewIndex)];
    if (view.buffer < 0 || static_cast<std::size_t>(view.buffer) >= gltf.buffers.size()) return {};
    const auto& data = gltf.buffers[static_cast<std::size_t>(view.buffer)].data;
    if (view.byteOffset > data.size() || view.byteLength > data.size() - view.byteOffset) return {};
    return {data.data() + view.byteOffset, view.byteLength};
}

}  // namespace korvanta
