#include <algorithm>

#include "PluginFixture.h"
#include "Preferences.h"
#include "SavedModel.h"
#include "SceneBuilder.h"

namespace plugin_tests {
namespace {

using hollin::samples::SceneBuilder;
using hollin::utils::Utf16String;
using hollin::utils::Variant;

const Utf16String kUnitsKey(u"ImportUnits");
const Utf16String kMergeKey(u"ImportMergeCoplanarFaces");

// One unit square of two coplanar triangles: its size shows the unit scale,
// its face count whether coplanar faces were merged.
std::filesystem::path WriteUnitSquare(const TemporaryFolder& folder) {
    SceneBuilder scene;
    scene.AddMaterial("Grey", {0.5f, 0.5f, 0.5f});
    const hollin::samples::Point points[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const hollin::samples::Triangle faces[] = {{0, 1, 2}, {0, 2, 3}};
    scene.AddMesh("Square", points, faces, "Grey");
    scene.AddObjectNode("Square");
    const std::filesystem::path path = folder / "square.3ds";
    EXPECT_TRUE(scene.Save(path.string()));
    return path;
}

struct SquareResult {
    double width = 0.0;
    std::size_t faces = 0;
};

class HostOptions : public PluginTest {
protected:
    SquareResult ConvertSquare(ImportOptions* options) {
        const std::filesystem::path output = folder_ / "square.kvm";
        EXPECT_TRUE(Convert(square_, output, nullptr, options));
        const SavedModel model = SavedModel::Read(output);
        const SavedModel::Definition* square = model.FindDefinition("Square");
        if (square == nullptr) {
            ADD_FAILURE() << "no definition for the square";
            return {};
        }
        return {square->bounds.max_point.x - square->bounds.min_point.x, square->faces};
    }

    static void Store(bool merge, std::int32_t units) {
        hollin::prefs::Get().WriteBool(u"3DS Importer", kMergeKey, merge);
        hollin::prefs::Get().WriteInt(u"3DS Importer", kUnitsKey, units);
    }

    TemporaryFolder folder_;
    std::filesystem::path square_ = WriteUnitSquare(folder_);
};

TEST_F(HostOptions, UnitsComeFromTheStoreUnlessTheHostGivesAnInteger) {
    // Nothing stored: the file's master scale of 1 inch per unit.
    EXPECT_NEAR(ConvertSquare(nullptr).width, 1.0, 1e-4);

    Store(false, 7);
    EXPECT_NEAR(ConvertSquare(nullptr).width, 39.37, 1e-3);

    ImportOptions asDouble{{kUnitsKey, Variant(2.0)}};
    EXPECT_NEAR(ConvertSquare(&asDouble).width, 39.37, 1e-3);

    ImportOptions feet{{kUnitsKey, Variant(2)}};
    EXPECT_NEAR(ConvertSquare(&feet).width, 12.0, 1e-4);
    EXPECT_EQ(feet.size(), 1u);
    EXPECT_EQ(hollin::prefs::Get().ReadInt(u"3DS Importer", kUnitsKey, -1), 7);
}

TEST_F(HostOptions, MergingFollowsTheStoreUnlessTheHostGivesABool) {
    ImportOptions mergeAsInt{{kMergeKey, Variant(1)}};
    EXPECT_EQ(ConvertSquare(&mergeAsInt).faces, 2u);

    ImportOptions merge{{kMergeKey, Variant(true)}};
    EXPECT_EQ(ConvertSquare(&merge).faces, 1u);

    Store(true, 0);
    EXPECT_EQ(ConvertSquare(nullptr).faces, 1u);
    ImportOptions keepFaces{{kMergeKey, Variant(false)}};
    EXPECT_EQ(ConvertSquare(&keepFaces).faces, 2u);
    EXPECT_TRUE(hollin::prefs::Get().ReadBool(u"3DS Importer", kMergeKey, false));
}

using RealScenes = PluginTest;

TEST_F(RealScenes, SampleImportsEveryNodeAsATopLevelInstanceWithItsTexture) {
    const TemporaryFolder folder;
    ASSERT_TRUE(Convert(KV_SAMPLE_SCENE, folder / "courtyard.kvm"));
    EXPECT_EQ(PrintedSummary(), SummaryReport(4, 5, 5));

    const SavedModel model = SavedModel::Read(folder / "courtyard.kvm");
    ASSERT_TRUE(model.opened);
    EXPECT_EQ(model.definitions.size(), 5u);
    EXPECT_EQ(model.topLevelInstances, 5u);
    ASSERT_NE(model.FindDefinition("Water"), nullptr);
    EXPECT_EQ(model.FindDefinition("Water")->faces, 8u);
    const auto paving = std::find_if(model.materials.begin(), model.materials.end(),
                                     [](const SavedModel::Material& material) { return material.name == "Paving"; });
    ASSERT_NE(paving, model.materials.end());
    EXPECT_TRUE(paving->textured);
}

TEST_F(RealScenes, Test1FindsAllThreeUpperCaseTextureNames) {
    const TemporaryFolder folder;
    ASSERT_TRUE(Convert(KV_ASSIMP_3DS_DIR "/test1.3ds", folder / "test1.kvm"));
    EXPECT_EQ(PrintedSummary(), SummaryReport(3, 9, 9));

    const SavedModel model = SavedModel::Read(folder / "test1.kvm");
    ASSERT_EQ(model.materials.size(), 3u);
    for (const SavedModel::Material& material : model.materials) EXPECT_TRUE(material.textured) << material.name;
    EXPECT_EQ(model.TotalFaces(), 108u);
}

}  // namespace
}  // namespace plugin_tests
