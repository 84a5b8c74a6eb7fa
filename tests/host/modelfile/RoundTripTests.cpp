#include <gtest/gtest.h>

#include <tiny_gltf.h>

#include <algorithm>
#include <filesystem>

#include "EntitiesCheck.h"
#include "GltfValidator.h"
#include "ModelFile.h"
#include "ModelFileOutline.h"
#include "TestModels.h"

namespace korvanta::test {
namespace {

// The outline says what the model holds: each material with its texture's
// size, and each set of entities' faces, triangles and the definitions it places.
void ExpectOutlineOf(const Model& model, const ModelOutline& outline, const std::string& name) {
    ASSERT_EQ(outline.materials.size(), model.materials.size()) << name;
    for (std::size_t m = 0; m < model.materials.size(); ++m) {
        const Material& held = *model.materials[m];
        const ModelOutline::Material& said = outline.materials[m];
        const image::ImageSize size = held.texture ? held.texture->image->size : image::ImageSize{};
        EXPECT_EQ(std::tuple(said.name, int{said.color.red}, int{said.color.green}, int{said.color.blue}, int{said.color.alpha},
                             said.opacity, said.textured, said.textureWidth, said.textureHeight),
                  std::tuple(held.name, int{held.color.red}, int{held.color.green}, int{held.color.blue}, int{held.color.alpha},
                             held.opacity, held.texture != nullptr, size.width, size.height))
            << name;
    }
    const auto expectEntities = [&](const OutlineEntities& said, const Entities& held) {
        std::vector<long> placed;
        for (const auto& instance : held.instances) placed.push_back(IndexOf(model.definitions, instance->definition));
        EXPECT_EQ(std::tuple(said.faces, said.triangles, std::vector<long>(said.placed.begin(), said.placed.end())),
                  std::tuple(held.faces.size(), held.triangles.size(), placed))
            << name;
    };
    ASSERT_EQ(outline.definitions.size(), model.definitions.size()) << name;
    for (std::size_t d = 0; d < model.definitions.size(); ++d) {
        EXPECT_EQ(outline.definitions[d].name, model.definitions[d]->name) << name;
        expectEntities(outline.definitions[d].entities, model.definitions[d]->entities);
    }
    expectEntities(outline.entities, model.entities);
}

// What is saved reads back the same, and as the outline says, and every file
// is a glTF the Khronos validator accepts without a single error.
TEST(ModelFile, ReadsBackEqualAndValidates) {
    std::vector<std::pair<std::string, Model>> models;
    models.emplace_back("rich", MakeRichModel());
    models.emplace_back("empty", Model{});
    // Enough vertices that the indices need four bytes each.
    Model& large = models.emplace_back("large", Model{}).second;
    for (double x = 0; x < 17'000; ++x) AddQuad(large.entities, {x, 0, 0}, {x + 1, 0, 0}, {x + 1, 1, 0}, {x, 1, 0});
    AddLoopEdges(large.entities);
    TemporaryFolder folder;
    std::vector<std::filesystem::path> files;
    for (const auto& [name, model] : models) {
        files.push_back(folder / (std::to_string(files.size()) + ".kvm"));
        ASSERT_EQ(SaveModelFile(model, files.back()), KV_SUCCESS) << name;
        Model loaded;
        ASSERT_EQ(LoadModelFile(files.back(), loaded), KV_SUCCESS) << name;
        EXPECT_EQ(CheckEntities(loaded), "") << name;
        // From the first character where they differ: gtest's own diff of texts this long would not finish.
        const std::string saved = Describe(model), read = Describe(loaded);
        const std::size_t at = std::mismatch(saved.begin(), saved.end(), read.begin(), read.end()).first - saved.begin();
        EXPECT_EQ(read.substr(at, 400), saved.substr(at, 400)) << name << ", from character " << at;
        ModelOutline outline;
        ASSERT_EQ(LoadModelOutline(files.back(), outline), KV_SUCCESS) << name;
        ExpectOutlineOf(model, outline, name);
    }
    EXPECT_EQ(GltfValidatorErrors(files), "");
}

// What a viewer sees: the rich model's file read as plain glTF. Viewers
// work in metres with y up; the host in inches with z up. One root turns the
// one into the other; below it the top-level faces, then a node per
// top-level instance: the box of 10 x 20 x 30 inches placed at x = 100
// inches comes out 0.254 m wide, 0.762 m tall and 0.508 m deep at x = 2.54 m.
// Materials carry their colour and opacity; the images themselves, as read
// or re-encoded, are checked through the API's own files.
TEST(ModelFile, StandsInMetresYUpForViewersWithItsSizesAndMaterials) {
    const TemporaryFolder folder;
    ASSERT_EQ(SaveModelFile(MakeRichModel(), folder / "rich.kvm"), KV_SUCCESS);
    tinygltf::Model gltf;
    std::string error, warning;
    ASSERT_TRUE(tinygltf::TinyGLTF().LoadBinaryFromFile(&gltf, &error, &warning, folder / "rich.kvm")) << error;
    const auto node = [&gltf](int index) -> const tinygltf::Node& { return gltf.nodes.at(static_cast<std::size_t>(index)); };
    ASSERT_EQ(gltf.scenes.size(), 1u);
    ASSERT_EQ(gltf.scenes[0].nodes.size(), 1u);
    const tinygltf::Node& root = node(gltf.scenes[0].nodes[0]);
    const auto child = [&](std::size_t i) -> const tinygltf::Node& { return node(root.children.at(i)); };
    EXPECT_EQ(root.matrix, (std::vector<double>{0.0254, 0, 0, 0, 0, 0, -0.0254, 0, 0, 0.0254, 0, 0, 0, 0, 0, 1}));
    ASSERT_EQ(root.children.size(), 9u);
    EXPECT_EQ(child(1).name, "first box");
    EXPECT_EQ(child(1).matrix, (std::vector<double>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 100, 0, 0, 1}));
    EXPECT_EQ(child(1).mesh, child(2).mesh) << "instances of one definition share its mesh";
    EXPECT_EQ(node(child(4).children.at(0)).mesh, child(1).mesh);
    std::vector<double> low{1e9, 1e9, 1e9}, high{-1e9, -1e9, -1e9};
    for (const auto& primitive : gltf.meshes.at(static_cast<std::size_t>(child(1).mesh)).primitives) {
        const auto& positions = gltf.accessors.at(static_cast<std::size_t>(primitive.attributes.at("POSITION")));
        for (std::size_t axis = 0; axis < 3; ++axis) {
            low[axis] = std::min(low[axis], positions.minValues.at(axis));
            high[axis] = std::max(high[axis], positions.maxValues.at(axis));
        }
    }
    EXPECT_EQ(low, (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(high, (std::vector<double>{10, 20, 30}));

    ASSERT_EQ(gltf.materials.size(), 4u);
    const auto& glass = gltf.materials[1];
    EXPECT_EQ(glass.alphaMode, "BLEND");
    EXPECT_EQ(glass.pbrMetallicRoughness.baseColorFactor, (std::vector<double>{180 / 255.0, 220 / 255.0, 1.0, 0.35}));
    EXPECT_EQ(glass.pbrMetallicRoughness.metallicFactor, 0.0);
    EXPECT_EQ(gltf.materials[0].alphaMode, "OPAQUE");
    for (std::size_t m : {2u, 3u}) EXPECT_GE(gltf.materials[m].pbrMetallicRoughness.baseColorTexture.index, 0);
}

// A name that reached the model without the API's decoding is still written,
// read as Windows-1252, and is no reason for the save to fail.
TEST(ModelFile, WritesNamesThatAreNotUtf8) {
    Model model;
    AddMaterial(model, "\xFF", {1, 2, 3, 255});
    ComponentDefinition& definition = AddDefinition(model, "D\xE9" "fault");
    AddBox(definition.entities, {1, 1, 1});
    AddInstance(model.entities, definition, Translation(0, 0, 0), "\x80");
    const TemporaryFolder folder;
    ASSERT_EQ(SaveModelFile(model, folder / "names.kvm"), KV_SUCCESS);
    Model loaded;
    ASSERT_EQ(LoadModelFile(folder / "names.kvm", loaded), KV_SUCCESS);
    EXPECT_EQ(CheckEntities(loaded), "");
    EXPECT_EQ(loaded.materials.at(0)->name, "\xC3\xBF");
    EXPECT_EQ(loaded.definitions.at(0)->name, "D\xC3\xA9" "fault");
    EXPECT_EQ(loaded.entities.instances.at(0)->name, "\xE2\x82\xAC");
}

}  // namespace
}  // namespace korvanta::test
