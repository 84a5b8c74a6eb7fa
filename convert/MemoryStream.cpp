#include "convert/MemoryStream.h"

#include <algorithm>
#include <cstring>

namespace hollin::importer {

std::size_t MemoryStream::Skip(std::size_t size) {
    const auto end = static_cast<std::int64_t>(bytes_.size());
    const std::size_t available = position_ < end ? static_cast<std::size_t>(end - position_) : 0;
    const std::size_t count = std::min(size, available);
    position_ += static_cast<std::int64_t>(count);
    return count;
}

std::size_t MemoryStream::Read(void* buffer, std::size_t size) {
    const std::int64_t start = position_;
    const std::size_t count = Skip(size);
    if (count > 0) std::memcpy(buffer, bytes_.data() + start, count);
    if (count < size) std::memset(static_cast<std::uint8_t*>(buffer) + count, 0, size - count);
    return count;
}

bool MemoryStream::Seek(std::int64_t offset, Origin origin) {
    std::int64_t base = 0;
    if (origin == Origin::Current) base = position_;
    if (origin == Origin::End) base = static_cast<std::int64_t>(bytes_.size());
    if (offset < -base) return false;
    position_ = base + offset;
    return true;
}

std::uint8_t MemoryStream::ReadByte() {
    std::uint8_t value = 0;
    Read(&value, 1);
    return value;
}

std::uint16_t MemoryStream::ReadWord() {
    std::uint8_t b[2];
    Read(b, sizeof b);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint32_t MemoryStream::ReadDword() {
    std::uint8_t b[4];
    Read(b, sizeof b);
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
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
