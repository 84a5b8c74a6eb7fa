#include <stb_image_write.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <tuple>
#include <vector>

#include "ApiTestSupport.h"
#include "ProcessRunner.h"
#include "TextureDecodeCount.h"

namespace korvanta::test {
namespace {

class TextureTest : public ApiTest {
protected:
    // A decodable image `width` pixels wide and 2 high, in the format its
    // name ends in (.png, .bmp, .tga or .jpg), or one cut to `keep` bytes.
    std::string WriteImage(const std::string& name, int width = 3, std::size_t keep = SIZE_MAX) const {
        const std::vector<unsigned char> pixels(3 * 2 * static_cast<std::size_t>(width), 77);
        const std::string path = (folder_ / name).string();
        const std::string format = std::filesystem::path(name).extension();
        const int written = format == ".png"   ? stbi_write_png(path.c_str(), width, 2, 3, pixels.data(), 3 * width)
                            : format == ".bmp" ? stbi_write_bmp(path.c_str(), width, 2, 3, pixels.data())
                            : format == ".tga" ? stbi_write_tga(path.c_str(), width, 2, 3, pixels.data())
                                               : stbi_write_jpg(path.c_str(), width, 2, 3, pixels.data(), 90);
        EXPECT_NE(written, 0) << name;
        if (keep < std::filesystem::file_size(path)) std::filesystem::resize_file(path, keep);
        return path;
    }

    TemporaryFolder folder_;
};

// One pixel wider than any image may be.
constexpr int kWide = 16385;

// What models bring along: every accepted format, generated and real images,
// decodes to its size and keeps its scales.
TEST_F(TextureTest, DecodesJpegPngBmpTgaAndGifWithTheirSizesAndScales) {
    std::vector<std::tuple<std::string, std::size_t, std::size_t>> images = {
        {WriteImage("bricks.png"), 3, 2}, {KV_ASSIMP_3DS_DIR "/IMAGE1.jpg", 400, 300}, {KV_ASSIMP_3DS_DIR "/test.png", 512, 512}};
    for (const auto& seed : std::filesystem::directory_iterator(KV_TEXTURE_SEEDS)) images.emplace_back(seed.path(), 5u, 4u);
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

// Files that are not there or not images, images of other formats, images
// over the limits, the latter refused before decoding, and the images that
// once crashed or hung the decoders (a new finding comes with its row).
TEST_F(TextureTest, MissingUndecodableForeignOversizedAndFuzzedFilesFailWithTheirCodes) {
    const std::string pixels(5 * 4 * 3, '\x7F');
    ASSERT_EQ(::mkfifo((folder_ / "pipe.png").c_str(), 0644), 0);
    std::vector<std::pair<std::string, KVResult>> cases = {
        {(folder_ / "absent.png").string(), KV_ERROR_FILE_NOT_FOUND},
        {(folder_ / "pipe.png").string(), KV_ERROR_FILE_READ},  // at once, never waiting for a writer
        {WriteImage("cut.png", 3, 40), KV_ERROR_FILE_READ},  // a header announcing what never comes
        // Cut just past its header: refused before a decoder could fail on it.
        {WriteImage("wide.png", kWide, 45), KV_ERROR_OUT_OF_RANGE},
        {WriteImage("wide.jpg", kWide), KV_ERROR_OUT_OF_RANGE},
        {WriteImage("wide.bmp", kWide), KV_ERROR_OUT_OF_RANGE},
        {WriteImage("wide.tga", kWide), KV_ERROR_OUT_OF_RANGE},
        {(folder_ / "").string(), KV_ERROR_FILE_READ},
        {KV_ASSIMP_3DS_DIR "/fels.3ds", KV_ERROR_FILE_READ}};
    const std::tuple<std::string, std::string, KVResult> made[] = {
        {"empty.jpg", "", KV_ERROR_FILE_READ},
        {"pnm.ppm", "P6\n5 4\n255\n" + pixels, KV_ERROR_FILE_READ},
        {"photoshop.psd", std::string("8BPS\0\x01\0\0\0\0\0\0\0\x03\0\0\0\x04\0\0\0\x05\0\x08\0\x03", 26), KV_ERROR_FILE_READ},
        {"radiance.hdr", "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 4 +X 5\n" + pixels, KV_ERROR_FILE_READ},
        {"tiff.tif", std::string("II*\0\x08\0\0\0", 8) + pixels, KV_ERROR_FILE_READ},
        // A GIF of 16385 by 1 pixels (the sizes little-endian), with a frame of one pixel.
        {"wide.gif", std::string("GIF89a\x01\x40\x01\0\x80\0\0", 13) + std::string(6, '\0') + ",\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0;",
         KV_ERROR_OUT_OF_RANGE}};
    for (const auto& [name, content, code] : made) {
        WriteFile(folder_ / name, content);
        cases.emplace_back((folder_ / name).string(), code);
    }
    // Over 256 MiB, refused by its size alone; sparse, it costs no disk.
    std::filesystem::copy_file(KV_ASSIMP_3DS_DIR "/test.png", folder_ / "huge.png");
    std::filesystem::resize_file(folder_ / "huge.png", (std::uintmax_t{256} << 20) + 1);
    cases.emplace_back((folder_ / "huge.png").string(), KV_ERROR_OUT_OF_RANGE);
    const std::map<std::string, KVResult> findings = {
        {"bmp-header-cut-short", KV_ERROR_FILE_READ},
        {"bmp-negative-compression", KV_ERROR_FILE_READ},
        {"bmp-negative-compression-8-bit", KV_ERROR_FILE_READ},
        {"truncated-wide-tga", KV_ERROR_FILE_READ},
    };
    for (const auto& finding : std::filesystem::directory_iterator(KV_TEXTURE_REGRESSIONS)) {
        const auto row = findings.find(finding.path().filename());
        ASSERT_NE(row, findings.end()) << finding.path() << " has no row";
        cases.emplace_back(finding.path(), row->second);
    }
    EXPECT_EQ(static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(KV_TEXTURE_REGRESSIONS), {})), findings.size());
    for (const auto& [path, code] : cases) {
        KVTextureRef texture{};
        EXPECT_EQ(KVTextureCreateFromFile(&texture, path.c_str(), 1.0, 1.0), code) << path;
        EXPECT_FALSE(KV_IS_VALID(texture)) << path;
    }
    KVTextureRef texture{};
    EXPECT_EQ(KVTextureCreateFromFile(&texture, nullptr, 1.0, 1.0), KV_ERROR_NULL_POINTER_INPUT);
    EXPECT_EQ(KVTextureCreateFromFile(&texture, WriteImage("whole.png").c_str(), 0.0, 1.0), KV_ERROR_OUT_OF_RANGE);
}

// A file the caller opened is read from its start, whatever its offset, and
// stays the caller's; the texture keeps the name it is given, as the model
// file stores it. A descriptor on anything but a regular file is refused.
TEST_F(TextureTest, DecodesAnOpenFileFromItsStartAndLeavesItToTheCaller) {
    const std::string path = WriteImage("bricks.png");
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(file, 0);
    ASSERT_EQ(::lseek(file, 7, SEEK_SET), 7);
    KVTextureRef texture{};
    ASSERT_EQ(KVTextureCreateFromDescriptor(&texture, file, "Wall.PNG", 2.0, 3.0), KV_SUCCESS);
    std::size_t width = 0, height = 0;
    double s = 0.0, t = 0.0;
    ASSERT_EQ(KVTextureGetDimensions(texture, &width, &height, &s, &t), KV_SUCCESS);
    EXPECT_EQ(std::tuple(width, height, s, t), std::tuple(3u, 2u, 2.0, 3.0));
    EXPECT_EQ(static_cast<const Texture*>(texture.ptr)->fileName, "Wall.PNG");
    EXPECT_EQ(::lseek(file, 0, SEEK_CUR), 7) << "the descriptor is the caller's, as it was";
    ::close(file);

    ASSERT_EQ(::mkfifo((folder_ / "pipe.png").c_str(), 0644), 0);
    const int pipe = ::open((folder_ / "pipe.png").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    const int folder = ::open(folder_.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (const int refused : {pipe, folder, -1}) {
        KVTextureRef none{};
        EXPECT_EQ(KVTextureCreateFromDescriptor(&none, refused, "x.png", 1.0, 1.0), KV_ERROR_FILE_READ) << refused;
        EXPECT_FALSE(KV_IS_VALID(none));
    }
    ::close(pipe);
    ::close(folder);
}

// A host learns what became of the textures its importer made, after the
// importer terminated the library, without their files being decoded again;
// a file no one loaded is decoded once, and a refusal keeps its reason.
TEST_F(TextureTest, ChecksAFileLoadedBeforeWithoutDecodingItAgain) {
    const auto openFile = [](const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); };
    const int whole = openFile(WriteImage("whole.png"));
    const int cut = openFile(WriteImage("cut.png", 3, 40));
    KVTextureRef texture{};
    ASSERT_EQ(KVTextureCreateFromDescriptor(&texture, whole, "whole.png", 1.0, 1.0), KV_SUCCESS);
    ASSERT_EQ(KVTextureRelease(&texture), KV_SUCCESS);
    ASSERT_EQ(KVTextureCreateFromDescriptor(&texture, cut, "cut.png", 1.0, 1.0), KV_ERROR_FILE_READ);
    ASSERT_EQ(KVModelRelease(&model_), KV_SUCCESS);
    ASSERT_EQ(KVTerminate(), KV_SUCCESS);
    ASSERT_EQ(KVInitialize(), KV_SUCCESS);

    const std::uint64_t decoded = TextureFilesDecoded();
    EXPECT_EQ(KVTextureCheckDescriptor(whole), KV_SUCCESS);
    EXPECT_EQ(KVTextureCheckDescriptor(cut), KV_ERROR_FILE_READ);
    EXPECT_EQ(TextureFilesDecoded(), decoded);
    const int unseen = openFile(WriteImage("unseen.png"));
    for (int time = 0; time < 2; ++time) EXPECT_EQ(KVTextureCheckDescriptor(unseen), KV_SUCCESS);
    EXPECT_EQ(TextureFilesDecoded(), decoded + 1);
    EXPECT_EQ(KVTextureCheckDescriptor(-1), KV_ERROR_FILE_READ);
    for (const int file : {whole, cut, unseen}) ::close(file);
}

}  // namespace
}  // namespace korvanta::test
