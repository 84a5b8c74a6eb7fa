#include <cmath>
#include <limits>

#include "PluginHost.h"
#include "SceneBuilder.h"
#include "plugin/ProgressAdapterFromAPI.h"

namespace plugin_tests {
namespace {

using hollin::importer::ProgressAdapterFromAPI;
using hollin::samples::SceneBuilder;

TEST(ProgressAdapter, ForwardsEveryCallToTheHostUnchanged) {
    RecordingProgress host;
    ProgressAdapterFromAPI adapter(&host);

    adapter.SetPercent(-3.5);
    adapter.SetPercent(250.0);
    adapter.SetPercentFromCounts(1, 4);
    adapter.SetPercentFromCounts(3, 0);
    ASSERT_EQ(host.percents.size(), 4u);
    EXPECT_EQ(host.percents[0], -3.5);
    EXPECT_EQ(host.percents[1], 250.0);
    EXPECT_EQ(host.percents[2], 25.0);
    EXPECT_EQ(host.percents[3], std::numeric_limits<double>::infinity());

    adapter.SetMessage(u"Parsing material Gr\u00FCn \U0001F3E0...");
    adapter.SetMessage(nullptr);
    EXPECT_EQ(host.messages, (std::vector<std::string>{"Parsing material Gr\xC3\xBCn \xF0\x9F\x8F\xA0...", ""}));

    adapter.AuxiliaryOperation1(12.5);
    adapter.AuxiliaryOperation2("aside");
    EXPECT_EQ(host.secondary, (std::vector<std::string>{std::to_string(12.5), "aside"}));

    EXPECT_FALSE(adapter.IsCancelled());
    RecordingProgress cancelling(0);
    EXPECT_TRUE(ProgressAdapterFromAPI(&cancelling).IsCancelled());
}

// A camera, a material and one twelve-face mesh placed by one node.
std::filesystem::path WriteSmallScene(const TemporaryFolder& folder) {
    SceneBuilder scene;
    scene.AddCamera("Kamera S\xC3\xBC" "d", {10, 10, 10}, {0, 0, 0});
    scene.AddMaterial("Stein", {0.6f, 0.6f, 0.6f});
    std::vector<hollin::samples::Point> points;
    std::vector<hollin::samples::Triangle> faces;
    for (std::uint16_t i = 0; i < 12; ++i) {
        points.push_back({static_cast<float>(i), 0, 0});
        points.push_back({static_cast<float>(i), 1, 0});
        points.push_back({static_cast<float>(i) + 0.5f, 0, 1});
        faces.push_back({static_cast<std::uint16_t>(3 * i), static_cast<std::uint16_t>(3 * i + 1),
                         static_cast<std::uint16_t>(3 * i + 2)});
    }
    scene.AddMesh("Fence", points, faces, "Stein");
    scene.AddObjectNode("Fence");
    const std::filesystem::path path = folder / "small.3ds";
    EXPECT_TRUE(scene.Save(path.string()));
    return path;
}

using ConversionProgress = PluginTest;

TEST_F(ConversionProgress, HostSeesEveryPhaseInOrderInUtf8) {
    const TemporaryFolder folder;
    RecordingProgress progress;
    ASSERT_TRUE(Convert(WriteSmallScene(folder), folder / "small.kvm", &progress));

    EXPECT_EQ(progress.messages, (std::vector<std::string>{
                                     "Parsing file...",
                                     "Parsing cameras...",
                                     "Parsing camera Kamera S\xC3\xBC" "d...",
                                     "Parsing materials...",
                                     "Parsing material Stein...",
                                     "Parsing nodes...",
                                     "Parsing node Fence...",
                                     "Building mesh Fence face: 0 of 12...",
                                     "Building mesh Fence face: 10 of 12...",
                                     "Cleaning up...",
                                 }));
    ASSERT_EQ(progress.percents.size(), 7u);
    EXPECT_EQ(progress.percents[0], 10.0);
    EXPECT_EQ(progress.percents[1], 20.0);
    EXPECT_EQ(progress.percents[2], 30.0);
    EXPECT_EQ(progress.percents[3], 40.0);
    EXPECT_NEAR(progress.percents[4], 45.0, 1e-4);
    EXPECT_NEAR(progress.percents[5], 95.0, 1e-4);
    EXPECT_EQ(progress.percents[6], 99.0);
    EXPECT_EQ(PrintedSummary(), SummaryReport(1, 1, 1));
}

TEST_F(ConversionProgress, CancellingFromTheStartStillSavesAnEmptyModel) {
    const TemporaryFolder folder;
    RecordingProgress progress(0);
    ASSERT_TRUE(Convert(WriteSmallScene(folder), folder / "small.kvm", &progress));

    EXPECT_TRUE(progress.messages.empty());
    EXPECT_TRUE(progress.percents.empty());
    EXPECT_GT(progress.queries, 0);
    EXPECT_TRUE(std::filesystem::exists(folder / "small.kvm"));
    EXPECT_EQ(PrintedSummary(), SummaryReport(0, 0, 0));
}

}  // namespace
}  // namespace plugin_tests
