#include "ModelFileBuffer.h"

#include <bit>

#include "LargeArray.h"

namespace korvanta {

static_assert(std::endian::native == std::endian::little, "glTF buffers are little-endian, and so is this host");

void GltfBufferWriter::Reserve(std::size_t bytes) { reservedBytes_ = bytes; }

int GltfBufferWriter::AddView(std::span<const std::uint8_t> bytes, int target) {
    if (bytes.empty()) return -1;
    // The buffer is made with the first view: glTF has no empty buffers.
    if (gltf_.buffers.empty()) {
        auto& data = gltf_.buffers.emplace_back().data;
        data.reserve(reservedBytes_);
        AdviseHugePages(data.data(), data.capacity());
    }
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
