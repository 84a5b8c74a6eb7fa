#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace hollin::importer {

// Bytes in memory read the way lib3ds reads a file through stdio, so that
// what the loader sees and what the scene check predicts are the same: a
// read past the end returns fewer bytes (the rest of the buffer is zeroed,
// where stdio would leave it as it was), the position advances only by what
// was read, a seek past the end is allowed and one before the start fails.
class MemoryStream {
public:
    enum class Origin { Start, Current, End };

    explicit MemoryStream(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    // Inline, and without a call on the way for values of one, two and four
    // bytes: lib3ds reads a large scene a value at a time.
    std::size_t Read(void* buffer, std::size_t size) {
        const auto left = static_cast<std::int64_t>(bytes_.size()) - position_;
        if (position_ < 0 || left < static_cast<std::int64_t>(size)) return ReadAtEnd(buffer, size);
        const std::uint8_t* from = bytes_.data() + position_;
        position_ += static_cast<std::int64_t>(size);
        switch (size) {
            case 1: std::memcpy(buffer, from, 1); break;
            case 2: std::memcpy(buffer, from, 2); break;
            case 4: std::memcpy(buffer, from, 4); break;
            default: std::memcpy(buffer, from, size);
        }
        return size;
    }
    // Moves on as a read of `size` bytes would, without copying them.
    std::size_t Skip(std::size_t size) {
        const auto end = static_cast<std::int64_t>(bytes_.size());
        const std::size_t available = position_ < end ? static_cast<std::size_t>(end - position_) : 0;
        const std::size_t count = size < available ? size : available;
        position_ += static_cast<std::int64_t>(count);
        return count;
    }
    // Moves on as a read of `size` bytes would, and returns the bytes passed
    // over: fewer at the end, none past it.
    std::span<const std::uint8_t> Take(std::size_t size) {
        const std::int64_t start = position_;
        const std::size_t count = Skip(size);
        return count == 0 ? std::span<const std::uint8_t>() : bytes_.subspan(static_cast<std::size_t>(start), count);
    }
    bool Seek(std::int64_t offset, Origin origin);
    std::int64_t Tell() const { return position_; }
    std::size_t Size() const { return bytes_.size(); }

    // Little-endian values as lib3ds reads them, zero past the end.
    std::uint8_t ReadByte() {
        std::uint8_t value = 0;
        Read(&value, 1);
        return value;
    }
    std::uint16_t ReadWord() {
        std::uint8_t b[2];
        Read(b, sizeof b);
        return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
    }
    std::uint32_t ReadDword() {
        std::uint8_t b[4];
        Read(b, sizeof b);
        return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
               (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    }
    // Bytes until a NUL, as lib3ds reads a name into a buffer of `capacity`
    // bytes: false when the end comes first or no NUL is among the first
    // `capacity` bytes. `text` (when given) receives the bytes before the NUL.
    bool ReadString(std::size_t capacity, std::span<std::uint8_t> text = {}, std::size_t* length = nullptr);

private:
    // A read that reaches the end: what there is, the rest of the buffer zeroed.
    std::size_t ReadAtEnd(void* buffer, std::size_t size);

    std::span<const std::uint8_t> bytes_;
    std::int64_t position_ = 0;
};

}  // namespace hollin::importer
