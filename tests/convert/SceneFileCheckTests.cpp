#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ConverterFixture.h"
#include "convert/SceneFileCheck.h"

namespace hollin::importer::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

void PutWord(Bytes& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

Bytes MakeChunk(std::uint16_t id, const Bytes& body) {
    Bytes chunk;
    PutWord(chunk, id);
    const auto length = static_cast<std::uint32_t>(body.size() + 6);
    PutWord(chunk, static_cast<std::uint16_t>(length & 0xFFFF));
    PutWord(chunk, static_cast<std::uint16_t>(length >> 16));
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

// A file with one triangle object of `points` points and the given faces,
// optionally with a material group listing face numbers.
Bytes SceneBytes(std::uint16_t points, const std::vector<std::array<std::uint16_t, 3>>& faces,
                 const std::vector<std::uint16_t>& groupFaces = {}) {
    Bytes pointArray;
    PutWord(pointArray, points);
    pointArray.resize(2 + points * 12u);
    Bytes faceArray;
    PutWord(faceArray, static_cast<std::uint16_t>(faces.size()));
    for (const auto& face : faces) {
        for (const std::uint16_t index : face) PutWord(faceArray, index);
        PutWord(faceArray, 0);
    }
    if (!groupFaces.empty()) {
        Bytes group{'m', 0};
        PutWord(group, static_cast<std::uint16_t>(groupFaces.size()));
        for (const std::uint16_t face : groupFaces) PutWord(group, face);
        const Bytes groupChunk = MakeChunk(0x4130, group);
        faceArray.insert(faceArray.end(), groupChunk.begin(), groupChunk.end());
    }
    Bytes triangles = MakeChunk(0x4110, pointArray);
    const Bytes faceChunk = MakeChunk(0x4120, faceArray);
    triangles.insert(triangles.end(), faceChunk.begin(), faceChunk.end());
    Bytes object{'o', 'b', 'j', 0};
    const Bytes triangleChunk = MakeChunk(0x4100, triangles);
    object.insert(object.end(), triangleChunk.begin(), triangleChunk.end());
    return MakeChunk(0x4D4D, MakeChunk(0x3D3D, MakeChunk(0x4000, object)));
}

TEST(SceneFileCheck, AcceptsTrianglesWithinTheirObject) {
    EXPECT_TRUE(TriangleObjectsAreConsistent(SceneBytes(3, {{0, 1, 2}}, {0})));
    EXPECT_TRUE(TriangleObjectsAreConsistent(SceneBytes(0, {})));
    EXPECT_TRUE(TriangleObjectsAreConsistent(Bytes{}));
}

TEST(SceneFileCheck, RejectsWhatWouldMakeTheLoaderReadOutOfBounds) {
    EXPECT_FALSE(TriangleObjectsAreConsistent(SceneBytes(3, {{0, 1, 3}})));
    EXPECT_FALSE(TriangleObjectsAreConsistent(SceneBytes(0, {{0, 0, 0}})));
    EXPECT_FALSE(TriangleObjectsAreConsistent(SceneBytes(3, {{0, 1, 2}}, {1})));
    Bytes truncated = SceneBytes(3, {{0, 1, 2}, {2, 1, 0}});
    truncated.resize(truncated.size() - 4);
    EXPECT_FALSE(TriangleObjectsAreConsistent(truncated));
}

class SceneFileLoadTest : public ConverterTest {};

TEST_F(SceneFileLoadTest, FaceNamingAMissingPointFailsTheLoadInsteadOfCrashing) {
    SceneWriter scene;
    scene.AddMesh(MeshSpec{"bad", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2000, ""}}, {}, {}});
    const std::filesystem::path input = Write(scene);
    EXPECT_FALSE(Convert(input));
    EXPECT_EQ(Report(), "3ds Errors:\n\tCould not open file: " + input.string() + "\n");
}

}  // namespace
}  // namespace hollin::importer::testing
