#include <cctype>
#include <set>
#include <sstream>

#include "PluginHost.h"

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

// What the report says is the converter's business; here, that it is shown
// once, belongs to the latest conversion and that the host's options stay as
// the host gave them.
TEST_F(ImporterInterface, AFailedConversionsReportIsShownOnceUntilTheNextConversion) {
    const TemporaryFolder folder;
    const std::filesystem::path input = folder / "no such scene.3ds";
    ImportOptions options;
    EXPECT_FALSE(Convert(input, folder / "out.kvm", nullptr, &options));
    EXPECT_TRUE(options.empty());
    EXPECT_EQ(PrintedSummary(), OpenFileErrorReport(input.string()));
    EXPECT_EQ(PrintedSummary(), "");

    EXPECT_FALSE(Convert(input, folder / "out.kvm"));
    ASSERT_TRUE(Convert(KV_SAMPLE_SCENE, folder / "courtyard.kvm"));
    EXPECT_EQ(PrintedSummary(), SummaryReport(4, 5, 5)) << "only the latest conversion's report";
}

TEST_F(ImporterInterface, WithoutAQtApplicationTheOptionsDialogStaysShutAndStoresNothing) {
    Importer().ShowOptionsDialog();
    EXPECT_FALSE(hollin::prefs::Get().HasValue(u"3DS Importer", u"ImportMergeCoplanarFaces"));
    EXPECT_FALSE(hollin::prefs::Get().HasValue(u"3DS Importer", u"ImportUnits"));
}

}  // namespace
}  // namespace plugin_tests
