// The importer as a host loads and calls it: what it exports and answers,
// the progress and the report it gives, and the options a host hands it,
// over the stored ones, with a modelling library old or new.

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>
#include <vector>

#include "GridMesh.h"
#include "PluginHost.h"

namespace plugin_tests {
namespace {

using hollin::samples::SceneBuilder;
using hollin::utils::Utf16String;
using hollin::utils::Variant;

const Utf16String kUnitsKey(u"ImportUnits");
const Utf16String kMergeKey(u"ImportMergeCoplanarFaces");

using ImporterInterface = PluginTest;

TEST_F(ImporterInterface, EntryPointIsTheOnlyExportAndAlwaysGivesTheSameImporter) {
    KorvantaModelImporterInterface* first = Entry()();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, Entry()());

    // Anything else exported could bind to a host's own copy of the same code.
    const ProcessResult symbols = RunProcess("nm", {"-D", "--defined-only", KV_PLUGIN_PATH});
    ASSERT_EQ(symbols.exitCode, 0);
    std::set<std::string> exported;
    std::istringstream lines(symbols.out);
    // Lower-case kinds are local: listed in the dynamic table, bound by nobody.
    for (std::string address, kind, name; lines >> address >> kind >> name;) {
        if (std::isupper(static_cast<unsigned char>(kind[0])) != 0) exported.insert(name);
    }
    EXPECT_EQ(exported, std::set<std::string>{"GetKorvantaModelImporterInterface"});
}

// What hosts match on and show: one row each.
TEST_F(ImporterInterface, GivesHostsItsFixedAnswers) {
    KorvantaModelImporterInterface& importer = Importer();
    const std::pair<std::string, std::string> rows[] = {
        {importer.GetIdentifier(), "com.hollin.importers.3ds"},
        {std::to_string(importer.GetFileExtensionCount()), "1"},
        {importer.GetFileExtension(0), "3ds"},
        {importer.SupportsOptions() ? "options" : "no options", "options"},
        {importer.HostQueryBool() ? "true" : "false", "true"},
        {std::to_string(importer.HostQueryInt()), "1"},
    };
    for (const auto& [answer, expected] : rows) EXPECT_EQ(answer, expected);
}

// Each of the importer's own progress messages, as a host is given them for a
// scene that has something of every kind, with its object node and without
// (when the meshes are converted as they are).
TEST_F(ImporterInterface, SaysWhatItIsDoingInItsOwnWords) {
    struct Recorder : HostProgressCallback {
        bool IsCancelled() override { return false; }
        void SetPercent(double) override {}
        void SetSecondaryPercent(double) override {}
        void SetSecondaryMessage(const char*) override {}
        void SetMessage(const std::string& message) override { messages.push_back(message); }
        std::vector<std::string> messages;
    } progress;
    const TemporaryFolder folder;
    SceneBuilder scene;
    const hollin::samples::Point points[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    const hollin::samples::Triangle faces[] = {{0, 1, 2}};
    scene.AddMaterial("Stone", {0.5f, 0.5f, 0.5f});
    scene.AddMesh("Wall", points, faces, "Stone");
    scene.AddCamera("Eye", {0, 0, 10}, {0, 0, 0});
    ASSERT_TRUE(scene.Save((folder / "meshes.3ds").string()));
    scene.AddObjectNode("Wall");
    ASSERT_TRUE(scene.Save((folder / "nodes.3ds").string()));
    ASSERT_TRUE(Convert(folder / "meshes.3ds", folder / "meshes.kvm", &progress));
    ASSERT_TRUE(Convert(folder / "nodes.3ds", folder / "nodes.kvm", &progress));
    for (const char* expected : {"Parsing file...", "Parsing cameras...", "Parsing camera Eye...", "Parsing materials...",
                                 "Parsing material Stone...", "Parsing nodes...", "Parsing node Wall...",
                                 "Parsing mesh Wall...", "Building mesh Wall face: 0 of 1...", "Cleaning up..."}) {
        EXPECT_NE(std::find(progress.messages.begin(), progress.messages.end(), std::string(expected)),
                  progress.messages.end())
            << expected << " is not among: " << testing::PrintToString(progress.messages);
    }
}

// What the report says is the converter's business; here, that it is shown
// once, belongs to the latest conversion and that the host's options stay as
// the host gave them.
TEST_F(ImporterInterface, AFailedConversionsReportIsShownOnceUntilTheNextConversion) {
    const TemporaryFolder folder;
    const std::filesystem::path input = folder / "no such scene.3ds";
    ImportOptions options;
    EXPECT_FALSE(Convert(input, folder / "out.kvm", nullptr, &options));
    EXPECT_TRUE(options.empty());
    EXPECT_EQ(PrintedSummary(), "3ds Errors:\n\tCould not open file: " + input.string() + "\n");
    EXPECT_EQ(PrintedSummary(), "");

    EXPECT_FALSE(Convert(input, folder / "out.kvm"));
    ASSERT_TRUE(Convert(KV_SAMPLE_SCENE, folder / "courtyard.kvm"));
    EXPECT_EQ(PrintedSummary(), kSampleReport) << "only the latest conversion's report";
}

TEST_F(ImporterInterface, WithoutAQtApplicationTheOptionsDialogStaysShutAndStoresNothing) {
    Importer().ShowOptionsDialog();
    EXPECT_FALSE(hollin::prefs::Get().HasValue(u"3DS Importer", kMergeKey));
    EXPECT_FALSE(hollin::prefs::Get().HasValue(u"3DS Importer", kUnitsKey));
}

// A unit square of two coplanar triangles: its width shows the unit scale,
// its face count whether coplanar faces were merged.
class HostOptions : public PluginTest {
protected:
    HostOptions() {
        SceneBuilder scene;
        hollin::samples::AddUnitSquare(scene, "Square", "");
        EXPECT_TRUE(scene.Save((folder_ / "square.3ds").string()));
    }

    void ExpectSquare(ImportOptions* options, double inchesWide, int faces) {
        ASSERT_TRUE(Convert(folder_ / "square.3ds", folder_ / "square.kvm", nullptr, options));
        const nlohmann::json info = ModelInfo(folder_ / "square.kvm");
        ASSERT_TRUE(info.is_object() && info["definitions"].size() == 1) << info;
        const nlohmann::json& square = info["definitions"][0];
        EXPECT_NEAR(square["bbox"][1][0].get<double>() - square["bbox"][0][0].get<double>(), inchesWide, 1e-3);
        EXPECT_EQ(square["faces"], faces);
    }

    TemporaryFolder folder_;
};

TEST_F(HostOptions, TheHostMapOverridesTheStoreOnlyWithValuesOfTheRightType) {
    ExpectSquare(nullptr, 1.0, 2);  // nothing stored: the file's own inches, faces kept
    ImportOptions mergeOnly{{kMergeKey, Variant(true)}, {kUnitsKey, Variant(2.0)}};
    ExpectSquare(&mergeOnly, 1.0, 1);

    hollin::prefs::Get().WriteBool(u"3DS Importer", kMergeKey, true);
    hollin::prefs::Get().WriteInt(u"3DS Importer", kUnitsKey, 7);
    ExpectSquare(nullptr, 39.37, 1);
    ImportOptions wrongTypes{{kMergeKey, Variant(0)}, {kUnitsKey, Variant(2.0)}};
    ExpectSquare(&wrongTypes, 39.37, 1);
    ImportOptions feetUnmerged{{kMergeKey, Variant(false)}, {kUnitsKey, Variant(2)}};
    ExpectSquare(&feetUnmerged, 12.0, 2);
    EXPECT_EQ(feetUnmerged.size(), 2u);
    EXPECT_EQ(hollin::prefs::Get().ReadInt(u"3DS Importer", kUnitsKey, -1), 7) << "the host's values are not stored";
    EXPECT_TRUE(hollin::prefs::Get().ReadBool(u"3DS Importer", kMergeKey, false));
}

// A host whose modelling library has no KVTextureCreateFromDescriptor, as an
// older one: the test "plugin_in_an_older_host" puts such a library first on
// the library path. The plug-in still loads, and its textures come from the
// files the search opened.
using OlderHost = PluginTest;

TEST_F(OlderHost, LoadsAndFindsItsTexturesWithoutTextureDescriptors) {
    void* const library = ::dlopen("libKorvantaAPI.so", RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(library, nullptr);
    const bool offered = ::dlsym(library, "KVTextureCreateFromDescriptor") != nullptr;
    ::dlclose(library);
    if (offered) GTEST_SKIP() << "the host library offers KVTextureCreateFromDescriptor";
    const TemporaryFolder folder;
    ASSERT_TRUE(Convert(KV_SAMPLE_SCENE, folder / "courtyard.kvm"));
    EXPECT_EQ(PrintedSummary(), kSampleReport);
    const nlohmann::json info = ModelInfo(folder / "courtyard.kvm");
    ASSERT_TRUE(info.is_object());
    nlohmann::json textures = nlohmann::json::array();
    for (const nlohmann::json& material : info["materials"]) textures.push_back(material["texture"]);
    EXPECT_EQ(textures, nlohmann::json::parse("[null, [64, 64], null, null]"));
}

}  // namespace
}  // namespace plugin_tests
