#include "ModelFileBuffer.h"

#include <algorithm>
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

namespace {

// Collects the bytes made into blocks and writes each full block. The views
// are made on the thread that writes them: a thread making them beside the
// writing saves wall time only where a core is free, and costs processor
// time everywhere.
class BlockSink final : public ViewSink {
public:
    explicit BlockSink(std::ostream& stream) : stream_(stream) { block_.reserve(kBlockBytes); }

    void Write(const void* bytes, std::size_t count) override {
        const char* from = static_cast<const char*>(bytes);
        written_ += count;
        while (count != 0) {
            const std::size_t taken = std::min(count, kBlockBytes - block_.size());
            block_.insert(block_.end(), from, from + taken);
            from += taken;
            count -= taken;
            if (block_.size() == kBlockBytes) Flush();
        }
    }

    // Writes the last block, however full.
    void Flush() {
        stream_.write(block_.data(), static_cast<std::streamsize>(block_.size()));
        block_.clear();
    }

    std::size_t Written() const { return written_; }

private:
    static constexpr std::size_t kBlockBytes = std::size_t{1} << 20;

    std::ostream& stream_;
    std::vector<char> block_;
    std::size_t written_ = 0;
};

}  // namespace

void GltfBufferWriter::Write(std::ostream& stream) const {
    static constexpr std::array<char, kViewAlignment> kZeros{};
    BlockSink sink(stream);
    for (const auto& [index, make] : views_) {
        const tinygltf::BufferView& view = gltf_.bufferViews[static_cast<std::size_t>(index)];
        sink.Write(kZeros.data(), view.byteOffset - sink.Written());
        make(sink);
        if (sink.Written() != view.byteOffset + view.byteLength) {
            throw std::logic_error("a buffer view made more or fewer bytes than laid out");
        }
    }
    sink.Flush();
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
