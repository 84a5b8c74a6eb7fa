#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ModelEquality.h"
#include "ModelFile.h"
#include "TestModels.h"

namespace korvanta::test {
namespace {

class ModelFileRoundTrip : public ::testing::Test {
protected:
    Model SaveAndLoad(const Model& model) {
        const auto path = folder_ / "model.kvm";
        EXPECT_EQ(SaveModelFile(model, path), KV_SUCCESS);
        Model loaded;
        EXPECT_EQ(LoadModelFile(path, loaded), KV_SUCCESS);
        return loaded;
    }

    TemporaryFolder folder_;
};

TEST_F(ModelFileRoundTrip, RichModelReadsBackEqual) {
    const Model model = MakeRichModel();
    const Model loaded = SaveAndLoad(model);
    ExpectModelsEqual(model, loaded);
}

TEST_F(ModelFileRoundTrip, EmptyModelReadsBackEmpty) {
    const Model loaded = SaveAndLoad(Model{});
    EXPECT_TRUE(loaded.materials.empty());
    EXPECT_TRUE(loaded.definitions.empty());
    EXPECT_TRUE(loaded.entities.faces.empty());
    EXPECT_TRUE(loaded.entities.instances.empty());
}

// Positions and transforms must survive exactly, not as the single-precision
// floats that viewers get.
TEST_F(ModelFileRoundTrip, KeepsDoublesExactly) {
    Model model;
    ComponentDefinition& definition = AddDefinition(model, "Precise");
    const double awkward = 0.1 + 0.2;
    AddQuad(definition.entities, {awkward, 1e-300, -0.0}, {1e300, std::nextafter(1.0, 2.0), 3},
            {std::numeric_limits<double>::denorm_min(), 1.0 / 3.0, 7}, {-123456789.123456789, 0, 1});
    definition.entities.faces[0].textured = true;
    definition.entities.faces[0].loops[0].corners[1].uv = {-2.5e-17, 1e17};
    AddInstance(model.entities, definition, Translation(1.0 / 7.0, -1e-9, 4503599627370497.0));
    const Model loaded = SaveAndLoad(model);
    ExpectModelsEqual(model, loaded);
}

TEST_F(ModelFileRoundTrip, FaceOrderMaterialsAndHolesSurvive) {
    Model model;
    Material& first = AddMaterial(model, "", {1, 2, 3, 4}, 0.0);
    Material& second = AddMaterial(model, "Second", {250, 251, 252, 253});
    AddSquareWithHole(model.entities, 20, 5, &second, true);
    AddQuad(model.entities, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}, &first);
    AddSquareWithHole(model.entities, 8, 2);
    const Model loaded = SaveAndLoad(model);
    ExpectModelsEqual(model, loaded);
    ASSERT_EQ(loaded.entities.faces.size(), 3u);
    EXPECT_EQ(loaded.entities.faces[0].loops.size(), 2u);
    EXPECT_EQ(loaded.entities.faces[1].frontMaterial, loaded.materials[0].get());
}

// Instances of a definition that contains itself are kept as data even
// though no viewer could draw them.
TEST_F(ModelFileRoundTrip, SelfContainingDefinitionDoesNotLoopForever) {
    Model model;
    ComponentDefinition& definition = AddDefinition(model, "Recursive");
    AddBox(definition.entities, {1, 1, 1});
    AddInstance(definition.entities, definition, Translation(2, 0, 0));
    AddInstance(model.entities, definition, Translation(0, 0, 0));
    const Model loaded = SaveAndLoad(model);
    ExpectModelsEqual(model, loaded);
}

TEST_F(ModelFileRoundTrip, SavingAgainReplacesTheFile) {
    const auto path = folder_ / "model.kvm";
    ASSERT_EQ(SaveModelFile(MakeRichModel(), path), KV_SUCCESS);
    Model small;
    AddQuad(small.entities, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0});
    ASSERT_EQ(SaveModelFile(small, path), KV_SUCCESS);
    Model loaded;
    ASSERT_EQ(LoadModelFile(path, loaded), KV_SUCCESS);
    ExpectModelsEqual(small, loaded);
    EXPECT_EQ(folder_.Entries(), std::vector<std::string>{"model.kvm"});
}

}  // namespace
}  // namespace korvanta::test
