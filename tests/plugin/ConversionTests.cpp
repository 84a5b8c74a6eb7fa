#include "PluginHost.h"
#include "Preferences.h"
#include "SceneBuilder.h"

namespace plugin_tests {
namespace {

using hollin::utils::Utf16String;
using hollin::utils::Variant;

const Utf16String kUnitsKey(u"ImportUnits");
const Utf16String kMergeKey(u"ImportMergeCoplanarFaces");

const nlohmann::json* FindByName(const nlohmann::json& list, const std::string& name) {
    for (const nlohmann::json& entry : list) {
        if (entry.value("name", "") == name) return &entry;
    }
    return nullptr;
}

// A unit square of two coplanar triangles: its width shows the unit scale,
// its face count whether coplanar faces were merged.
class HostOptions : public PluginTest {
protected:
    HostOptions() {
        hollin::samples::SceneBuilder scene;
        const hollin::samples::Point points[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
        const hollin::samples::Triangle faces[] = {{0, 1, 2}, {0, 2, 3}};
        scene.AddMesh("Square", points, faces, "");
        scene.AddObjectNode("Square");
        EXPECT_TRUE(scene.Save((folder_ / "square.3ds").string()));
    }

    // The square's width in inches and its number of faces.
    std::pair<double, int> ConvertSquare(ImportOptions* options) {
        EXPECT_TRUE(Convert(folder_ / "square.3ds", folder_ / "square.kvm", nullptr, options));
        const nlohmann::json info = ModelInfo(folder_ / "square.kvm");
        const nlohmann::json* square = info.is_object() ? FindByName(info["definitions"], "Square") : nullptr;
        if (square == nullptr) return {-1.0, -1};
        const nlohmann::json& box = (*square)["bbox"];
        return {box[1][0].get<double>() - box[0][0].get<double>(), (*square)["faces"].get<int>()};
    }

    static void Store(bool merge, std::int32_t units) {
        hollin::prefs::Get().WriteBool(u"3DS Importer", kMergeKey, merge);
        hollin::prefs::Get().WriteInt(u"3DS Importer", kUnitsKey, units);
    }

    TemporaryFolder folder_;
};

TEST_F(HostOptions, UnitsComeFromTheStoreUnlessTheHostGivesAnInteger) {
    // Nothing stored: the file's master scale of 1 inch per unit.
    EXPECT_NEAR(ConvertSquare(nullptr).first, 1.0, 1e-4);

    Store(false, 7);
    EXPECT_NEAR(ConvertSquare(nullptr).first, 39.37, 1e-3);
    ImportOptions asDouble{{kUnitsKey, Variant(2.0)}};
    EXPECT_NEAR(ConvertSquare(&asDouble).first, 39.37, 1e-3);

    ImportOptions feet{{kUnitsKey, Variant(2)}};
    EXPECT_NEAR(ConvertSquare(&feet).first, 12.0, 1e-4);
    EXPECT_EQ(feet.size(), 1u);
    EXPECT_EQ(hollin::prefs::Get().ReadInt(u"3DS Importer", kUnitsKey, -1), 7);
}

TEST_F(HostOptions, MergingFollowsTheStoreUnlessTheHostGivesABool) {
    ImportOptions mergeAsInt{{kMergeKey, Variant(1)}};
    EXPECT_EQ(ConvertSquare(&mergeAsInt).second, 2);
    ImportOptions merge{{kMergeKey, Variant(true)}};
    EXPECT_EQ(ConvertSquare(&merge).second, 1);

    Store(true, 0);
    EXPECT_EQ(ConvertSquare(nullptr).second, 1);
    ImportOptions keepFaces{{kMergeKey, Variant(false)}};
    EXPECT_EQ(ConvertSquare(&keepFaces).second, 2);
    EXPECT_TRUE(hollin::prefs::Get().ReadBool(u"3DS Importer", kMergeKey, false));
}

using RealScene = PluginTest;

TEST_F(RealScene, Test1FindsAllThreeUpperCaseTextureNames) {
    const TemporaryFolder folder;
    ASSERT_TRUE(Convert(KV_ASSIMP_3DS_DIR "/test1.3ds", folder / "test1.kvm"));
    EXPECT_EQ(PrintedSummary(), SummaryReport(3, 9, 9));

    const nlohmann::json info = ModelInfo(folder / "test1.kvm");
    ASSERT_TRUE(info.is_object());
    ASSERT_EQ(info["materials"].size(), 3u);
    for (const nlohmann::json& material : info["materials"]) EXPECT_FALSE(material["texture"].is_null()) << material;
}

}  // namespace
}  // namespace plugin_tests
