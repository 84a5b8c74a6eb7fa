#include <cctype>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "PluginHost.h"

namespace plugin_tests {
namespace {

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

    // Checks one conversion end to end: the model is valid glTF and kvinfo
    // reads it back.
    nlohmann::json ExpectValidModel(const std::string& model) const {
        const ProcessResult validation = RunProcess("node", {KV_GLTF_VALIDATOR, (folder_ / model).string()});
        const nlohmann::json report = nlohmann::json::parse(validation.out, nullptr, false);
        EXPECT_EQ(report.is_object() ? report["issues"].value("numErrors", -1) : -1, 0) << validation.out;
        const nlohmann::json info = ModelInfo(folder_ / model);
        EXPECT_TRUE(info.is_object()) << "kvinfo could not read " << model;
        return info;
    }

    TemporaryFolder folder_;
};

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
        {"de_DE.UTF-8", folder_ / "bare/kvimport", english, "message Building mesh Basin face: 0 of 48...\n"},
    };
    for (const auto& [locale, kvimport, report, message] : cases) {
        const ProcessResult result = Import(KV_SAMPLE_SCENE, "courtyard.kvm", locale, kvimport);
        EXPECT_EQ(result.exitCode, 0) << locale << " " << kvimport;
        EXPECT_EQ(result.out, report) << locale << " " << kvimport;
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    }
}

// What every installed real file imports as: its report, and the faces and
// instances of its model (none when the file is refused).
const nlohmann::json& RealFileExpectations() {
    static const nlohmann::json expectations = nlohmann::json::parse(std::ifstream(KV_REAL_FILE_EXPECTATIONS));
    return expectations;
}

std::vector<std::string> RealFileNames() {
    std::vector<std::string> names;
    for (const auto& [name, expected] : RealFileExpectations().items()) names.push_back(name);
    return names;
}

class RealFile : public HostPrograms, public ::testing::WithParamInterface<std::string> {};

TEST_P(RealFile, ImportsWithItsReportFacesAndInstances) {
    const nlohmann::json& expected = RealFileExpectations()[GetParam()];
    const std::filesystem::path input = std::filesystem::path("/usr/share") / GetParam();
    const ProcessResult imported = Import(input, "model.kvm");
    EXPECT_EQ(imported.out, expected["report"].get<std::string>());
    if (expected["faces"].is_null()) {
        EXPECT_EQ(imported.exitCode, 1);
        EXPECT_FALSE(std::filesystem::exists(folder_ / "model.kvm"));
        return;
    }
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    const nlohmann::json info = ExpectValidModel("model.kvm");
    EXPECT_EQ(info["totals"]["faces"], expected["faces"]);
    EXPECT_EQ(info["totals"]["instances"], expected["instances"]);
}

std::string TestNameOf(const ::testing::TestParamInfo<std::string>& info) {
    // Folders of different packages may hold files of the same name.
    std::string name = info.param;
    for (char& character : name) {
        if (std::isalnum(static_cast<unsigned char>(character)) == 0) character = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Installed, RealFile, ::testing::ValuesIn(RealFileNames()), TestNameOf);

// Inputs that once crashed, hung or upset a sanitizer somewhere in the import
// (see tools/fuzz.sh): each now ends with a model or the "could not open"
// report, and nothing else.
TEST_F(HostPrograms, FuzzingFindingsImportOrFailCleanly) {
    for (const auto& entry : std::filesystem::directory_iterator(KV_FUZZ_REGRESSIONS_3DS)) {
        if (entry.path().filename().string().starts_with(".")) continue;
        SCOPED_TRACE(entry.path());
        const ProcessResult imported = Import(entry.path(), "finding.kvm");
        if (imported.exitCode == 0) {
            EXPECT_TRUE(ModelInfo(folder_ / "finding.kvm").is_object());
        } else {
            EXPECT_EQ(imported.exitCode, 1) << imported.err;
            EXPECT_EQ(imported.out, OpenFileErrorReport(entry.path().string()));
        }
        std::filesystem::remove(folder_ / "finding.kvm");
    }
}

}  // namespace
}  // namespace plugin_tests
