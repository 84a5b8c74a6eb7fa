#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>
#include <vector>

#include "PluginHost.h"
#include "SceneBuilder.h"

namespace plugin_tests {
namespace {

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
    hollin::samples::SceneBuilder scene;
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
    EXPECT_FALSE(hollin::prefs::Get().HasValue(u"3DS Importer", u"ImportMergeCoplanarFaces"));
    EXPECT_FALSE(hollin::prefs::Get().HasValue(u"3DS Importer", u"ImportUnits"));
}

}  // namespace
}  // namespace plugin_tests
