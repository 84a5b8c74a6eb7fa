#include <gtest/gtest.h>

#include "GltfValidator.h"
#include "ModelFile.h"
#include "TestModels.h"

namespace korvanta::test {
namespace {

// Every file the host writes must be a glTF that the Khronos validator
// accepts without a single error, whatever the model holds.
class ModelFileValidation : public ::testing::Test {
protected:
    void ExpectValid(const Model& model) {
        const auto path = folder_ / "model.kvm";
        ASSERT_EQ(SaveModelFile(model, path), KV_SUCCESS);
        const ValidatorRun run = RunGltfValidator({path});
        EXPECT_TRUE(run.passed) << run.report;
    }

    TemporaryFolder folder_;
};

TEST_F(ModelFileValidation, TexturesTransparencyDefinitionsAndInstances) { ExpectValid(MakeRichModel()); }

TEST_F(ModelFileValidation, EmptyModel) { ExpectValid(Model{}); }

TEST_F(ModelFileValidation, MergedPolygonsWithHolesAtTopLevel) {
    Model model;
    Material& material = AddMaterial(model, "Floor", {10, 200, 10, 255});
    material.texture = MakeTexture(ReadBytes(KV_ASSIMP_3DS_DIR "/test.png"), "image/png", 0, 0, "test.png");
    AddSquareWithHole(model.entities, 100, 30, &material, true);
    AddSquareWithHole(model.entities, 10, 3);
    // An L-shaped hexagon, concave, as merging leaves it.
    Face& l = AddQuad(model.entities, {0, 0, 9}, {4, 0, 9}, {4, 1, 9}, {0, 1, 9});
    model.entities.vertices.push_back({1, 1, 9});
    model.entities.vertices.push_back({1, 3, 9});
    const auto last = static_cast<std::uint32_t>(model.entities.vertices.size());
    l.loops[0].corners.insert(l.loops[0].corners.begin() + 3, {{last - 2, {}}, {last - 1, {}}});
    ExpectValid(model);
}

// Matrices a glTF node cannot hold (shear, projection, zero scale) go into
// the positions instead.
TEST_F(ModelFileValidation, TransformsNoNodeCanHold) {
    Model model;
    ComponentDefinition& box = AddDefinition(model, "Box");
    AddBox(box.entities, {1, 2, 3});
    ComponentDefinition& outer = AddDefinition(model, "Outer");
    AddInstance(outer.entities, box, Translation(5, 5, 5));
    AddInstance(model.entities, box, {{1, 0, 0, 0, 0.5, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}, "sheared");
    AddInstance(model.entities, box, Scaling(0, 1, 1), "flattened");
    AddInstance(model.entities, box, {{1, 0, 0, 0.01, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}, "projective");
    AddInstance(model.entities, outer, {{2, 1, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 3, 0, 0, 1}}, "sheared outer");
    AddInstance(model.entities, box, Scaling(-1, 2, 3), "mirrored and stretched");
    ExpectValid(model);
}

TEST_F(ModelFileValidation, RealJpegAndPngTextures) {
    Model model;
    ComponentDefinition& definition = AddDefinition(model, "Crate");
    Material& jpeg = AddMaterial(model, "Wall", {255, 255, 255, 255});
    jpeg.texture = MakeTexture(ReadBytes(KV_ASSIMP_3DS_DIR "/IMAGE1.jpg"), "image/jpeg", 0, 0, "IMAGE1.jpg");
    Material& png = AddMaterial(model, "Sign", {255, 255, 255, 255}, 0.5);
    png.texture = MakeTexture(ReadBytes(KV_ASSIMP_3DS_DIR "/test.png"), "image/png", 0, 0, "test.png");
    AddBox(definition.entities, {40, 40, 40}, &jpeg, true);
    definition.entities.faces[5].frontMaterial = &png;
    AddInstance(model.entities, definition, Translation(0, 0, 20));
    ExpectValid(model);
}

}  // namespace
}  // namespace korvanta::test
