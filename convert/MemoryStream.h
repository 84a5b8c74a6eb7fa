#pragma once

#include <cstddef>
#include <cstdint>
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

    std::size_t Read(void* buffer, std::size_t size);
    // Moves on as a read of `size` bytes would, without copying them.
    std::size_t Skip(std::size_t size);
    bool Seek(std::int64_t offset, Origin origin);
    std::int64_t Tell() const { return position_; }
    std::size_t Size() const { return bytes_.size(); }

    // Little-endian values as lib3ds reads them, zero past the end.
    std::uint8_t ReadByte();
    std::uint16_t ReadWord();
    std::uint32_t ReadDword();
    // Bytes until a NUL, as lib3ds reads a name into a buffer of `capacity`
    // bytes: false when the end comes first or no NUL is among the first
    // `capacity` bytes. `text` (when given) receives the bytes before the NUL.
    bool ReadString(std::size_t capacity, std::span<std::uint8_t> text = {}, std::size_t* length = nullptr);

private:
    std::span<const std::uint8_t> bytes_;
    std::int64_t position_ = 0;
};

}  // namespace hollin::importer
