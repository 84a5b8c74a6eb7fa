#include "PluginHost.h"
#include "SceneBuilder.h"

namespace plugin_tests {
namespace {

using hollin::samples::Point;
using hollin::samples::SceneBuilder;
using hollin::samples::Triangle;
using hollin::utils::Utf16String;
using hollin::utils::Variant;

const Utf16String kUnitsKey(u"ImportUnits");
const Utf16String kMergeKey(u"ImportMergeCoplanarFaces");

// A unit square of two coplanar triangles: its width shows the unit scale,
// its face count whether coplanar faces were merged.
class HostOptions : public PluginTest {
protected:
    HostOptions() {
        SceneBuilder scene;
        const Point points[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
        const Triangle faces[] = {{0, 1, 2}, {0, 2, 3}};
        scene.AddMesh("Square", points, faces, "");
        scene.AddObjectNode("Square");
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

}  // namespace
}  // namespace plugin_tests
