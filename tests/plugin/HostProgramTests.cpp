#include <lib3ds/file.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
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

// The conversion as a user runs it, with the plug-in installed beside kvimport
// and a preference store of its own.
class HostPrograms : public ::testing::Test {
protected:
    // In the given locale, with progress lines on standard error; the store
    // and the data folders that the language search makes are the test's own.
    ProcessResult Import(const std::filesystem::path& input, const std::string& model, const std::string& locale = "C",
                         const std::filesystem::path& kvimport = KV_KVIMPORT_PATH) const {
        return RunProcess(kvimport, {"--progress=lines", input.string(), (folder_ / model).string()},
                          {{"XDG_CONFIG_HOME", (folder_ / "config").string()},
                           {"XDG_DATA_HOME", (folder_ / "data").string()},
                           {"XDG_DATA_DIRS", (folder_ / "shared").string()},
                           {"LC_ALL", ""},
                           {"LC_MESSAGES", ""},
                           {"LANG", locale}});
    }

    // Checks one conversion end to end: the model is valid glTF, and its faces
    // are the faces of the file less those the host refused as degenerate.
    void ExpectFaithfulConversion(const std::filesystem::path& input, const std::string& model) const {
        const std::optional<std::size_t> fileFaces = FacesHandedToHost(input);
        const ProcessResult imported = Import(input, model);
        if (!fileFaces) {
            EXPECT_EQ(imported.exitCode, 1);
            EXPECT_EQ(imported.out, OpenFileErrorReport(input.string()));
            EXPECT_FALSE(std::filesystem::exists(folder_ / model));
            return;
        }
        ASSERT_EQ(imported.exitCode, 0) << imported.out << imported.err;
        EXPECT_EQ(imported.out.rfind("3ds Entities Imported\n", 0), 0u) << imported.out;

        const ProcessResult validation = RunProcess("node", {KV_GLTF_VALIDATOR, (folder_ / model).string()});
        const nlohmann::json report = nlohmann::json::parse(validation.out, nullptr, false);
        EXPECT_EQ(report.is_object() ? report["issues"].value("numErrors", -1) : -1, 0) << validation.out;

        const nlohmann::json info = ModelInfo(folder_ / model);
        ASSERT_TRUE(info.is_object()) << "kvinfo could not read " << model;
        const std::size_t skippedFaces = info["totals"]["skippedFaces"].get<std::size_t>();
        EXPECT_LE(skippedFaces, *fileFaces);
        EXPECT_EQ(info["totals"]["faces"].get<std::size_t>(), *fileFaces - skippedFaces) << "skipped " << skippedFaces;
    }

    TemporaryFolder folder_;
};

TEST_F(HostPrograms, TheSamplePrintsItsReportAndPlacesEveryNodeAtTheTop) {
    EXPECT_EQ(Import(KV_SAMPLE_SCENE, "courtyard.kvm").out, SummaryReport(4, 5, 5));
    ExpectFaithfulConversion(KV_SAMPLE_SCENE, "courtyard.kvm");

    // The grandchild too is placed at the top level; the paving found its
    // texture under another case.
    const nlohmann::json info = ModelInfo(folder_ / "courtyard.kvm");
    std::set<std::string> placed;
    for (const nlohmann::json& instance : info["instances"]) placed.insert(instance.value("definition", ""));
    EXPECT_EQ(placed, (std::set<std::string>{"Basin", "Hedges", "Paving", "Walls", "Water"}));
    for (const nlohmann::json& material : info["materials"]) {
        EXPECT_TRUE(material["name"] != "Paving" || material["texture"] == nlohmann::json::array({64, 64})) << material;
    }
}

TEST_F(HostPrograms, Test1PrintsItsReportAndFindsItsThreeUpperCaseTextureNames) {
    EXPECT_EQ(Import(KV_ASSIMP_3DS_DIR "/test1.3ds", "test1.kvm").out, SummaryReport(3, 9, 9));
    const nlohmann::json info = ModelInfo(folder_ / "test1.kvm");
    ASSERT_EQ(info["materials"].size(), 3u) << info;
    for (const nlohmann::json& material : info["materials"]) EXPECT_FALSE(material["texture"].is_null()) << material;
}

TEST_F(HostPrograms, ReportAndProgressComeInTheUsersLanguageOrInEnglish) {
    // The host installation without its Resources folder.
    const std::filesystem::path installed = std::filesystem::path(KV_KVIMPORT_PATH).parent_path();
    std::filesystem::create_directories(folder_ / "bare");
    constexpr auto everything = std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks;
    for (const auto& entry : std::filesystem::directory_iterator(installed)) {
        if (entry.path().filename() != "Resources") {
            std::filesystem::copy(entry.path(), folder_ / "bare" / entry.path().filename(), everything);
        }
    }
    const std::string english = SummaryReport(4, 5, 5);
    const std::vector<std::tuple<std::string, std::filesystem::path, std::string, std::string>> cases = {
        // French puts a no-break space before a colon.
        {"fr_FR.UTF-8", KV_KVIMPORT_PATH,
         "Entités 3DS importées\n\tMatériaux\u00a0:\t4\n\tNœuds\u00a0:\t5\n\tMaillages\u00a0:\t5\n",
         "message Analyse du matériau Hedge...\n"},
        {"de_DE.UTF-8", KV_KVIMPORT_PATH, "Importierte 3DS-Objekte\n\tMaterialien:\t4\n\tKnoten:\t5\n\tNetze:\t5\n",
         "message Netz Basin wird erstellt, Fläche 0 von 48...\n"},
        {"et_EE.UTF-8", KV_KVIMPORT_PATH, english, "message Parsing material Hedge...\n"},
        {"de_DE.UTF-8", folder_ / "bare/kvimport", english, "message Building mesh Basin face: 0 of 48...\n"},
    };
    for (const auto& [locale, kvimport, report, message] : cases) {
        const ProcessResult result = Import(KV_SAMPLE_SCENE, "courtyard.kvm", locale, kvimport);
        EXPECT_EQ(result.exitCode, 0) << locale << " " << kvimport;
        EXPECT_EQ(result.out, report) << locale << " " << kvimport;
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    }
}

std::vector<std::filesystem::path> InstalledRealFiles() {
    std::vector<std::filesystem::path> files;
    for (const char* folder : {KV_ASSIMP_3DS_DIR, KV_ASSIMP_3DS_DIR "/invalid", "/usr/share/glmark2/models",
                               "/usr/share/games/gl-117/models"}) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            const std::string extension = entry.path().extension().string();
            if (entry.is_regular_file() && (extension == ".3ds" || extension == ".3DS")) files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

class RealFile : public HostPrograms, public ::testing::WithParamInterface<std::filesystem::path> {};

TEST_P(RealFile, ConvertsWithEveryFaceAccountedFor) { ExpectFaithfulConversion(GetParam(), "model.kvm"); }

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
