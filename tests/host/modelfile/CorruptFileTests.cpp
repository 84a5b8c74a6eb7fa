#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include <tiny_gltf.h>

#include "GlbEditing.h"
#include "ModelFile.h"
#include "TestModels.h"

namespace korvanta::test {
namespace {

using nlohmann::json;

template <typename T>
bool Owns(const std::vector<std::unique_ptr<T>>& items, const T* item) {
    return std::any_of(items.begin(), items.end(), [item](const auto& p) { return p.get() == item; });
}

// Whatever a file said, a model that loads must never point outside itself.
void ExpectSelfConsistent(const Model& model) {
    const auto check = [&model](const Entities& entities) {
        const auto inRange = [&entities](const Corner& c) { return c.vertex < entities.vertices.size(); };
        for (const auto& edge : entities.edges) {
            EXPECT_LT(edge.from, entities.vertices.size());
            EXPECT_LT(edge.to, entities.vertices.size());
        }
        for (const auto& face : entities.faces) {
            EXPECT_TRUE(face.frontMaterial == nullptr || Owns(model.materials, face.frontMaterial));
            for (const auto& loop : face.loops) EXPECT_TRUE(std::all_of(loop.corners.begin(), loop.corners.end(), inRange));
            for (const auto& t : face.triangles) EXPECT_TRUE(std::all_of(std::begin(t.corners), std::end(t.corners), inRange));
        }
        for (const auto& instance : entities.instances) EXPECT_TRUE(Owns(model.definitions, instance->definition));
    };
    for (const auto& definition : model.definitions) check(definition->entities);
    check(model.entities);
}

class CorruptModelFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SaveModelFile(MakeRichModel(), folder_ / "good.kvm"), KV_SUCCESS);
        good_ = ReadBytes(folder_ / "good.kvm");
    }

    KVResult LoadBytes(const std::vector<std::uint8_t>& bytes, Model& model) {
        const auto path = folder_ / "candidate.kvm";
        WriteBytes(path, bytes);
        return LoadModelFile(path, model);
    }

    KVResult LoadBytes(const std::vector<std::uint8_t>& bytes) {
        Model model;
        return LoadBytes(bytes, model);
    }

    KVResult LoadEdited(const std::function<void(json&)>& edit) { return LoadBytes(EditGlbJson(good_, edit)); }

    TemporaryFolder folder_;
    std::vector<std::uint8_t> good_;
};

TEST_F(CorruptModelFile, MissingFileAndFolderAreTold) {
    Model model;
    EXPECT_EQ(LoadModelFile(folder_ / "absent.kvm", model), KV_ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(LoadModelFile(folder_.Path(), model), KV_ERROR_FILE_READ);
}

TEST_F(CorruptModelFile, OtherKindsOfFileAreRefused) {
    EXPECT_EQ(LoadBytes({}), KV_ERROR_FILE_READ);
    const std::string text = "solid cube\nendsolid\n";
    EXPECT_EQ(LoadBytes({text.begin(), text.end()}), KV_ERROR_FILE_READ);
    EXPECT_EQ(LoadBytes(ReadBytes(KV_ASSIMP_3DS_DIR "/test.png")), KV_ERROR_FILE_READ);
    EXPECT_EQ(LoadBytes(ReadBytes(KV_ASSIMP_3DS_DIR "/fels.3ds")), KV_ERROR_FILE_READ);
    const std::string gltfText = R"({"asset":{"version":"2.0"}})";
    EXPECT_EQ(LoadBytes({gltfText.begin(), gltfText.end()}), KV_ERROR_FILE_READ);
}

// A glTF binary from elsewhere is a fine file, but not one of our models.
TEST_F(CorruptModelFile, GlbWithoutTheModelStructureIsRefused) {
    EXPECT_EQ(LoadEdited([](json& gltf) { gltf["asset"].erase("extras"); }), KV_ERROR_FILE_READ);
    EXPECT_EQ(LoadEdited([](json& gltf) { gltf["asset"]["extras"] = {{"author", "someone"}}; }), KV_ERROR_FILE_READ);
}

TEST_F(CorruptModelFile, EveryTruncationIsRefused) {
    for (std::size_t length = 0; length < good_.size(); length += std::max<std::size_t>(1, good_.size() / 97)) {
        EXPECT_EQ(LoadBytes({good_.begin(), good_.begin() + static_cast<long>(length)}), KV_ERROR_FILE_READ)
            << "cut at " << length;
    }
    EXPECT_EQ(LoadBytes({good_.begin(), good_.end() - 1}), KV_ERROR_FILE_READ);
}

// Damaged bytes anywhere must give an error or a model that holds together,
// never a crash or a read outside the file.
TEST_F(CorruptModelFile, DamagedBytesNeverBreakTheReader) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 300; ++round) {
        auto damaged = good_;
        std::uniform_int_distribution<std::size_t> position(0, damaged.size() - 1);
        for (int hit = 0; hit < 1 + round % 4; ++hit) damaged[position(random)] ^= static_cast<std::uint8_t>(1 + round % 255);
        Model model;
        const KVResult result = LoadBytes(damaged, model);
        ASSERT_TRUE(result == KV_SUCCESS || result == KV_ERROR_FILE_READ) << "round " << round;
        if (result == KV_SUCCESS) ExpectSelfConsistent(model);
    }
}

struct StructureEdit {
    const char* name;
    std::function<void(json&)> edit;
};

void PrintTo(const StructureEdit& edit, std::ostream* out) { *out << edit.name; }

json& Structure(json& gltf) { return gltf["asset"]["extras"]["korvantaModel"]; }
json& BoxEntities(json& gltf) { return Structure(gltf)["definitions"][0]["entities"]; }

class ContradictoryStructure : public CorruptModelFile, public ::testing::WithParamInterface<StructureEdit> {};

TEST_P(ContradictoryStructure, IsRefused) { EXPECT_EQ(LoadEdited(GetParam().edit), KV_ERROR_FILE_READ); }

INSTANTIATE_TEST_SUITE_P(
    ModelFile, ContradictoryStructure,
    ::testing::Values(
        StructureEdit{"UnknownVersion", [](json& g) { Structure(g)["version"] = 2; }},
        StructureEdit{"MaterialsMissing", [](json& g) { Structure(g).erase("materials"); }},
        StructureEdit{"MaterialsNotAList", [](json& g) { Structure(g)["materials"] = "Red"; }},
        StructureEdit{"ColourTooShort", [](json& g) { Structure(g)["materials"][0]["color"] = {1, 2, 3}; }},
        StructureEdit{"FaceMaterialBeyondTheList", [](json& g) { Structure(g)["materials"].erase(3); }},
        StructureEdit{"TextureImageMissing", [](json& g) { Structure(g)["materials"][2]["texture"]["image"] = 42; }},
        StructureEdit{"InstanceOfMissingDefinition",
                      [](json& g) { Structure(g)["entities"]["instances"][0]["definition"] = 99; }},
        StructureEdit{"TransformTooShort",
                      [](json& g) { Structure(g)["entities"]["instances"][0]["transform"] = {1, 0, 0}; }},
        StructureEdit{"VerticesGone", [](json& g) { BoxEntities(g).erase("vertices"); }},
        StructureEdit{"FacesViewBeyondTheFile", [](json& g) { BoxEntities(g)["faces"] = 9999; }},
        StructureEdit{"LoopsReadAsVertices", [](json& g) { BoxEntities(g)["vertices"] = BoxEntities(g)["loops"]; }},
        StructureEdit{"CornersWithoutUvs", [](json& g) { BoxEntities(g).erase("cornerUvs"); }},
        StructureEdit{"TrianglesGone", [](json& g) { BoxEntities(g).erase("triangles"); }},
        StructureEdit{"ViewIndexNotANumber", [](json& g) { BoxEntities(g)["edges"] = "all of them"; }},
        StructureEdit{"ViewPastItsBuffer", [](json& g) { g["bufferViews"][0]["byteLength"] = 1u << 30; }},
        StructureEdit{"BufferFromAnotherFile", [](json& g) { g["buffers"][0]["uri"] = "/etc/hostname"; }}),
    [](const ::testing::TestParamInfo<StructureEdit>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvanta::test
