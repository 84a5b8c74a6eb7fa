#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "InstanceGraph.h"
#include "ModelFile.h"
#include "ModelFileStructure.h"
#include "ProcessRunner.h"
#include "TestModels.h"

namespace korvanta::test {
namespace {

using nlohmann::json;

const json kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

json Placements(const std::vector<std::size_t>& definitions) {
    json instances = json::array();
    for (std::size_t definition : definitions) {
        instances.push_back({{"definition", definition}, {"transform", kIdentity}, {"name", ""}});
    }
    return {{"skippedFaces", 0}, {"vertexCount", 0}, {"drawnCount", 0}, {"faceCount", 0}, {"indexBytes", 2},
            {"instances", std::move(instances)}};
}

// A model file of definitions without geometry; `placed(i)` lists the
// definitions that definition i places, and the top level places definition 0.
std::string InstanceFile(std::size_t definitionCount, const std::function<std::vector<std::size_t>(std::size_t)>& placed,
                         json extraDocument = json::object()) {
    json definitions = json::array();
    for (std::size_t i = 0; i < definitionCount; ++i) definitions.push_back({{"name", "d"}, {"entities", Placements(placed(i))}});
    json structure = {{"version", kModelStructureVersion},
                      {"materials", json::array()},
                      {"definitions", std::move(definitions)},
                      {"entities", Placements({0})}};
    json document = std::move(extraDocument);
    document["asset"] = {{"version", "2.0"}, {"extras", {{kModelStructureKey, std::move(structure)}}}};
    return MakeGlb(document.dump());
}

struct HostileFile {
    const char* name;
    std::function<std::string()> make;
    KVResult result;
    const char* kvinfoSays;
};

constexpr const char* kDamaged = "not a Korvanta model file, or a damaged one";
constexpr const char* kTooLarge = "its instances nest deeper, or expand into more placements, than any model may";

const HostileFile kHostileFiles[] = {
    {"JSON nested 217,000 arrays deep (435 KB)",
     [] { return MakeGlb(R"({"asset":{"version":"2.0","extras":)" + std::string(217'000, '[') + std::string(217'000, ']') + "}}"); },
     KV_ERROR_FILE_READ, kDamaged},
    {"a chain of 100,000 definitions, each placing the next",
     [] { return InstanceFile(100'000, [](std::size_t i) { return i + 1 < 100'000 ? std::vector{i + 1} : std::vector<std::size_t>{}; }); },
     KV_ERROR_OUT_OF_RANGE, kTooLarge},
    {"60 definitions, each placing the next twice: 2^60 placements",
     [] { return InstanceFile(60, [](std::size_t i) { return i + 1 < 60 ? std::vector{i + 1, i + 1} : std::vector<std::size_t>{}; }); },
     KV_ERROR_OUT_OF_RANGE, kTooLarge},
    {"two definitions placing each other", [] { return InstanceFile(2, [](std::size_t i) { return std::vector{1 - i}; }); },
     KV_ERROR_FILE_READ, kDamaged},
    {"a definition placing itself", [] { return InstanceFile(1, [](std::size_t) { return std::vector<std::size_t>{0}; }); },
     KV_ERROR_FILE_READ, kDamaged},
    // Every definition names the same kilobyte of positions: a few kilobytes
    // of file that would fill megabytes, and gigabytes if it were larger.
    {"one buffer view named by 1,000 definitions",
     [] {
         std::string file = InstanceFile(1000, [](std::size_t) { return std::vector<std::size_t>{}; },
                                         {{"buffers", {{{"byteLength", 1008}}}},
                                          {"bufferViews", {{{"buffer", 0}, {"byteOffset", 0}, {"byteLength", 1008}}}}});
         json document = json::parse(file.substr(20, file.size() - 20));
         for (json& definition : document["asset"]["extras"][kModelStructureKey]["definitions"]) {
             definition["entities"].update({{"vertexCount", 84}, {"drawnCount", 84}, {"positions", 0}});
         }
         return MakeGlb(document.dump(), std::string(1008, '\0'));
     },
     KV_ERROR_FILE_READ, kDamaged},
};

void PrintTo(const HostileFile& file, std::ostream* out) { *out << file.name; }

class HostileModelFile : public ::testing::TestWithParam<HostileFile> {};

// The reader refuses each before it can exhaust the stack, the time or the
// memory, and kvinfo says why. (A hang or a crash fails the test by itself.)
TEST_P(HostileModelFile, IsRefusedWithAClearError) {
    const TemporaryFolder folder;
    const std::filesystem::path path = folder / "hostile.kvm";
    WriteFile(path, GetParam().make());
    Model model;
    EXPECT_EQ(LoadModelFile(path, model), GetParam().result);
    const ProcessResult run = RunProcess(KV_KVINFO_PATH, {path.string()});
    EXPECT_EQ(std::tuple(run.exitCode, run.out), std::tuple(1, ""));
    EXPECT_EQ(run.err, "kvinfo: " + path.string() + ": " + GetParam().kvinfoSays + "\n");
}

INSTANTIATE_TEST_SUITE_P(Files, HostileModelFile, ::testing::ValuesIn(kHostileFiles),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

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
