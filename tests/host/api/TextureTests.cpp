#include <stb_image_write.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "ApiTestSupport.h"

namespace korvanta::test {
namespace {

class TextureTest : public ApiTest {
protected:
    void SetUp() override {
        ApiTest::SetUp();
        folder_ = std::filesystem::temp_directory_path() /
                  ("kv_texture_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override {
        std::filesystem::remove_all(folder_);
        ApiTest::TearDown();
    }

    std::string Path(const char* name) const { return (folder_ / name).string(); }

    static std::vector<unsigned char> Pixels(int width, int height) {
        std::vector<unsigned char> pixels(static_cast<std::size_t>(width * height * 3));
        for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i * 37);
        return pixels;
    }

    void WriteBytes(const std::string& path, const std::string& bytes) const {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    std::filesystem::path folder_;
};

TEST_F(TextureTest, DecodesPngAndBmpWithTheirSizesAndScales) {
    const auto png = Pixels(3, 2);
    const auto bmp = Pixels(4, 5);
    ASSERT_NE(stbi_write_png(Path("bricks.png").c_str(), 3, 2, 3, png.data(), 3 * 3), 0);
    ASSERT_NE(stbi_write_bmp(Path("tiles.bmp").c_str(), 4, 5, 3, bmp.data()), 0);

    KVTextureRef texture{};
    ASSERT_EQ(KVTextureCreateFromFile(&texture, Path("bricks.png").c_str(), 1.0, 1.0), KV_SUCCESS);
    std::size_t width = 0, height = 0;
    double s = 0.0, t = 0.0;
    ASSERT_EQ(KVTextureGetDimensions(texture, &width, &height, &s, &t), KV_SUCCESS);
    EXPECT_EQ(width, 3u);
    EXPECT_EQ(height, 2u);
    EXPECT_EQ(s, 1.0);
    ASSERT_EQ(KVTextureRelease(&texture), KV_SUCCESS);

    ASSERT_EQ(KVTextureCreateFromFile(&texture, Path("tiles.bmp").c_str(), 12.0, 24.0), KV_SUCCESS);
    ASSERT_EQ(KVTextureGetDimensions(texture, &width, &height, &s, &t), KV_SUCCESS);
    EXPECT_EQ(width, 4u);
    EXPECT_EQ(height, 5u);
    EXPECT_EQ(s, 12.0);
    EXPECT_EQ(t, 24.0);

    const KVMaterialRef material = AddMaterial("tiles");
    ASSERT_EQ(KVMaterialSetTexture(material, texture), KV_SUCCESS);
    KVTextureRef owned = texture;
    EXPECT_EQ(KVTextureRelease(&owned), KV_ERROR_INVALID_INPUT);
    KVTextureRef read{};
    ASSERT_EQ(KVMaterialGetTexture(material, &read), KV_SUCCESS);
    EXPECT_EQ(read.ptr, texture.ptr);

    // A second texture replaces (and frees) the first.
    KVTextureRef replacement{};
    ASSERT_EQ(KVTextureCreateFromFile(&replacement, Path("bricks.png").c_str(), 1.0, 1.0), KV_SUCCESS);
    ASSERT_EQ(KVMaterialSetTexture(material, replacement), KV_SUCCESS);
    EXPECT_EQ(KVTextureGetDimensions(texture, &width, &height, &s, &t), KV_ERROR_INVALID_INPUT);
}

TEST_F(TextureTest, MissingAndUndecodableFilesFailWithTheirCodes) {
    KVTextureRef texture{};
    EXPECT_EQ(KVTextureCreateFromFile(&texture, Path("absent.png").c_str(), 1.0, 1.0), KV_ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(KV_IS_VALID(texture));

    WriteBytes(Path("notes.png"), "this is not an image");
    EXPECT_EQ(KVTextureCreateFromFile(&texture, Path("notes.png").c_str(), 1.0, 1.0), KV_ERROR_FILE_READ);
    WriteBytes(Path("empty.jpg"), "");
    EXPECT_EQ(KVTextureCreateFromFile(&texture, Path("empty.jpg").c_str(), 1.0, 1.0), KV_ERROR_FILE_READ);

    // A PNG cut off after its header announces an image it cannot deliver.
    const auto pixels = Pixels(16, 16);
    ASSERT_NE(stbi_write_png(Path("whole.png").c_str(), 16, 16, 3, pixels.data(), 16 * 3), 0);
    std::ifstream whole(Path("whole.png"), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(whole)), std::istreambuf_iterator<char>());
    WriteBytes(Path("cut.png"), bytes.substr(0, 40));
    EXPECT_EQ(KVTextureCreateFromFile(&texture, Path("cut.png").c_str(), 1.0, 1.0), KV_ERROR_FILE_READ);

    EXPECT_EQ(KVTextureCreateFromFile(&texture, folder_.string().c_str(), 1.0, 1.0), KV_ERROR_FILE_READ);
    EXPECT_EQ(KVTextureCreateFromFile(&texture, nullptr, 1.0, 1.0), KV_ERROR_NULL_POINTER_INPUT);
    EXPECT_EQ(KVTextureCreateFromFile(&texture, Path("whole.png").c_str(), 0.0, 1.0), KV_ERROR_OUT_OF_RANGE);
    EXPECT_FALSE(KV_IS_VALID(texture));
}

}  // namespace
}  // namespace korvanta::test
