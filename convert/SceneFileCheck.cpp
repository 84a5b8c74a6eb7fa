#include "convert/SceneFileCheck.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace hollin::importer {
namespace {

constexpr std::uint16_t kMainChunk = 0x4D4D;
constexpr std::uint16_t kSceneData = 0x3D3D;
constexpr std::uint16_t kNamedObject = 0x4000;
constexpr std::uint16_t kTriangleObject = 0x4100;
constexpr std::uint16_t kPointArray = 0x4110;
constexpr std::uint16_t kFaceArray = 0x4120;
constexpr std::uint16_t kFaceMaterialGroup = 0x4130;
constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kFaceSize = 8;

std::uint16_t ReadWord(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

std::uint32_t ReadDword(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(ReadWord(bytes, offset)) |
           (static_cast<std::uint32_t>(ReadWord(bytes, offset + 2)) << 16);
}

struct Chunk {
    std::uint16_t id;
    std::span<const std::uint8_t> body;
};

// The chunks directly inside `bytes`. A length running past its parent is cut
// at the parent's end, as the loader itself treats truncated files.
template <typename Visit>
bool ForEachChunk(std::span<const std::uint8_t> bytes, Visit visit) {
    std::size_t offset = 0;
    while (bytes.size() - offset >= kHeaderSize) {
        const std::uint16_t id = ReadWord(bytes, offset);
        const std::size_t length = ReadDword(bytes, offset + 2);
        if (length < kHeaderSize) return true;
        const std::size_t end = length > bytes.size() - offset ? bytes.size() : offset + length;
        if (!visit(Chunk{id, bytes.subspan(offset + kHeaderSize, end - offset - kHeaderSize)})) return false;
        offset = end;
    }
    return true;
}

std::size_t CStringLength(std::span<const std::uint8_t> bytes) {
    const auto* terminator = static_cast<const std::uint8_t*>(std::memchr(bytes.data(), 0, bytes.size()));
    return terminator == nullptr ? bytes.size() : static_cast<std::size_t>(terminator - bytes.data()) + 1;
}

// A material group lists face numbers that the loader uses as array indices.
bool MaterialGroupsNameOnlyFaces(std::span<const std::uint8_t> groups, std::size_t faceCount) {
    return ForEachChunk(groups, [faceCount](const Chunk& chunk) {
        if (chunk.id != kFaceMaterialGroup) return true;
        const std::span<const std::uint8_t> list = chunk.body.subspan(CStringLength(chunk.body));
        if (list.size() < 2) return true;
        const std::size_t count = ReadWord(list, 0);
        if ((list.size() - 2) / 2 < count) return false;
        for (std::size_t entry = 0; entry < count; ++entry) {
            if (ReadWord(list, 2 + entry * 2) >= faceCount) return false;
        }
        return true;
    });
}

bool TriangleObjectIsConsistent(std::span<const std::uint8_t> body) {
    std::size_t pointCount = 0;
    std::size_t faceCount = 0;
    std::size_t highestIndex = 0;
    bool facesComplete = true;  // every announced face and group entry is present and in range
    ForEachChunk(body, [&](const Chunk& chunk) {
        if (chunk.body.size() < 2) return true;
        const std::size_t count = ReadWord(chunk.body, 0);
        if (chunk.id == kPointArray) pointCount = count;
        if (chunk.id != kFaceArray) return true;
        // The loader reads announced faces past the chunk's end as well.
        if ((chunk.body.size() - 2) / kFaceSize < count) facesComplete = false;
        faceCount += count;
        if (!facesComplete) return false;
        for (std::size_t face = 0; face < count; ++face) {
            for (std::size_t corner = 0; corner < 3; ++corner) {
                highestIndex =
                    std::max<std::size_t>(highestIndex, ReadWord(chunk.body, 2 + face * kFaceSize + corner * 2));
            }
        }
        if (!MaterialGroupsNameOnlyFaces(chunk.body.subspan(2 + count * kFaceSize), count)) facesComplete = false;
        return facesComplete;
    });
    return facesComplete && (faceCount == 0 || highestIndex < pointCount);
}

bool NamedObjectIsConsistent(std::span<const std::uint8_t> body) {
    return ForEachChunk(body.subspan(CStringLength(body)), [](const Chunk& chunk) {
        return chunk.id != kTriangleObject || TriangleObjectIsConsistent(chunk.body);
    });
}

}  // namespace

bool TriangleObjectsAreConsistent(std::span<const std::uint8_t> file) {
    return ForEachChunk(file, [](const Chunk& main) {
        if (main.id != kMainChunk) return true;
        return ForEachChunk(main.body, [](const Chunk& data) {
            if (data.id != kSceneData) return true;
            return ForEachChunk(data.body, [](const Chunk& object) {
                return object.id != kNamedObject || NamedObjectIsConsistent(object.body);
            });
        });
    });
}

}  // namespace hollin::importer
