#include "GridMesh.h"
#include "PluginHost.h"

namespace plugin_tests {
namespace {

using hollin::samples::SceneBuilder;
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
