// The view scene of model files: what the reader gives of files the library
// wrote, against the same files as a glTF library reads them; the verdict,
// kind and place, for files that do not hold together; and the checker run
// on every scene the reader accepts. The corpus and damaged copies are read
// beside the model's reader (FileFailureTests.cpp).

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <tiny_gltf.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>

#include "GlbChunks.h"
#include "ModelBombs.h"
#include "TemporaryFolder.h"
#include "ViewScene.h"
#include "ViewSceneCheck.h"
#include "ViewerDemand.h"

namespace {

using korvanta::ViewScene;
using korvanta::ViewSceneFault;
using korvanta::ViewSceneVerdict;

const std::filesystem::path kFuzzDir = KV_FUZZ_DIR;
const std::filesystem::path kCourtyard = kFuzzDir / "corpus/modelfile/courtyard.kvm";

// Rates of a byte a placement and a triangle, and all the memory there could be.
constexpr korvanta::ViewerRates kCounting{.bytesPerPlacement = 1, .bytesPerTriangle = 1, .baseBytes = 0};
constexpr std::uint64_t kAllMemory = std::numeric_limits<std::uint64_t>::max();

ViewSceneVerdict Read(const std::filesystem::path& file, ViewScene& scene, std::uint64_t memory = kAllMemory) {
    return korvanta::ReadViewScene(file.string(), kCounting, memory, scene);
}

TEST(ViewScene, ReadsWhatTheLibraryWroteAsAGltfLibraryReadsIt) {
    tinygltf::Model gltf;
    std::string error, warning;
    ASSERT_TRUE(tinygltf::TinyGLTF().LoadBinaryFromFile(&gltf, &error, &warning, kCourtyard.string())) << error;
    ViewScene scene;
    ASSERT_EQ(Read(kCourtyard, scene).fault, ViewSceneFault::None);
    EXPECT_EQ(korvanta::CheckViewScene(scene), "");
    ASSERT_EQ(scene.nodes.size(), gltf.nodes.size());
    ASSERT_EQ(scene.meshes.size(), gltf.meshes.size());
    for (std::size_t index = 0; index < gltf.meshes.size(); ++index) {
        const tinygltf::Mesh& expected = gltf.meshes[index];
        const korvanta::ViewMesh& mesh = scene.meshes[index];
        const tinygltf::Accessor& positions = gltf.accessors.at(expected.primitives.front().attributes.at("POSITION"));
        EXPECT_EQ(mesh.vertices->size() / mesh.Stride(), positions.count);
        ASSERT_EQ(mesh.parts.size(), expected.primitives.size());
        for (std::size_t part = 0; part < mesh.parts.size(); ++part) {
            EXPECT_EQ(mesh.parts[part].indexCount, static_cast<int>(gltf.accessors.at(expected.primitives[part].indices).count));
            EXPECT_EQ(mesh.parts[part].material, expected.primitives[part].material);
        }
        EXPECT_FLOAT_EQ(mesh.box.low[0], static_cast<float>(positions.minValues.at(0)));
        EXPECT_FLOAT_EQ(mesh.box.high[2], static_cast<float>(positions.maxValues.at(2)));
        EXPECT_EQ(mesh.PlacementCount(), 1U);
    }
    // The materials with their colours, and the paving's bricks, embedded under their name.
    ASSERT_EQ(scene.materials.size(), gltf.materials.size());
    for (std::size_t i = 0; i < gltf.materials.size(); ++i) {
        EXPECT_EQ(scene.materials[i].name, gltf.materials[i].name);
        EXPECT_FLOAT_EQ(scene.materials[i].baseColour[3],
                        static_cast<float>(gltf.materials[i].pbrMetallicRoughness.baseColorFactor[3]));
        EXPECT_EQ(scene.materials[i].texture, gltf.materials[i].pbrMetallicRoughness.baseColorTexture.index);
    }
    ASSERT_EQ(scene.textures.size(), 1U);
    const korvanta::ViewImage& bricks = scene.images.at(static_cast<std::size_t>(scene.textures.front().image));
    EXPECT_EQ(bricks.name, "bricks.png");
    EXPECT_EQ(bricks.mimeType, "image/png");
    EXPECT_EQ(bricks.bytes.size(), gltf.bufferViews.at(gltf.images.front().bufferView).byteLength);
    ASSERT_TRUE(scene.box);
}

// The courtyard with its JSON and binary chunk changed by `change`, read.
ViewSceneVerdict ReadChanged(const std::function<void(nlohmann::json&, std::string&)>& change) {
    GlbChunks chunks = ReadGlbChunks(kCourtyard);
    change(chunks.document, chunks.binary);
    const TemporaryFolder folder;
    WriteGlbChunks(chunks, folder / "changed.kvm");
    ViewScene scene;
    const ViewSceneVerdict verdict = Read(folder / "changed.kvm", scene);
    EXPECT_TRUE(verdict.fault != ViewSceneFault::None || korvanta::CheckViewScene(scene).empty());
    EXPECT_TRUE(verdict.fault == ViewSceneFault::None || (scene.nodes.empty() && scene.meshes.empty()));
    return verdict;
}

TEST(ViewScene, FilesThatDoNotHoldTogetherGiveTheKindAndThePlace) {
    using nlohmann::json;
    // Written anew unchanged, the file is read: each change below is what breaks it.
    EXPECT_EQ(ReadChanged([](json&, std::string&) {}).fault, ViewSceneFault::None);
    const auto firstIndices = [](json& document) -> json& {
        return document["accessors"][document["meshes"][0]["primitives"][0]["indices"].get<std::size_t>()];
    };
    struct Row {
        const char* what;
        std::function<void(json&, std::string&)> change;
        ViewSceneFault fault;
        std::string member;
    };
    const Row rows[] = {
        {"an index past the vertices",
         [&](json& document, std::string& binary) {
             const json& indices = firstIndices(document);
             const json& view = document["bufferViews"][indices["bufferView"].get<std::size_t>()];
             binary.replace(view.value("byteOffset", std::size_t{0}) + indices.value("byteOffset", std::size_t{0}), 2,
                            "\xFF\xFF");
         },
         ViewSceneFault::Index, "/meshes/0"},
        {"a node below itself", [](json& document, std::string&) { document["nodes"][0]["children"].push_back(0); },
         ViewSceneFault::NotATree, "/nodes/0"},
        {"more indices than their view holds",
         [&](json& document, std::string&) { firstIndices(document)["count"] = firstIndices(document)["count"].get<int>() + 3; },
         ViewSceneFault::Member, "/accessors/"},
        {"a mesh there is not",
         [](json& document, std::string&) { document["nodes"].back()["mesh"] = document["meshes"].size(); },
         ViewSceneFault::Member, "/nodes/"},
        {"a placement that flattens its mesh",
         [](json& document, std::string&) {
             json& node = document["nodes"].back();
             for (const char* part : {"translation", "rotation", "scale"}) node.erase(part);
             node["matrix"] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
         },
         ViewSceneFault::Placement, "/nodes/"},
        {"no model description", [](json& document, std::string&) { document["asset"].erase("extras"); },
         ViewSceneFault::NoDescription, ""},
        {"positions of another type",
         [](json& document, std::string&) {
             document["accessors"][document["meshes"][0]["primitives"][0]["attributes"]["POSITION"].get<std::size_t>()]["type"] =
                 "VEC2";
         },
         ViewSceneFault::Arrays, "/accessors/"},
    };
    for (const Row& row : rows) {
        const ViewSceneVerdict verdict = ReadChanged(row.change);
        EXPECT_EQ(verdict.fault, row.fault) << row.what;
        EXPECT_TRUE(verdict.member.starts_with(row.member)) << row.what << ": " << verdict.member;
    }
    ViewScene scene;
    const ViewSceneVerdict missing = Read(kFuzzDir / "missing.kvm", scene);
    EXPECT_EQ(missing.fault, ViewSceneFault::Unreadable);
    EXPECT_EQ(missing.error, ENOENT);
}

// Eight kilobytes that place a box a million times: the demand is counted
// from the description and refused before a node is read, saying what it is.
TEST(ViewScene, AModelThatNeedsMoreMemoryThanThereIsIsRefusedBeforeItIsBuilt) {
    const std::filesystem::path doubling = kFuzzDir / "corpus/budgets/doubling-20.kvm";
    ViewScene scene;
    const ViewSceneVerdict verdict = Read(doubling, scene, 1'000'000);
    EXPECT_EQ(verdict.fault, ViewSceneFault::OverMemory);
    EXPECT_EQ(verdict.placements, (std::uint64_t{1} << 20) - 1);
    EXPECT_EQ(verdict.triangles, 12U);
    EXPECT_EQ(verdict.memoryNeeded, kCounting.BytesFor({verdict.placements, verdict.triangles}));
    EXPECT_EQ(verdict.memoryAvailable, 1'000'000U);
    EXPECT_TRUE(scene.nodes.empty());

    // A bolt placed fifty times, with the memory for them: read, all fifty in one mesh's placements.
    const TemporaryFolder folder;
    const std::filesystem::path bolts = folder / "bolts.kvm";
    ASSERT_TRUE(hollin::samples::WriteRepeatedModel(bolts, 50));
    ASSERT_EQ(Read(bolts, scene, 50 + 12).fault, ViewSceneFault::None);
    EXPECT_EQ(korvanta::CheckViewScene(scene), "");
    ASSERT_EQ(scene.meshes.size(), 1U);
    EXPECT_EQ(scene.meshes[0].PlacementCount(), 50U);
}

}  // namespace
