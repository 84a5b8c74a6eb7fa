#include "ModelFileBuffer.h"

#include <bit>

namespace korvanta {

static_assert(std::endian::native == std::endian::little, "glTF buffers are little-endian, and so is this host");

void GltfBufferWriter::Reserve(std::size_t bytes) { reservedBytes_ = bytes; }

int GltfBufferWriter::AddView(std::span<const std::uint8_t> bytes, int target) {
    if (bytes.empty()) return -1;
    // The buffer is made with the first view: glTF has no empty buffers.
    if (gltf_.buffers.empty()) {
        auto& data = gltf_.buffers.emplace_back().data;
        data.reserve(reservedBytes_);
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

// Views may only lie in the binary chunk: buffer 0, with no file of its own.
std::span<const std::uint8_t> ViewBytes(const GlbContent& content, int viewIndex) {
    const nlohmann::json& document = content.document;
    const auto views = document.find("bufferViews");
    const auto buffers = document.find("buffers");
    if (viewIndex < 0 || views == document.end() || !views->is_array() ||
        static_cast<std::size_t>(viewIndex) >= views->size() || buffers == document.end() || !buffers->is_array() ||
        buffers->empty() || !buffers->front().is_object() || buffers->front().contains("uri")) {
        return {};
    }
    const nlohmann::json& view = (*views)[static_cast<std::size_t>(viewIndex)];
    if (!view.is_object() || !view.contains("buffer") || WholeNumber<int>(view.at("buffer")) != 0) return {};
    // An absent offset or length is zero.
    const auto member = [&view](const char* key) -> std::optional<std::uint64_t> {
        return view.contains(key) ? WholeNumber<std::uint64_t>(view.at(key)) : std::uint64_t{0};
    };
    const std::optional<std::uint64_t> offset = member("byteOffset"), length = member("byteLength");
    if (!offset || !length) return {};
    const std::size_t size = content.binary.size();
    if (*offset > size || *length > size - *offset) return {};
    return content.binary.subspan(*offset, *length);
}

}  // namespace korvanta
