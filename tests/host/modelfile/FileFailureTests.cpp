#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <cstring>
#include <functional>

#include <nlohmann/json.hpp>

#include "ModelFile.h"
#include "ProcessRunner.h"
#include "TestModels.h"

namespace korvanta::test {
namespace {

using nlohmann::json;

// Rewrites the JSON chunk of a glTF binary, keeping its binary chunk as it is.
std::string EditGlbJson(const std::string& glb, const std::function<void(json&)>& edit) {
    std::uint32_t jsonLength = 0, binaryLength = 0;
    std::memcpy(&jsonLength, glb.data() + 12, 4);
    std::memcpy(&binaryLength, glb.data() + 20 + jsonLength, 4);
    json document = json::parse(glb.substr(20, jsonLength));
    edit(document);
    return MakeGlb(document.dump(), glb.substr(28 + jsonLength, binaryLength));
}

class ModelFileFailure : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SaveModelFile(MakeRichModel(), folder_ / "good.kvm"), KV_SUCCESS);
        good_ = ReadFile(folder_ / "good.kvm");
    }

    KVResult LoadBytes(const std::string& bytes) {
        WriteFile(folder_ / "candidate.kvm", bytes);
        Model model;
        return LoadModelFile(folder_ / "candidate.kvm", model);
    }

    TemporaryFolder folder_;
    std::string good_;
};

// Onto a folder, into a missing one or one that is a file: the old file stays
// as it was and no temporary file is left behind.
TEST_F(ModelFileFailure, FailedSavesLeaveEverythingAsItWas) {
    std::filesystem::create_directory(folder_ / "folder.kvm");
    for (const auto& target : {folder_ / "folder.kvm", folder_ / "missing" / "model.kvm", folder_ / "good.kvm" / "model.kvm", folder_ / ""}) {
        EXPECT_EQ(SaveModelFile(MakeRichModel(), target), KV_ERROR_FILE_WRITE) << target;
    }
    EXPECT_EQ(ReadFile(folder_ / "good.kvm"), good_);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_ / ""), {}), 2) << "good.kvm and folder.kvm";
    EXPECT_TRUE(std::filesystem::is_empty(folder_ / "folder.kvm"));
}

TEST_F(ModelFileFailure, EveryTruncationIsRefused) {
    for (std::size_t length = 0; length < good_.size(); length += std::max<std::size_t>(1, good_.size() / 97)) {
        EXPECT_EQ(LoadBytes(good_.substr(0, length)), KV_ERROR_FILE_READ) << "cut at " << length;
    }
    EXPECT_EQ(LoadBytes(good_.substr(0, good_.size() - 1)), KV_ERROR_FILE_READ);
}

// What fuzzing found, and the corpus it starts from: each file loads into a
// model that holds together or is refused.
TEST(ModelFileFuzzFindings, EveryFileIsReadOrRefusedCleanly) {
    std::size_t files = 0;
    for (const char* folder : {KV_FUZZ_DIR "/corpus/modelfile", KV_FUZZ_DIR "/regressions/modelfile"}) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (!entry.is_regular_file() || entry.path().filename().string().front() == '.') continue;
            ++files;
            const std::string bytes = ReadFile(entry.path());
            Model model;
            const KVResult result = LoadModelBytes({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, model);
            EXPECT_TRUE(result == KV_SUCCESS || result == KV_ERROR_FILE_READ || result == KV_ERROR_OUT_OF_RANGE) << entry.path();
            EXPECT_NO_THROW(Describe(model)) << entry.path();
        }
    }
    EXPECT_GE(files, 5u) << "the seed corpus is in the repository";
}

// Other kinds of file, and well-formed glTF whose model structure is missing
// or contradicts itself.
TEST_F(ModelFileFailure, ForeignAndContradictoryFilesAreRefused) {
    Model model;
    EXPECT_EQ(LoadModelFile(folder_ / "absent.kvm", model), KV_ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(LoadModelFile(folder_ / "", model), KV_ERROR_FILE_READ);
    for (const std::string& bytes : {std::string(), std::string("solid cube\nendsolid\n"), std::string(R"({"asset":{"version":"2.0"}})"),
                                     ReadFile(KV_ASSIMP_3DS_DIR "/test.png"), ReadFile(KV_ASSIMP_3DS_DIR "/fels.3ds")}) {
        EXPECT_EQ(LoadBytes(bytes), KV_ERROR_FILE_READ) << bytes.substr(0, 20);
    }
    const auto structure = [](json& gltf) -> json& { return gltf["asset"]["extras"]["korvantaModel"]; };
    const std::pair<const char*, std::function<void(json&)>> edits[] = {
        {"no structure", [](json& g) { g["asset"].erase("extras"); }},
        {"someone else's extras", [](json& g) { g["asset"]["extras"] = {{"author", "someone"}}; }},
        {"unknown version", [&](json& g) { structure(g)["version"] = 99; }},
        {"face material beyond the list", [&](json& g) { structure(g)["materials"].erase(3); }},
        {"texture image missing", [&](json& g) { structure(g)["materials"][2]["texture"]["image"] = 42; }},
        {"instance of a missing definition", [&](json& g) { structure(g)["entities"]["instances"][0]["definition"] = 99; }},
        {"view past its buffer", [](json& g) { g["bufferViews"][0]["byteLength"] = 1u << 30; }},
        {"buffer from another file", [](json& g) { g["buffers"][0]["uri"] = "/etc/hostname"; }}};
    for (const auto& [name, edit] : edits) EXPECT_EQ(LoadBytes(EditGlbJson(good_, edit)), KV_ERROR_FILE_READ) << name;
}

}  // namespace
}  // namespace korvanta::test
