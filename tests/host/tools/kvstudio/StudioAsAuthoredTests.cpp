// gl-117's egg and tank in kvstudio with the "as authored" choice off and
// on. The egg's faces share smoothing groups: on, its model file gives
// normals and the view draws it smooth, its checker tiled as its map says.
// The tank's neighbouring faces take turns in groups: it stays faceted.

#include <gtest/gtest.h>

#include <QAction>
#include <QSignalSpy>

#include <filesystem>
#include <string>

#include "GlbChunks.h"
#include "ModelForView.h"
#include "ModelScene.h"
#include "ModelView.h"
#include "Preferences.h"
#include "ScreenPicture.h"
#include "StudioFixture.h"
#include "settings/ImportSettings.h"

namespace {

using namespace studiotest;

const std::string kModels = "/usr/share/games/gl-117/models/";

// Of the pixels where either picture shows something other than the view's
// background, the share whose grey differs between them by more than `levels`.
double ShareDiffering(const QImage& one, const QImage& other, int levels) {
    const PixelTest shown = [](const QColor& a, const QColor& b) { return a.rgb() != kViewBackground.rgb() || b.rgb() != kViewBackground.rgb(); };
    const int differing = CountPixels(one, other, [&](const QColor& a, const QColor& b) {
        return shown(a, b) && std::abs(qGray(a.rgb()) - qGray(b.rgb())) > levels;
    });
    const int all = CountPixels(one, other, shown);
    return all == 0 ? 0.0 : static_cast<double>(differing) / all;
}

class StudioAsAuthored : public Studio {
protected:
    // Imports gl-117's `model` with the choice as given, saves the window's
    // picture as `picture` and returns the view's.
    QImage Import(const std::string& model, bool asAuthored, const char* picture) {
        Action("asAuthored").setChecked(asAuthored);
        ImportAndWait(QString::fromStdString(kModels + model + ".3ds"));
        EXPECT_TRUE(kvstudio::SavePicture(*window_, ScreenshotPath(picture)));
        return window_->View().grab().toImage();
    }

    // What the view draws of the model file `glb` without its normals.
    QImage DrawnFlat(const std::filesystem::path& glb) {
        GlbChunks chunks = ReadGlbChunks(glb);
        for (nlohmann::json& mesh : chunks.document["meshes"]) {
            for (nlohmann::json& primitive : mesh["primitives"]) EXPECT_EQ(primitive["attributes"].erase("NORMAL"), 1u);
        }
        const std::filesystem::path flat = folder_ / "flat.kvm";
        WriteGlbChunks(chunks, flat);
        QSignalSpy shown(&window_->View(), &kvstudio::ModelView::Shown);
        window_->View().Show(kvstudio::ReadModelScene(flat.string(), kvstudio::kViewRates, std::uint64_t{1} << 40, kvstudio::kImageBytes));
        EXPECT_EQ(shown.count(), 1);
        QTest::qWait(kDrawnMs);
        return window_->View().grab().toImage();
    }

    void TearDown() override {
        Action("asAuthored").setChecked(false);
        hollin::prefs::Get().Remove(u"3DS Importer", u"TextureFolders");
    }
};

TEST_F(StudioAsAuthored, TheEggIsDrawnSmoothWhereItsNormalsSayAndTheTankStaysFaceted) {
    hollin::settings::WriteTextureFolders(hollin::prefs::Get(), {"/usr/share/games/gl-117/textures"});
    Import("egg", false, "studio-egg");
    const QImage egg = Import("egg", true, "studio-egg-as-authored");
    // Close up, where the tiles are larger than pixels.
    window_->View().setFocus();
    for (int step = 0; step < 6; ++step) QTest::keyClick(&window_->View(), Qt::Key_Plus);
    QTest::qWait(300);
    ASSERT_TRUE(kvstudio::SavePicture(*window_, ScreenshotPath("studio-egg-as-authored-close")));
    // The same egg, tiled the same, drawn without its normals: the shading
    // alone tells them apart, over much of the egg.
    const std::filesystem::path exported = folder_ / "egg.glb";
    ASSERT_TRUE(window_->Export(QString::fromStdString(exported.string())));
    const double shaded = ShareDiffering(egg, DrawnFlat(exported), 2);
    EXPECT_GT(shaded, 0.1) << "the egg is drawn flat";

    const QImage tank = Import("tank1", false, "studio-tank1-plain");
    const double tankDiffers = ShareDiffering(tank, Import("tank1", true, "studio-tank1-as-authored"), 2);
    EXPECT_LT(tankDiffers, 0.001) << "the tank is drawn otherwise as authored";
}

}  // namespace
