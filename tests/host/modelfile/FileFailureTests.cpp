#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "GlbChunks.h"
#include "InstanceGraph.h"
#include "ModelFile.h"
#include "ModelFileOutline.h"
#include "ModelFileStructure.h"
#include "ProcessRunner.h"
#include "TestModels.h"
#include "ViewScene.h"
#include "ViewSceneCheck.h"
#include "ViewerDemand.h"

namespace korvanta::test {
namespace {

using nlohmann::json;

const std::string& RichModelFile() {
    static const std::string bytes = [] {
        const TemporaryFolder folder;
        EXPECT_EQ(SaveModelFile(MakeRichModel(), folder / "rich.kvm"), KV_SUCCESS);
        return ReadFile(folder / "rich.kvm");
    }();
    return bytes;
}

KVResult LoadBytes(const std::string& bytes, Model& model) {
    return LoadModelBytes({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, model);
}

json& Structure(json& gltf) { return gltf["asset"]["extras"][kModelStructureKey]; }

json Placements(const std::vector<std::size_t>& definitions) {
    json instances = json::array();
    for (std::size_t definition : definitions) {
        instances.push_back({{"definition", definition}, {"transform", {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}, {"name", ""}});
    }
    return {{"skippedFaces", 0}, {"vertexCount", 0}, {"drawnCount", 0}, {"faceCount", 0}, {"indexBytes", 2},
            {"instances", std::move(instances)}};
}

// A model file of definitions whose entities hold nothing but `entities`;
// `placed(i)` lists the definitions that definition i places, and the top
// level places definition 0.
std::string InstanceFile(std::size_t definitionCount, const std::function<std::vector<std::size_t>(std::size_t)>& placed,
                         json document = json::object(), const json& entities = json::object(), const std::string& binary = {}) {
    json definitions = json::array();
    for (std::size_t i = 0; i < definitionCount; ++i) {
        definitions.push_back({{"name", "d"}, {"entities", Placements(placed(i))}});
        definitions.back()["entities"].update(entities);
    }
    Structure(document) = {{"version", kModelStructureVersion}, {"materials", json::array()},
                           {"definitions", std::move(definitions)}, {"entities", Placements({0})}};
    document["asset"]["version"] = "2.0";
    return GlbBytes(document.dump(), binary);
}

// What the reader finds at the path it is given.
using PutFile = std::function<void(const std::filesystem::path&)>;

PutFile Bytes(std::function<std::string()> make) {
    return [make = std::move(make)](const std::filesystem::path& path) { WriteFile(path, make()); };
}

// The rich model's file with its JSON edited and its binary chunk kept.
PutFile Edited(std::function<void(json&)> edit) {
    return Bytes([edit = std::move(edit)] {
        GlbChunks chunks = GlbChunksOf(RichModelFile());
        edit(chunks.document);
        return GlbBytes(chunks.document.dump(), chunks.binary);
    });
}

constexpr const char* kDamaged = "it is not a Korvanta model file, or it is damaged";
constexpr const char* kTooLarge = "its components nest too deep or expand too far";

struct RefusedFile {
    const char* name;
    PutFile put;
    KVModelFileFault fault;
    std::string kvinfoSays = kDamaged;
    // The outline reads the JSON alone, and only what it lists.
    bool outlineReads = false;
};

const RefusedFile kRefusedFiles[] = {
    {"nothing there", [](const auto&) {}, KV_MODEL_FILE_MISSING, "there is no such file"},
    {"a folder", [](const auto& path) { std::filesystem::create_directory(path); }, KV_MODEL_FILE_NOT_REGULAR,
     "it is not a regular file"},
    {"an empty file", Bytes([] { return std::string(); }), KV_MODEL_FILE_NOT_GLB},
    {"an STL text", Bytes([] { return std::string("solid cube\nendsolid\n"); }), KV_MODEL_FILE_NOT_GLB},
    {"glTF JSON outside the binary container", Bytes([] { return std::string(R"({"asset":{"version":"2.0"}})"); }),
     KV_MODEL_FILE_NOT_GLB},
    {"a PNG image", Bytes([] { return ReadFile(KV_ASSIMP_3DS_DIR "/test.png"); }), KV_MODEL_FILE_NOT_GLB},
    {"JSON cut short", Bytes([] { return GlbBytes(R"({"asset":)"); }), KV_MODEL_FILE_JSON_MALFORMED,
     "it is not well-formed JSON, at byte 32"},
    // A viewer may take the first, the reader the last.
    {"a key given twice", Bytes([] { return GlbBytes(R"({"asset":{"version":"2.0"},"images":[{"uri":"a.png"}],"images":[]})"); }),
     KV_MODEL_FILE_JSON_DUPLICATE_KEY, "a key is given twice in one object, at /images"},
    {"no structure", Edited([](json& g) { g["asset"].erase("extras"); }), KV_MODEL_FILE_NOT_A_MODEL},
    {"someone else's extras", Edited([](json& g) { g["asset"]["extras"] = {{"author", "someone"}}; }), KV_MODEL_FILE_NOT_A_MODEL},
    {"an unknown structure version", Edited([](json& g) { Structure(g)["version"] = 99; }), KV_MODEL_FILE_NOT_A_MODEL},
    {"a face material beyond the list", Edited([](json& g) { Structure(g)["materials"].erase(3); }), KV_MODEL_FILE_NOT_A_MODEL, kDamaged, true},
    {"a texture image missing", Edited([](json& g) { Structure(g)["materials"][2]["texture"]["image"] = 42; }),
     KV_MODEL_FILE_NOT_A_MODEL, kDamaged, true},
    {"an instance of a missing definition", Edited([](json& g) { Structure(g)["entities"]["instances"][0]["definition"] = 99; }),
     KV_MODEL_FILE_NOT_A_MODEL},
    // Counts, sizes and indices that are no whole number in range name their member.
    {"a face material of 1e30", Edited([](json& g) { Structure(g)["entities"]["faceMaterial"] = 1e30; }),
     KV_MODEL_FILE_NOT_A_MODEL, std::string(kDamaged) + ", at /asset/extras/korvantaModel/entities/faceMaterial\n", true},
    {"a face material of -1", Edited([](json& g) { Structure(g)["entities"]["faceMaterial"] = -1; }),
     KV_MODEL_FILE_NOT_A_MODEL, std::string(kDamaged) + ", at /asset/extras/korvantaModel/entities/faceMaterial\n", true},
    {"2.5 faces", Edited([](json& g) { Structure(g)["definitions"][0]["entities"]["faceCount"] = 2.5; }),
     KV_MODEL_FILE_NOT_A_MODEL, std::string(kDamaged) + ", at /asset/extras/korvantaModel/definitions/0/entities/faceCount\n"},
    {"a texture wider than its image", Edited([](json& g) {
         for (json& material : Structure(g)["materials"]) {
             if (material.contains("texture")) material["texture"]["width"] = material["texture"]["width"].get<int>() + 1;
         }
     }),
     KV_MODEL_FILE_NOT_A_MODEL, std::string(kDamaged) + ", at /asset/extras/korvantaModel/materials/", true},
    // The box's smooth sides, a bit per loop corner, pointed at its positions: far more bytes than its corners need.
    {"smooth sides of another array", Edited([](json& g) {
         for (json& definition : Structure(g)["definitions"]) {
             json& entities = definition["entities"];
             if (entities.contains("smoothSides")) entities["smoothSides"] = entities["positions"];
         }
     }), KV_MODEL_FILE_NOT_A_MODEL, kDamaged, true},
    {"a view past its buffer", Edited([](json& g) { g["bufferViews"][0]["byteLength"] = 1u << 30; }), KV_MODEL_FILE_NOT_A_MODEL, kDamaged, true},
    {"a buffer from another file", Edited([](json& g) { g["buffers"][0]["uri"] = "/etc/hostname"; }), KV_MODEL_FILE_NOT_A_MODEL, kDamaged, true},
    {"JSON nested 217,000 arrays deep (435 KB)",
     Bytes([] { return GlbBytes(R"({"asset":{"version":"2.0","extras":)" + std::string(217'000, '[') + std::string(217'000, ']') + "}}"); }),
     KV_MODEL_FILE_JSON_TOO_DEEP, "its arrays and objects nest deeper than 64 levels, at /asset/extras/0/0/0/0/"},
    {"a chain of 100,000 definitions, each placing the next",
     Bytes([] { return InstanceFile(100'000, [](std::size_t i) { return i + 1 < 100'000 ? std::vector{i + 1} : std::vector<std::size_t>{}; }); }),
     KV_MODEL_FILE_INSTANCES_TOO_DEEP, kTooLarge},
    {"60 definitions, each placing the next twice: 2^60 placements",
     Bytes([] { return InstanceFile(60, [](std::size_t i) { return i + 1 < 60 ? std::vector{i + 1, i + 1} : std::vector<std::size_t>{}; }); }),
     KV_MODEL_FILE_INSTANCES_TOO_DEEP, kTooLarge},
    {"two definitions placing each other", Bytes([] { return InstanceFile(2, [](std::size_t i) { return std::vector{1 - i}; }); }),
     KV_MODEL_FILE_INSTANCE_CYCLE},
    {"a definition placing itself", Bytes([] { return InstanceFile(1, [](std::size_t) { return std::vector<std::size_t>{0}; }); }),
     KV_MODEL_FILE_INSTANCE_CYCLE},
    // Every definition names the same kilobyte of positions: a few kilobytes
    // of file that would fill megabytes, and gigabytes if it were larger.
    {"one buffer view named by 1,000 definitions", Bytes([] {
         return InstanceFile(1000, [](std::size_t) { return std::vector<std::size_t>{}; },
                             {{"buffers", {{{"byteLength", 1008}}}}, {"bufferViews", {{{"buffer", 0}, {"byteOffset", 0}, {"byteLength", 1008}}}}},
                             {{"vertexCount", 84}, {"drawnCount", 84}, {"positions", 0}}, std::string(1008, '\0'));
     }), KV_MODEL_FILE_NOT_A_MODEL, kDamaged, true},
};

void PrintTo(const RefusedFile& file, std::ostream* out) { *out << file.name; }

class RefusedModelFile : public ::testing::TestWithParam<RefusedFile> {};

// Other kinds of file, JSON that readers may take in different ways, glTF
// whose model structure is missing or contradicts itself, and files built to
// exhaust the stack, the time or the memory: the reader refuses each before
// it can, with its verdict, leaves the model it was given as it was, and
// kvinfo says why. The outline is refused with the same verdict, unless the
// fault lies in what it does not read. (A hang or a crash fails the test by
// itself.)
TEST_P(RefusedModelFile, IsRefusedWithAClearError) {
    const TemporaryFolder folder;
    const std::filesystem::path path = folder / "refused.kvm";
    GetParam().put(path);
    Model model;
    AddDefinition(model, "kept");
    const std::string before = Describe(model);
    KVModelFileVerdict verdict{};
    EXPECT_NE(LoadModelFile(path, model, &verdict), KV_SUCCESS);
    EXPECT_EQ(verdict.fault, GetParam().fault);
    EXPECT_EQ(Describe(model), before);
    ModelOutline outline;
    outline.definitions.resize(1);
    EXPECT_EQ((LoadModelOutline(path, outline, &verdict), verdict.fault),
              GetParam().outlineReads ? KV_MODEL_FILE_SOUND : GetParam().fault);
    if (!GetParam().outlineReads) {
        EXPECT_EQ(outline.definitions.size(), 1u);
    }
    const ProcessResult run = RunProcess(KV_KVINFO_PATH, {path.string()});
    EXPECT_EQ(std::tuple(run.exitCode, run.out), std::tuple(1, ""));
    EXPECT_TRUE(run.err.starts_with("kvinfo: " + path.string() + ": " + GetParam().kvinfoSays)) << run.err;
}

INSTANTIATE_TEST_SUITE_P(Files, RefusedModelFile, ::testing::ValuesIn(kRefusedFiles),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

const std::filesystem::path kFuzzDir = KV_FUZZ_DIR;

// The view scene's reader on the same file, with all the memory there could
// be: its verdict, and what it read, if anything, holds together.
ViewSceneFault ViewFault(const std::filesystem::path& file) {
    ViewScene scene;
    const ViewerRates rates{.bytesPerPlacement = 1, .bytesPerTriangle = 1, .baseBytes = 0};
    const ViewSceneFault fault = ReadViewScene(file.string(), rates, std::numeric_limits<std::uint64_t>::max(), scene).fault;
    EXPECT_EQ(CheckViewScene(scene), "") << file;
    return fault;
}

// The fuzzing corpus, real files converted and made ones, and what fuzzing
// found: the model's reader and the view scene's each read or refuse every
// file as its row says, and what they read holds together. A new file comes
// with its row.
TEST(ModelFileFailure, EveryCorpusFileIsReadOrRefusedAndWhatIsReadHoldsTogether) {
    const std::map<std::string, std::pair<KVResult, ViewSceneFault>> results = {
        {"corpus/budgets/doubling-20.kvm", {KV_SUCCESS, ViewSceneFault::None}},
        {"corpus/budgets/images-12x5000.kvm", {KV_SUCCESS, ViewSceneFault::None}},
        {"corpus/modelfile/CameraRollAnimWithChildObject.kvm", {KV_SUCCESS, ViewSceneFault::None}},
        {"corpus/modelfile/cannon1.kvm", {KV_SUCCESS, ViewSceneFault::None}},
        {"corpus/modelfile/cannon2.kvm", {KV_SUCCESS, ViewSceneFault::None}},
        {"corpus/modelfile/courtyard-meters-merged.kvm", {KV_SUCCESS, ViewSceneFault::None}},
        {"corpus/modelfile/courtyard.kvm", {KV_SUCCESS, ViewSceneFault::None}},
        {"corpus/modelfile/cube-key-twice.kvm", {KV_ERROR_FILE_READ, ViewSceneFault::Json}},
        {"corpus/modelfile/cube-merged.kvm", {KV_SUCCESS, ViewSceneFault::None}},
        {"corpus/modelfile/cube-nested-64-levels.kvm", {KV_SUCCESS, ViewSceneFault::None}},
        {"corpus/modelfile/cube.kvm", {KV_SUCCESS, ViewSceneFault::None}},
        {"corpus/modelfile/egg-as-authored-merged.kvm", {KV_SUCCESS, ViewSceneFault::None}},
        {"corpus/modelfile/nested.kvm", {KV_SUCCESS, ViewSceneFault::None}},
        {"regressions/modelfile/colour-channel-too-large-a-fraction.kvm", {KV_ERROR_FILE_READ, ViewSceneFault::NoDescription}},
    };
    std::size_t found = 0;
    for (const char* folder : {"corpus/budgets", "corpus/modelfile", "regressions/modelfile"}) {
        for (const auto& entry : std::filesystem::directory_iterator(kFuzzDir / folder)) {
            if (!entry.is_regular_file() || entry.path().filename().string().front() == '.') continue;
            const std::string name = std::string(folder) + "/" + entry.path().filename().string();
            const auto row = results.find(name);
            ASSERT_NE(row, results.end()) << name << " has no row";
            ++found;
            Model model;
            EXPECT_EQ(LoadBytes(ReadFile(entry.path()), model), row->second.first) << name;
            EXPECT_EQ(CheckEntities(model), "") << name;
            EXPECT_EQ(ViewFault(entry.path()), row->second.second) << name;
        }
    }
    EXPECT_EQ(found, results.size());
}

// Cut anywhere, a model file is refused by the model's reader, its outline
// and the view scene's reader; changed byte by byte, it is read or refused,
// and what is read holds together.
TEST(ModelFileFailure, DamagedCopiesAreRefusedOrHoldTogether) {
    const std::string good = ReadFile(kFuzzDir / "corpus/modelfile/courtyard.kvm");
    const TemporaryFolder folder;
    const std::filesystem::path damaged = folder / "damaged.kvm";
    for (std::size_t length = 0; length < good.size(); length += std::max<std::size_t>(1, good.size() / 97)) {
        WriteFile(damaged, good.substr(0, length));
        Model model;
        EXPECT_EQ(LoadBytes(good.substr(0, length), model), KV_ERROR_FILE_READ) << "cut at " << length;
        ModelOutline outline;
        EXPECT_EQ(LoadModelOutline(damaged, outline), KV_ERROR_FILE_READ) << "cut at " << length;
        const ViewSceneFault fault = ViewFault(damaged);
        EXPECT_TRUE(fault == ViewSceneFault::NotGlb || fault == ViewSceneFault::Unreadable) << "cut at " << length;
    }
    Model cut;
    EXPECT_EQ(LoadBytes(good.substr(0, good.size() - 1), cut), KV_ERROR_FILE_READ);
    std::size_t modelsRead = 0, scenesRead = 0;
    for (std::size_t at = 0; at < good.size(); at += 19) {
        for (const char byte : {'\0', '9', '\xFF'}) {
            std::string bytes = good;
            bytes[at] = byte;
            WriteFile(damaged, bytes);
            Model model;
            if (LoadBytes(bytes, model) == KV_SUCCESS) {
                ++modelsRead;
                EXPECT_EQ(CheckEntities(model), "") << "byte " << at << " made " << int(byte);
            }
            scenesRead += ViewFault(damaged) == ViewSceneFault::None;
        }
    }
    EXPECT_GT(modelsRead, 0U);
    EXPECT_GT(scenesRead, 0U);
}

// Onto a folder, into a missing one or one that is a file: the save says it
// could not write. (The save replaces the file atomically; that a failed
// replacement changes nothing and leaves no temporary file behind is
// AtomicFile.AFailedReplacementChangesNothing.)
TEST(ModelFileFailure, FailedSavesAreWriteErrors) {
    const TemporaryFolder folder;
    WriteFile(folder / "file.kvm", "");
    std::filesystem::create_directory(folder / "folder.kvm");
    for (const auto& target : {folder / "folder.kvm", folder / "missing" / "model.kvm", folder / "file.kvm" / "model.kvm", folder / ""}) {
        EXPECT_EQ(SaveModelFile(MakeRichModel(), target), KV_ERROR_FILE_WRITE) << target;
    }
}

// A chain as deep as the limit, each level moving the next one inch along x:
// written, read back and boxed by kvinfo. One level more is not written.
TEST(InstanceNesting, UpToTheLimitIsWrittenAndReadDeeperIsNotWritten) {
    Model model;
    std::vector<ComponentDefinition*> chain;
    for (std::size_t level = 0; level < kMaxInstanceNesting; ++level) chain.push_back(&AddDefinition(model, "level"));
    AddBox(chain.back()->entities, {10, 20, 30});
    for (std::size_t level = 0; level + 1 < chain.size(); ++level) {
        AddInstance(chain[level]->entities, *chain[level + 1], Translation(1, 0, 0));
    }
    AddInstance(model.entities, *chain.front(), Translation(1, 0, 0));

    const TemporaryFolder folder;
    ASSERT_EQ(SaveModelFile(model, folder / "deep.kvm"), KV_SUCCESS);
    Model loaded;
    ASSERT_EQ(LoadModelFile(folder / "deep.kvm", loaded), KV_SUCCESS);
    EXPECT_EQ(CheckEntities(loaded), "");
    EXPECT_EQ(Describe(loaded), Describe(model));
    const ProcessResult run = RunProcess(KV_KVINFO_PATH, {(folder / "deep.kvm").string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(json::parse(run.out)["bbox"], json::parse("[[128.0, 0.0, 0.0], [138.0, 20.0, 30.0]]"));

    AddInstance(AddDefinition(model, "one more level").entities, *chain.front(), Translation(0, 0, 0));
    AddInstance(model.entities, *model.definitions.back(), Translation(0, 0, 0));
    EXPECT_EQ(SaveModelFile(model, folder / "deeper.kvm"), KV_ERROR_OUT_OF_RANGE);
    EXPECT_FALSE(std::filesystem::exists(folder / "deeper.kvm"));
}

}  // namespace
}  // namespace korvanta::test
