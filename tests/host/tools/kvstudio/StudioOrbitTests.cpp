// A large model is drawn coarser while the camera moves, and as it is once
// the camera rests; a small one is always drawn as it is.

#include <gtest/gtest.h>

#include <QQuickWidget>

#include <filesystem>
#include <string>

#include "GridMesh.h"
#include "ModelView.h"
#include "ScreenPicture.h"
#include "StudioFixture.h"

namespace {

using namespace studiotest;

// Longer than the view waits before it takes the camera to rest.
constexpr int kRestMs = 400;
constexpr int kSettleMs = 20'000;

// The pixels where the model is seen, against the view's background.
int ModelPixels(const QImage& picture) {
    return CountPixels(picture, [](const QColor& colour) { return Differ(colour, kViewBackground); });
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
    ASSERT_TRUE(hollin::samples::WriteTiles(large, 25));
    const struct {
        std::string file;
        bool coarse;
    } models[] = {{KV_SAMPLE, false}, {large.string(), true}};
    for (const auto& model : models) {
        SCOPED_TRACE(model.file);
        ImportAndWait(QString::fromStdString(model.file));
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

        EXPECT_LT(CountPixels(back, framed, Differ), 50) << "at rest, the model as a fresh view draws it";
        if (model.coarse) {
            EXPECT_GT(CountPixels(moving, turned, Differ), 500) << "the coarser drawing while moving";
            EXPECT_NEAR(ModelPixels(moving), ModelPixels(turned), ModelPixels(turned) / 20) << "it covers what the model covers";
        } else {
            EXPECT_LT(CountPixels(moving, turned, Differ), 50);
        }
    }
}

}  // namespace
