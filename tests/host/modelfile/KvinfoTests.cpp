#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <memory>

#include <nlohmann/json.hpp>

#include "ApiModelBuilder.h"
#include "TestModels.h"

namespace korvanta::test {
namespace {

struct ProgramRun {
    int status = -1;
    std::string output;  // standard output and standard error, in order
    std::string error;   // standard error alone
};

ProgramRun RunKvinfo(const std::string& arguments, const TemporaryFolder& folder) {
    const auto errorFile = folder / "stderr.txt";
    const std::string command = std::string(KV_KVINFO_PATH) + " " + arguments + " 2>" + errorFile.string();
    ProgramRun run;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe) return run;
    std::array<char, 4096> chunk{};
    std::size_t count = 0;
    while ((count = std::fread(chunk.data(), 1, chunk.size(), pipe.get())) > 0) run.output.append(chunk.data(), count);
    const int status = ::pclose(pipe.release());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const auto bytes = ReadBytes(errorFile);
    run.error.assign(bytes.begin(), bytes.end());
    return run;
}

class Kvinfo : public ::testing::Test {
protected:
    TemporaryFolder folder_;
};

// A 2 x 2 grid of triangles one inch above the ground, placed twice: as it
// is and moved by (10, 20, 30).
TEST_F(Kvinfo, DescribesASmallModel) {
    const std::string path = (folder_ / "small.kvm").string();
    {
        ApiModelBuilder builder;
        const KVMaterialRef red = builder.AddMaterial("Red", {255, 0, 0, 255}, 0.5);
        const KVComponentDefinitionRef grid = builder.AddDefinition("Grid");
        builder.FillGrid(builder.EntitiesOf(grid), 2, 1.0, red);
        builder.AddInstance(grid, {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}});
        builder.AddInstance(grid, {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1}});
        ASSERT_EQ(KVModelSaveToFile(builder.Model(), path.c_str()), KV_SUCCESS);
    }
    const ProgramRun run = RunKvinfo(path, folder_);
    ASSERT_EQ(run.status, 0) << run.error;
    const auto info = nlohmann::json::parse(run.output);

    ASSERT_EQ(info["materials"].size(), 1u);
    EXPECT_EQ(info["materials"][0]["name"], "Red");
    EXPECT_EQ(info["materials"][0]["color"], nlohmann::json({255, 0, 0, 255}));
    EXPECT_EQ(info["materials"][0]["opacity"], 0.5);
    EXPECT_TRUE(info["materials"][0]["texture"].is_null());

    ASSERT_EQ(info["definitions"].size(), 1u);
    const auto& grid = info["definitions"][0];
    EXPECT_EQ(grid["name"], "Grid");
    EXPECT_EQ(grid["vertices"], 9);
    EXPECT_EQ(grid["faces"], 8);
    EXPECT_EQ(grid["edges"], 16);
    EXPECT_EQ(grid["triangles"], 8);
    EXPECT_EQ(grid["facesPerMaterial"], nlohmann::json({{"Red", 8}}));
    EXPECT_EQ(grid["texturedFaces"], 8);
    EXPECT_EQ(grid["bbox"], nlohmann::json({{0.0, 0.0, 1.0}, {2.0, 2.0, 1.0}}));

    ASSERT_EQ(info["instances"].size(), 2u);
    EXPECT_EQ(info["instances"][1]["definition"], "Grid");
    EXPECT_EQ(info["instances"][1]["transform"],
              nlohmann::json({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1}));

    const nlohmann::json totals = {{"materials", 1}, {"definitions", 1}, {"instances", 2}, {"faces", 8},
                                   {"edges", 16},    {"vertices", 9},    {"triangles", 8}, {"skippedFaces", 0}};
    EXPECT_EQ(info["totals"], totals);
    EXPECT_EQ(info["bbox"], nlohmann::json({{0.0, 0.0, 1.0}, {12.0, 22.0, 31.0}}));
}

TEST_F(Kvinfo, MissingOrForeignFileIsAnErrorNamingThePath) {
    const std::string missing = (folder_ / "missing.kvm").string();
    ProgramRun run = RunKvinfo(missing, folder_);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.error.find(missing), std::string::npos) << run.error;
    EXPECT_NE(run.error.find("no such file"), std::string::npos) << run.error;
    EXPECT_TRUE(run.output.empty());

    const std::string foreign = KV_ASSIMP_3DS_DIR "/test.png";
    run = RunKvinfo(foreign, folder_);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.error.find(foreign), std::string::npos) << run.error;
}

TEST_F(Kvinfo, UsageAndHelp) {
    EXPECT_EQ(RunKvinfo("", folder_).status, 2);
    EXPECT_EQ(RunKvinfo("a.kvm b.kvm", folder_).status, 2);
    EXPECT_EQ(RunKvinfo("--verbose", folder_).status, 2);
    const ProgramRun help = RunKvinfo("--help", folder_);
    EXPECT_EQ(help.status, 0);
    for (const char* field : {"materials", "color", "opacity", "texture", "definitions", "vertices", "faces", "edges",
                              "triangles", "facesPerMaterial", "texturedFaces", "skippedFaces", "instances",
                              "transform", "totals", "bbox", "topLevel"}) {
        EXPECT_NE(help.output.find(field), std::string::npos) << field;
    }
}

}  // namespace
}  // namespace korvanta::test
