// A large model is drawn coarser while the camera moves, and as it is once
// the camera rests; a small one is always drawn as it is.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QQuickWidget>
#include <QSignalSpy>
#include <QTest>

#include <filesystem>
#include <string>

#include "GridMesh.h"
#include "ModelView.h"
#include "SceneBuilder.h"
#include "ScreenPicture.h"
#include "StudioFixture.h"
#include "StudioWindow.h"

namespace {

using kvstudio::StudioWindow;
using studiotest::kImportTimeoutMs;
using studiotest::ReadResultsWhenShown;
using studiotest::ScreenshotPath;
using studiotest::Studio;

// Longer than the view waits before it takes the camera to rest.
constexpr int kRestMs = 400;
constexpr int kSettleMs = 20'000;

// Twenty-five rough grids of 20,000 faces: more than a software renderer
// turns smoothly.
void WriteLargeModel(const std::filesystem::path& path) {
    using namespace hollin::samples;
    SceneBuilder scene;
    scene.AddMaterial("Stone", {0.7f, 0.6f, 0.5f});
    for (int mesh = 0; mesh < 25; ++mesh) {
        const Point origin{static_cast<float>(mesh % 5) * 110.0f, static_cast<float>(mesh / 5) * 110.0f, 0.0f};
        const GridMesh grid = MakeGrid(100, origin, 1.0f, [](float x, float y) { return float(int(x) * int(y) % 7); });
        const std::string name = "Grid" + std::to_string(mesh);
        scene.AddMesh(name, grid.points, grid.faces, "Stone");
        scene.AddObjectNode(name);
    }
    ASSERT_TRUE(scene.Save(path.string()));
}

int DifferentPixels(const QImage& one, const QImage& other) {
    int different = 0;
    for (int y = 0; y < one.height(); ++y) {
        for (int x = 0; x < one.width(); ++x) {
            const QColor a = one.pixelColor(x, y);
            const QColor b = other.pixelColor(x, y);
            different += std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())}) > 24;
        }
    }
    return different;
}

// The pixels where the model is seen, against the view's background.
int ModelPixels(const QImage& picture) {
    QImage background(picture.size(), picture.format());
    background.fill(QColor(0xdf, 0xe3, 0xe8));
    return DifferentPixels(picture, background);
}

class StudioOrbit : public Studio {
protected:
    // What the view draws now, drawn for the picture.
    QImage Drawn() { return window_->View().findChild<QQuickWidget*>()->grabFramebuffer(); }

    // A frame of a large model can take longer than the rest on a busy machine.
    QImage DrawnAtRest() {
        QTest::qWait(kRestMs);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window_->View().DrawsCoarse(); }, kSettleMs));
        return Drawn();
    }
};

TEST_F(StudioOrbit, ALargeModelIsDrawnCoarserOnlyWhileTheCameraMoves) {
    const std::filesystem::path large = folder_ / "large.3ds";
    WriteLargeModel(large);
    const struct {
        std::string file;
        bool coarse;
    } models[] = {{KV_SAMPLE, false}, {large.string(), true}};
    QSignalSpy finished(window_.get(), &StudioWindow::ImportFinished);
    QSignalSpy shown(window_.get(), &StudioWindow::ModelShown);
    QString report;
    int resultsShown = 0;
    for (const auto& model : models) {
        SCOPED_TRACE(model.file);
        finished.clear();
        shown.clear();
        ReadResultsWhenShown(report, resultsShown);
        window_->Import(QString::fromStdString(model.file));
        WaitForImport(finished, shown, true);
        kvstudio::ModelView& view = window_->View();
        if (model.coarse) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return view.HasCoarseDrawing(); }, kImportTimeoutMs));
        }
        const QImage framed = DrawnAtRest();

        // The arrow keys turn the camera ten degrees a press, there and back.
        QTest::keyClick(&view, Qt::Key_Left);
        EXPECT_EQ(view.DrawsCoarse(), model.coarse);
        const QImage moving = Drawn();
        if (model.coarse) {
            EXPECT_TRUE(kvstudio::SavePicture(*window_, ScreenshotPath("studio-orbit-coarse")));
        }
        const QImage turned = DrawnAtRest();
        QTest::keyClick(&view, Qt::Key_Right);
        const QImage back = DrawnAtRest();

        EXPECT_LT(DifferentPixels(back, framed), 50) << "at rest, the model as a fresh view draws it";
        if (model.coarse) {
            EXPECT_GT(DifferentPixels(moving, turned), 500) << "the coarser drawing while moving";
            EXPECT_NEAR(ModelPixels(moving), ModelPixels(turned), ModelPixels(turned) / 20) << "it covers what the model covers";
        } else {
            EXPECT_LT(DifferentPixels(moving, turned), 50);
        }
    }
}

}  // namespace
