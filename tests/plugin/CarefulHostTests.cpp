// kvimport with the real plug-in where users' folders and keys come in: a
// scene finds its texture however its folder is named or reached, and Ctrl-C,
// SIGTERM, a closed terminal or a closed pipe in the middle of a large import
// leave the old model as it was.

#include <csignal>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "GridMesh.h"
#include "PluginHost.h"

namespace plugin_tests {
namespace {

using CarefulHost = HostPrograms;

TEST_F(CarefulHost, TheSampleFindsItsTextureFromARelativePathAColonFolderAndALongFolder) {
    std::string deep = "c: d";  // past the 255 characters that once emptied the folder
    for (int level = 0; level < 3; ++level) deep += "/" + std::string(100, 'd');
    const std::vector<std::pair<std::string, bool>> cases = {{"plain", true}, {"a:b", false}, {deep, false}};
    const std::filesystem::path sample(KV_SAMPLE_SCENE);
    for (const auto& [name, inItsFolder] : cases) {
        const std::filesystem::path scene = folder_ / name;
        std::filesystem::create_directories(scene);
        std::filesystem::copy_file(sample, scene / "courtyard.3ds");
        std::filesystem::copy_file(sample.parent_path() / "bricks.png", scene / "bricks.png");
        const ProcessResult result =
            inItsFolder ? RunProcess(KV_KVIMPORT_PATH, {"--progress=none", "courtyard.3ds", "courtyard.kvm"}, Environment(), scene)
                        : Import(scene / "courtyard.3ds", name + "/courtyard.kvm", "C", KV_KVIMPORT_PATH, "--progress=none");
        EXPECT_EQ(result.exitCode, 0) << name << result.err;
        EXPECT_EQ(result.out, kSampleReport) << name;
    }
}

// Each signal with the exit code it must give; SIGKILL cannot be caught, and
// leaves the importer's unfinished file behind, but the old model all the same.
class SignalInALargeImport : public CarefulHost, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(SignalInALargeImport, CancelsItThroughTheImporterAndKeepsTheOldModel) {
    const auto [signal, exitCode] = GetParam();
    ASSERT_TRUE(hollin::samples::WriteTiles(folder_ / "large.3ds", 40));
    WriteFile(folder_ / "large.kvm", "old model");
    BackgroundProcess kvimport(
        KV_KVIMPORT_PATH, {"--progress=lines", (folder_ / "large.3ds").string(), (folder_ / "large.kvm").string()},
        Environment());
    ASSERT_TRUE(kvimport.WaitForError("message Building mesh"));
    kvimport.Signal(signal);
    const ProcessResult result = kvimport.Finish();
    EXPECT_EQ(result.exitCode, exitCode) << result.err;
    EXPECT_EQ(ReadFile(folder_ / "large.kvm"), "old model");
    if (signal == SIGKILL) return;
    EXPECT_EQ(result.err.find("Cleaning up..."), std::string::npos) << "the importer saw the cancellation";
    for (const std::string& name : NamesIn(folder_.Path())) EXPECT_NE(name[0], '.') << "left behind: " << name;
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalInALargeImport,
                         ::testing::Values(std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}, std::pair{SIGHUP, 129},
                                           std::pair{SIGPIPE, 141}, std::pair{SIGKILL, -1}));

}  // namespace
}  // namespace plugin_tests
