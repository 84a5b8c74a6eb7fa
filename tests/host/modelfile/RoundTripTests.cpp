#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "EntitiesCheck.h"
#include "GltfValidator.h"
#include "ModelFile.h"
#include "ModelFileOutline.h"
#include "TestModels.h"

namespace korvanta::test {
namespace {

// What a model's outline should say of it.
ModelOutline ExpectedOutline(const Model& model) {
    ModelOutline outline;
    for (const auto& material : model.materials) {
        const image::ImageSize size = material->texture ? material->texture->image->size : image::ImageSize{};
        outline.materials.push_back({material->name, material->color, material->opacity, material->texture != nullptr,
                                     size.width, size.height});
    }
    const auto entities = [&model](const Entities& from) {
        OutlineEntities expected{from.faces.size(), from.triangles.size(), {}};
        for (const auto& instance : from.instances) {
            const auto placed = std::find_if(model.definitions.begin(), model.definitions.end(),
                                             [&](const auto& definition) { return definition.get() == instance->definition; });
            expected.placed.push_back(static_cast<std::size_t>(placed - model.definitions.begin()));
        }
        return expected;
    };
    for (const auto& definition : model.definitions) outline.definitions.push_back({definition->name, entities(definition->entities)});
    outline.entities = entities(model.entities);
    return outline;
}

// One line a material or set of entities, for EXPECT_EQ.
std::string OutlineText(const ModelOutline& outline) {
    std::ostringstream text;
    for (const auto& material : outline.materials) {
        text << material.name << ' ' << int{material.color.red} << ',' << int{material.color.green} << ','
             << int{material.color.blue} << ',' << int{material.color.alpha} << ' ' << material.opacity;
        if (material.textured) text << " texture " << material.textureWidth << 'x' << material.textureHeight;
        text << '\n';
    }
    const auto describe = [&text](const std::string& name, const OutlineEntities& entities) {
        text << name << ' ' << entities.faces << " faces, " << entities.triangles << " triangles, places";
        for (const std::size_t placed : entities.placed) text << ' ' << placed;
        text << '\n';
    };
    for (const auto& definition : outline.definitions) describe(definition.name, definition.entities);
    describe("top level", outline.entities);
    return text.str();
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
        EXPECT_EQ(CheckEntities(model), "") << name;
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
        EXPECT_EQ(OutlineText(outline), OutlineText(ExpectedOutline(model))) << name;
    }
    EXPECT_EQ(GltfValidatorErrors(files), "");
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
