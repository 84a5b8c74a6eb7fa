#include "ModelFileBuffer.h"

#include <bit>
#include <stdexcept>

namespace korvanta {

static_assert(std::endian::native == std::endian::little, "glTF buffers are little-endian, and so is this host");

int GltfBufferWriter::AddView(std::size_t length, MakeBytes make, int target) {
    if (length == 0) return -1;
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = (size_ + kViewAlignment - 1) / kViewAlignment * kViewAlignment;
    view.byteLength = length;
    view.target = target;
    size_ = view.byteOffset + length;
    gltf_.bufferViews.push_back(std::move(view));
    const int index = static_cast<int>(gltf_.bufferViews.size() - 1);
    views_.emplace_back(index, std::move(make));
    return index;
}

void GltfBufferWriter::Write(std::ostream& stream) const {
    static constexpr std::array<char, kViewAlignment> kZeros{};
    std::size_t written = 0;
    for (const auto& [index, make] : views_) {
        const tinygltf::BufferView& view = gltf_.bufferViews[static_cast<std::size_t>(index)];
        stream.write(kZeros.data(), static_cast<std::streamsize>(view.byteOffset - written));
        ViewSink sink(stream);
        make(sink);
        if (sink.Written() != view.byteLength) throw std::logic_error("a buffer view made more or fewer bytes than laid out");
        written = view.byteOffset + view.byteLength;
    }
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
