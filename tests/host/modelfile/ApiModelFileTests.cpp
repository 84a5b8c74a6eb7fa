#include <nlohmann/json.hpp>
#include <stb_image_write.h>
#include <tiny_gltf.h>

#include <algorithm>

#include "ApiTestSupport.h"
#include "GltfValidator.h"
#include "ModelSummary.h"

namespace korvanta::test {
namespace {

using nlohmann::json;

// The importer's path through the library: build with the C API, merge and
// save; then open the file again as a new model. Names from 3DS files come in
// whatever code page their maker used: UTF-8 is kept, anything else is read
// as Windows-1252, and the save goes through.
class ApiModelFile : public ApiTest {
protected:
    void SetUp() override {
        ApiTest::SetUp();
        const std::vector<std::uint8_t> pixels(6 * 4 * 3, 200);
        ASSERT_NE(stbi_write_bmp(bmp_.c_str(), 6, 4, 3, pixels.data()), 0);
        const KVMaterialRef bricks = AddMaterial("Brique \xE0 l'ancienne", {200, 100, 50, 255}, 1.0, bmp_.c_str());
        const KVMaterialRef wall = AddMaterial("M\xC3\xA9tal", {255, 255, 255, 255}, 1.0, KV_ASSIMP_3DS_DIR "/IMAGE1.jpg");
        const auto [floor, floorEntities] = AddDefinition("B\xF6" "den");
        InputBuilder floorInput;
        floorInput.Grid(4, 0.0, bricks, 0.25);
        floorInput.Square(0, 0, 3.0, wall, 1.0);
        ASSERT_EQ(Fill(floorInput, floorEntities), KV_SUCCESS);
        Place(floor, Translation(10, 0, 0), "\x80uro");
        Place(floor, {{2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 5, 1}});
        InputBuilder top;
        top.Grid(2, -1.0, AddMaterial("Glass", {100, 150, 255, 90}, 0.4));
        top.Square(0, 5, 1.0, AddMaterial("Brique neuve", {255, 255, 255, 255}, 1.0, bmp_.c_str()), 1.0);
        ASSERT_EQ(Fill(top, entities_), KV_SUCCESS);
        ASSERT_EQ(Merge(), KV_SUCCESS);
        ASSERT_EQ(KVModelSaveToFile(model_, saved_.c_str()), KV_SUCCESS);
    }

    TemporaryFolder folder_;
    const std::string bmp_ = folder_ / "bricks.bmp", saved_ = folder_ / "import.kvm";
};

// kvinfo reads the file back through the library: it must describe what was
// saved, the floor moved by 10 and the floor doubled 5 inches up included.
TEST_F(ApiModelFile, KvinfoDescribesTheSavedModelAndTheValidatorAcceptsIt) {
    const json saved = kvinfo::SummarizeModel(model_);
    EXPECT_EQ(saved["definitions"][0]["faces"], 2) << "the merged grid and the square above it";
    const ProcessResult run = RunProcess(KV_KVINFO_PATH, {saved_});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const json info = json::parse(run.out);
    EXPECT_EQ(info, saved);
    EXPECT_EQ(info["materials"][2], json::parse(R"({"name": "Glass", "color": [100, 150, 255, 90], "opacity": 0.4, "texture": null})"));
    EXPECT_EQ(info["materials"][0]["name"], "Brique \xC3\xA0 l'ancienne");
    EXPECT_EQ(info["materials"][1]["name"], "M\xC3\xA9tal");
    EXPECT_EQ(info["definitions"][0]["name"], "B\xC3\xB6" "den");
    EXPECT_EQ(info["definitions"][0]["bbox"], json::parse("[[0.0, 0.0, 0.0], [4.0, 4.0, 3.0]]"));
    EXPECT_EQ(info["topLevel"]["bbox"], json::parse("[[0.0, 0.0, -1.0], [14.0, 8.0, 11.0]]"));
    EXPECT_EQ(info["bbox"], info["topLevel"]["bbox"]);
    EXPECT_EQ(info["instances"][0]["transform"], json::parse("[1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 0, 0, 1]"));
    EXPECT_EQ(GltfValidatorErrors({saved_}), "");
}

// Viewers know only PNG and JPEG: a BMP texture goes in re-encoded as PNG,
// a JPEG as it was read. Materials showing one file share its image, also
// after the model is read back and saved again.
TEST_F(ApiModelFile, TexturesAreEmbeddedAsPngOrJpegEachFileOnce) {
    const std::string resaved = folder_ / "again.kvm";
    KVModelRef reread{};
    ASSERT_EQ(KVModelCreateFromFile(&reread, saved_.c_str(), nullptr), KV_SUCCESS);
    ASSERT_EQ(KVModelSaveToFile(reread, resaved.c_str()), KV_SUCCESS);
    KVModelRelease(&reread);
    for (const std::string& file : {saved_, resaved}) {
        tinygltf::Model gltf;
        std::string error, warning;
        ASSERT_TRUE(tinygltf::TinyGLTF().LoadBinaryFromFile(&gltf, &error, &warning, file)) << error;
        ASSERT_EQ(gltf.images.size(), 2u);
        EXPECT_EQ(std::tuple(gltf.images[0].mimeType, gltf.images[0].width, gltf.images[0].height), std::tuple("image/png", 6, 4));
        EXPECT_EQ(gltf.images[1].mimeType, "image/jpeg");
        const auto& view = gltf.bufferViews.at(static_cast<std::size_t>(gltf.images[1].bufferView));
        const auto* bytes = reinterpret_cast<const char*>(gltf.buffers[0].data.data() + view.byteOffset);
        EXPECT_EQ(std::string(bytes, view.byteLength), ReadFile(KV_ASSIMP_3DS_DIR "/IMAGE1.jpg"));
        const auto imageOf = [&gltf](std::size_t material) {
            const int texture = gltf.materials.at(material).pbrMetallicRoughness.baseColorTexture.index;
            return gltf.textures.at(static_cast<std::size_t>(texture)).source;
        };
        EXPECT_EQ(std::tuple(imageOf(0), imageOf(1), imageOf(3)), std::tuple(0, 1, 0));
        EXPECT_TRUE(std::any_of(gltf.nodes.begin(), gltf.nodes.end(), [](const auto& node) { return node.name == "\xE2\x82\xACuro"; }));
    }
}

}  // namespace
}  // namespace korvanta::test
