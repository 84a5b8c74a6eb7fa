#include <stb_image_write.h>

#include <filesystem>
#include <tuple>
#include <vector>

#include "ApiTestSupport.h"
#include "ProcessRunner.h"

namespace korvanta::test {
namespace {

class TextureTest : public ApiTest {
protected:
    // A decodable 3 x 2 image, or one cut to `keep` bytes.
    std::string WritePng(const char* name, std::size_t keep = 1000) const {
        const std::vector<unsigned char> pixels(3 * 2 * 3, 77);
        const std::string path = (folder_ / name).string();
        EXPECT_NE(stbi_write_png(path.c_str(), 3, 2, 3, pixels.data(), 3 * 3), 0);
        if (keep < std::filesystem::file_size(path)) std::filesystem::resize_file(path, keep);
        return path;
    }

    TemporaryFolder folder_;
};

TEST_F(TextureTest, DecodesGeneratedAndRealImagesWithTheirSizesAndScales) {
    const std::tuple<std::string, std::size_t, std::size_t> images[] = {
        {WritePng("bricks.png"), 3, 2}, {KV_ASSIMP_3DS_DIR "/IMAGE1.jpg", 400, 300}, {KV_ASSIMP_3DS_DIR "/test.png", 512, 512}};
    for (const auto& [path, expectedWidth, expectedHeight] : images) {
        KVTextureRef texture{};
        ASSERT_EQ(KVTextureCreateFromFile(&texture, path.c_str(), 12.0, 24.0), KV_SUCCESS) << path;
        std::size_t width = 0, height = 0;
        double s = 0.0, t = 0.0;
        ASSERT_EQ(KVTextureGetDimensions(texture, &width, &height, &s, &t), KV_SUCCESS);
        EXPECT_EQ(std::tuple(width, height, s, t), std::tuple(expectedWidth, expectedHeight, 12.0, 24.0)) << path;
        // A material owns its texture; a second one replaces and frees the first.
        const KVMaterialRef material = AddMaterial("tiles", {255, 255, 255, 255}, 1.0, path.c_str());
        KVTextureRef owned{};
        ASSERT_EQ(KVMaterialGetTexture(material, &owned), KV_SUCCESS);
        EXPECT_EQ(KVTextureRelease(&owned), KV_ERROR_INVALID_INPUT);
        ASSERT_EQ(KVMaterialSetTexture(material, texture), KV_SUCCESS);
        EXPECT_EQ(KVTextureGetDimensions(owned, &width, &height, &s, &t), KV_ERROR_INVALID_INPUT);
    }
}

TEST_F(TextureTest, MissingAndUndecodableFilesFailWithTheirCodes) {
    WriteFile(folder_ / "notes.png", "this is not an image");
    WriteFile(folder_ / "empty.jpg", "");
    const std::pair<std::string, KVResult> cases[] = {
        {(folder_ / "absent.png").string(), KV_ERROR_FILE_NOT_FOUND},
        {(folder_ / "notes.png").string(), KV_ERROR_FILE_READ},
        {(folder_ / "empty.jpg").string(), KV_ERROR_FILE_READ},
        {WritePng("cut.png", 40), KV_ERROR_FILE_READ},  // a header announcing what never comes
        {(folder_ / "").string(), KV_ERROR_FILE_READ},
        {KV_ASSIMP_3DS_DIR "/fels.3ds", KV_ERROR_FILE_READ}};
    for (const auto& [path, code] : cases) {
        KVTextureRef texture{};
        EXPECT_EQ(KVTextureCreateFromFile(&texture, path.c_str(), 1.0, 1.0), code) << path;
        EXPECT_FALSE(KV_IS_VALID(texture)) << path;
    }
    KVTextureRef texture{};
    EXPECT_EQ(KVTextureCreateFromFile(&texture, nullptr, 1.0, 1.0), KV_ERROR_NULL_POINTER_INPUT);
    EXPECT_EQ(KVTextureCreateFromFile(&texture, WritePng("whole.png").c_str(), 0.0, 1.0), KV_ERROR_OUT_OF_RANGE);
}

}  // namespace
}  // namespace korvanta::test
