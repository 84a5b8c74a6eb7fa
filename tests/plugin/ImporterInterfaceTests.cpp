#include <dlfcn.h>

#include <set>
#include <sstream>

#include "PluginHost.h"

namespace plugin_tests {
namespace {

using ImporterInterface = PluginTest;

TEST_F(ImporterInterface, EntryPointIsTheOnlyExportAndAlwaysGivesTheSameImporter) {
    KorvantaModelImporterInterface* first = SharedPlugin()->entry();
    KorvantaModelImporterInterface* second = SharedPlugin()->entry();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);

    // Anything else exported could bind to a host's own copy of the same code.
    const ProgramResult symbols = RunProgram("nm -D --defined-only " + ShellQuote(KV_PLUGIN_PATH));
    ASSERT_EQ(symbols.exitCode, 0);
    std::set<std::string> exported;
    std::istringstream lines(symbols.output);
    for (std::string address, kind, name; lines >> address >> kind >> name;) exported.insert(name);
    EXPECT_EQ(exported, std::set<std::string>{"GetKorvantaModelImporterInterface"});
}

TEST_F(ImporterInterface, DescribesItselfAsThe3dsImporter) {
    const KorvantaModelImporterInterface& importer = Importer();
    EXPECT_EQ(importer.GetIdentifier(), "com.hollin.importers.3ds");
    EXPECT_EQ(importer.GetFileExtensionCount(), 1);
    EXPECT_EQ(importer.GetFileExtension(0), "3ds");
    EXPECT_EQ(importer.GetFileExtension(3), "3ds");
    EXPECT_EQ(importer.GetDescription(), "3DS Files (*.3ds)");
    EXPECT_TRUE(importer.SupportsOptions());
    EXPECT_TRUE(importer.HostQueryBool());
    EXPECT_EQ(importer.HostQueryInt(), 1);
}

TEST_F(ImporterInterface, ReportIsShownOnceAndOnlyForTheLatestConversion) {
    const TemporaryFolder folder;
    EXPECT_EQ(PrintedSummary(), "");

    EXPECT_FALSE(Convert(folder / "absent.3ds", folder / "absent.kvm"));
    ASSERT_TRUE(Convert(KV_SAMPLE_SCENE, folder / "courtyard.kvm"));
    EXPECT_EQ(PrintedSummary(), SummaryReport(4, 5, 5));
    EXPECT_EQ(PrintedSummary(), "");
}

TEST_F(ImporterInterface, MissingFileFailsWithOnlyTheOpenFileError) {
    const TemporaryFolder folder;
    const std::filesystem::path input = folder / "no such scene.3ds";
    const std::filesystem::path output = folder / "out.kvm";
    RecordingProgress progress;
    ImportOptions options;

    EXPECT_FALSE(Convert(input, output, &progress, &options));
    EXPECT_EQ(PrintedSummary(), OpenFileErrorReport(input.string()));
    EXPECT_FALSE(std::filesystem::exists(output));
    EXPECT_TRUE(options.empty());
    ASSERT_FALSE(progress.messages.empty());
    EXPECT_EQ(progress.messages.back(), "Cleaning up...");
}

TEST_F(ImporterInterface, UnloadingTheLibraryReleasesTheImporter) {
    const TemporaryFolder folder;
    ASSERT_TRUE(Convert(KV_SAMPLE_SCENE, folder / "courtyard.kvm"));

    SharedPlugin().reset();
    void* stillLoaded = ::dlopen(KV_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (stillLoaded != nullptr) ::dlclose(stillLoaded);
    ASSERT_EQ(stillLoaded, nullptr) << "the library stayed loaded";
    SharedPlugin() = std::make_unique<LoadedPlugin>();
    ASSERT_NE(SharedPlugin()->entry, nullptr) << SharedPlugin()->error;

    // A new importer: the unshown report went with the old one.
    EXPECT_EQ(PrintedSummary(), "");
}

}  // namespace
}  // namespace plugin_tests
