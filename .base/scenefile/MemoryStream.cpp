#include "scenefile/MemoryStream.h"

#include <cstring>

namespace hollin::importer {

bool MemoryStream::Seek(std::int64_t offset, Origin origin) {
    std::int64_t base = 0;
    if (origin == Origin::Current) base = position_;
    if (origin == Origin::End) base = static_cast<std::int64_t>(bytes_.size());
    if (offset < -base) return false;
    position_ = base + offset;
    return true;
}

std::size_t MemoryStream::ReadAtEnd(void* buffer, std::size_t size) {
    const std::int64_t start = position_;
    const std::size_t count = Skip(size);
    if (count != 0) std::memcpy(buffer, bytes_.data() + start, count);
    std::memset(static_cast<std::uint8_t*>(buffer) + count, 0, size - count);
    return count;
}

bool MemoryStream::ReadString(std::size_t capacity, std::span<std::uint8_t> text, std::size_t* length) {
    for (std::size_t count = 0; count < capacity; ++count) {
        std::uint8_t byte = 0;
        if (Read(&byte, 1) != 1) return false;
        if (byte == 0) {
            if (length != nullptr) *length = count;
            return true;
        }
        if (count < text.size()) text[count] = byte;
    }
    return false;
}

}  // namespace hollin::importer
