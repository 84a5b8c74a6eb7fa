#include <gtest/gtest.h>

#include <stb_image_write.h>
#include <tiny_gltf.h>

#include "ApiModelBuilder.h"
#include "GltfValidator.h"
#include "ModelSummary.h"
#include "TestModels.h"

namespace korvanta::test {
namespace {

// The importer's path through the library: build with the C API, merge,
// save; then open the file again as a new model.
class ApiModelFile : public ::testing::Test {
protected:
    void SetUp() override {
        const auto pixels = std::vector<std::uint8_t>(6 * 4 * 3, 200);
        bmpPath_ = (folder_ / "bricks.bmp").string();
        ASSERT_NE(stbi_write_bmp(bmpPath_.c_str(), 6, 4, 3, pixels.data()), 0);
    }

    void BuildImportLikeModel(ApiModelBuilder& builder) {
        const KVMaterialRef bricks = builder.AddMaterial("Bricks", {200, 100, 50, 255}, 1.0, bmpPath_);
        const KVMaterialRef wall = builder.AddMaterial("Wall", {255, 255, 255, 255}, 1.0, KV_ASSIMP_3DS_DIR "/IMAGE1.jpg");
        const KVMaterialRef glass = builder.AddMaterial("Glass", {100, 150, 255, 90}, 0.4);
        const KVComponentDefinitionRef floor = builder.AddDefinition("Floor");
        builder.FillGrid(builder.EntitiesOf(floor), 4, 0.0, bricks);
        builder.FillGrid(builder.EntitiesOf(floor), 1, 3.0, wall);
        const KVComponentDefinitionRef frame = builder.AddDefinition("Frame");
        builder.FillSquareWithHole(builder.EntitiesOf(frame), glass);
        builder.AddInstance(floor, {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 0, 0, 1}});
        builder.AddInstance(frame, {{2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 5, 1}});
        builder.FillGrid(builder.TopLevel(), 2, -1.0, KVMaterialRef{nullptr});
        ASSERT_EQ(KVModelMergeCoplanarFaces(builder.Model()), KV_SUCCESS);
    }

    TemporaryFolder folder_;
    std::string bmpPath_;
};

TEST_F(ApiModelFile, SavedModelOpensEqualAndValidates) {
    ApiModelBuilder builder;
    BuildImportLikeModel(builder);
    const std::string path = (folder_ / "import.kvm").string();
    ASSERT_EQ(KVModelSaveToFile(builder.Model(), path.c_str()), KV_SUCCESS);
    const nlohmann::json before = kvinfo::SummarizeModel(builder.Model());
    EXPECT_EQ(before["definitions"][0]["faces"], 2) << "the merged grid and the square above it";
    EXPECT_EQ(before["definitions"][1]["faces"], 1);

    KVModelRef reopened{nullptr};
    ASSERT_EQ(KVModelCreateFromFile(&reopened, path.c_str()), KV_SUCCESS);
    EXPECT_EQ(kvinfo::SummarizeModel(reopened), before);
    KVModelRelease(&reopened);

    const ValidatorRun run = RunGltfValidator({path});
    EXPECT_TRUE(run.passed) << run.report;
}

// Viewers only know PNG and JPEG: a BMP texture goes in re-encoded as PNG,
// the JPEG as it was read.
TEST_F(ApiModelFile, TexturesAreEmbeddedAsPngOrJpeg) {
    ApiModelBuilder builder;
    BuildImportLikeModel(builder);
    const std::string path = (folder_ / "import.kvm").string();
    ASSERT_EQ(KVModelSaveToFile(builder.Model(), path.c_str()), KV_SUCCESS);

    tinygltf::TinyGLTF loader;
    tinygltf::Model gltf;
    std::string error, warning;
    ASSERT_TRUE(loader.LoadBinaryFromFile(&gltf, &error, &warning, path)) << error;
    ASSERT_EQ(gltf.images.size(), 2u);
    EXPECT_EQ(gltf.images[0].mimeType, "image/png");
    EXPECT_EQ(gltf.images[0].width, 6);
    EXPECT_EQ(gltf.images[0].height, 4);
    EXPECT_EQ(gltf.images[1].mimeType, "image/jpeg");
    const auto& view = gltf.bufferViews.at(static_cast<std::size_t>(gltf.images[1].bufferView));
    const auto* bytes = gltf.buffers[0].data.data() + view.byteOffset;
    EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + view.byteLength), ReadBytes(KV_ASSIMP_3DS_DIR "/IMAGE1.jpg"));
}

TEST_F(ApiModelFile, FailuresComeBackAsCodes) {
    ApiModelBuilder builder;
    BuildImportLikeModel(builder);
    EXPECT_EQ(KVModelSaveToFile(builder.Model(), folder_.Path().c_str()), KV_ERROR_FILE_WRITE);
    EXPECT_EQ(KVModelSaveToFile(builder.Model(), (folder_ / "no" / "such.kvm").c_str()), KV_ERROR_FILE_WRITE);

    KVModelRef model{nullptr};
    EXPECT_EQ(KVModelCreateFromFile(&model, (folder_ / "absent.kvm").c_str()), KV_ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(KV_IS_VALID(model));
    EXPECT_EQ(KVModelCreateFromFile(&model, bmpPath_.c_str()), KV_ERROR_FILE_READ);
    EXPECT_FALSE(KV_IS_VALID(model));
    EXPECT_EQ(folder_.Entries(), std::vector<std::string>{"bricks.bmp"});
}

}  // namespace
}  // namespace korvanta::test
