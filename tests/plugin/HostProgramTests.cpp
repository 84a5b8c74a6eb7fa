#include <gtest/gtest.h>

#include <lib3ds/file.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "PluginHost.h"

namespace plugin_tests {
namespace {

// The number of faces the importer hands the host for a 3DS file, counted
// with lib3ds: the faces of the mesh of every object node (a mesh placed by
// two nodes counts twice), or of every mesh when the nodes place no mesh with
// points. Nothing when lib3ds cannot load the file.
std::optional<std::size_t> FacesHandedToHost(const std::filesystem::path& file) {
    const std::unique_ptr<Lib3dsFile, decltype(&lib3ds_file_free)> scene(lib3ds_file_load(file.c_str()),
                                                                         &lib3ds_file_free);
    if (!scene) return std::nullopt;

    std::size_t faces = 0;
    bool placedMeshWithPoints = false;
    std::vector<Lib3dsNode*> pending;
    for (Lib3dsNode* node = scene->nodes; node != nullptr; node = node->next) pending.push_back(node);
    while (!pending.empty()) {
        Lib3dsNode* node = pending.back();
        pending.pop_back();
        for (Lib3dsNode* child = node->childs; child != nullptr; child = child->next) pending.push_back(child);
        if (node->type != LIB3DS_OBJECT_NODE) continue;
        Lib3dsMesh* mesh = lib3ds_file_mesh_by_name(scene.get(), node->data.object.morph);
        if (mesh == nullptr) mesh = lib3ds_file_mesh_by_name(scene.get(), node->name);
        if (mesh == nullptr) continue;
        faces += mesh->faces;
        if (mesh->points > 0) placedMeshWithPoints = true;
    }
    if (!placedMeshWithPoints) {
        for (const Lib3dsMesh* mesh = scene->meshes; mesh != nullptr; mesh = mesh->next) faces += mesh->faces;
    }
    return faces;
}

// The conversion as a user runs it, with the plug-in installed beside kvimport.
ProgramResult Import(const std::filesystem::path& input, const std::filesystem::path& output) {
    return RunProgram(ShellQuote(KV_KVIMPORT_PATH) + " --progress=none " + ShellQuote(input.string()) + " " +
                      ShellQuote(output.string()) + " 2>/dev/null");
}

// The number of errors the glTF validator finds, or -1 when it could not run.
long ValidationErrors(const std::filesystem::path& model) {
    const ProgramResult result =
        RunProgram("node " + ShellQuote(KV_GLTF_VALIDATOR) + " " + ShellQuote(model.string()) + " 2>/dev/null");
    const nlohmann::json report = nlohmann::json::parse(result.output, nullptr, false);
    if (report.is_discarded() || !report.contains("issues")) return -1;
    return report["issues"].value("numErrors", -1L);
}

class HostProgramsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { UsePrivatePreferenceStore(); }
    void SetUp() override { ClearStoredImportOptions(); }
};

// Checks one conversion end to end: the faces in the model are the faces of
// the file less those the host refused as degenerate.
void ExpectFaithfulConversion(const std::filesystem::path& input, const std::filesystem::path& output) {
    const std::optional<std::size_t> fileFaces = FacesHandedToHost(input);
    const ProgramResult imported = Import(input, output);
    if (!fileFaces) {
        EXPECT_EQ(imported.exitCode, 1);
        EXPECT_EQ(imported.output, OpenFileErrorReport(input.string()));
        return;
    }
    ASSERT_EQ(imported.exitCode, 0) << imported.output;
    EXPECT_EQ(imported.output.rfind("3ds Entities Imported\n", 0), 0u) << imported.output;

    EXPECT_EQ(ValidationErrors(output), 0);

    const nlohmann::json info = ModelInfo(output);
    ASSERT_TRUE(info.is_object()) << "kvinfo could not read " << output;
    const std::size_t modelFaces = info["totals"]["faces"].get<std::size_t>();
    const std::size_t skippedFaces = info["totals"]["skippedFaces"].get<std::size_t>();
    EXPECT_LE(skippedFaces, *fileFaces);
    EXPECT_EQ(modelFaces, *fileFaces - skippedFaces) << "skipped " << skippedFaces;
}

TEST_F(HostProgramsTest, SampleConvertsAndPrintsItsReport) {
    const TemporaryFolder folder;
    const ProgramResult imported = Import(KV_SAMPLE_SCENE, folder / "courtyard.kvm");
    EXPECT_EQ(imported.exitCode, 0);
    EXPECT_EQ(imported.output, SummaryReport(4, 5, 5));
    ExpectFaithfulConversion(KV_SAMPLE_SCENE, folder / "courtyard.kvm");

    // Every node, the grandchild too, is placed at the top level; the paving
    // found its texture under another case.
    const nlohmann::json info = ModelInfo(folder / "courtyard.kvm");
    ASSERT_TRUE(info.is_object());
    std::set<std::string> placed;
    for (const nlohmann::json& instance : info["instances"]) placed.insert(instance.value("definition", ""));
    EXPECT_EQ(placed, (std::set<std::string>{"Basin", "Hedges", "Paving", "Walls", "Water"}));
    for (const nlohmann::json& material : info["materials"]) {
        if (material["name"] == "Paving") {
            EXPECT_EQ(material["texture"], nlohmann::json::array({64, 64}));
        }
    }
}

TEST_F(HostProgramsTest, MissingFileExitsWithOneAndTheOpenFileReport) {
    const TemporaryFolder folder;
    const std::filesystem::path input = folder / "missing.3ds";
    const ProgramResult imported = Import(input, folder / "missing.kvm");
    EXPECT_EQ(imported.exitCode, 1);
    EXPECT_EQ(imported.output, OpenFileErrorReport(input.string()));
    EXPECT_FALSE(std::filesystem::exists(folder / "missing.kvm"));
}

std::vector<std::filesystem::path> InstalledRealFiles() {
    std::vector<std::filesystem::path> files;
    for (const char* folder : {KV_ASSIMP_3DS_DIR, KV_ASSIMP_3DS_DIR "/invalid", "/usr/share/glmark2/models",
                               "/usr/share/games/gl-117/models"}) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            std::string extension = entry.path().extension().string();
            std::transform(extension.begin(), extension.end(), extension.begin(),
                           [](unsigned char character) { return static_cast<char>(std::tolower(character)); });
            if (entry.is_regular_file() && extension == ".3ds") files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

class RealFile : public HostProgramsTest, public ::testing::WithParamInterface<std::filesystem::path> {};

TEST_P(RealFile, ConvertsWithEveryFaceAccountedFor) {
    const TemporaryFolder folder;
    ExpectFaithfulConversion(GetParam(), folder / "model.kvm");
}

std::string TestNameOf(const ::testing::TestParamInfo<std::filesystem::path>& info) {
    // Folders of different packages may hold files of the same name.
    std::string name = info.param.lexically_relative("/usr/share").string();
    for (char& character : name) {
        if (std::isalnum(static_cast<unsigned char>(character)) == 0) character = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Installed, RealFile, ::testing::ValuesIn(InstalledRealFiles()), TestNameOf);

}  // namespace
}  // namespace plugin_tests
