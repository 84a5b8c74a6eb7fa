// A part picked in the outline is drawn tinted where it is seen, and
// nothing else changes: the pictures of the view are compared.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <QVector3D>

#include <filesystem>

#include "ModelBombs.h"
#include "ModelView.h"
#include "OutlinePanel.h"
#include "SceneObjects.h"
#include "ScreenPicture.h"
#include "StudioFixture.h"
#include "StudioWindow.h"

namespace {

using kvstudio::StudioWindow;
using studiotest::kImportTimeoutMs;
using studiotest::ReadResultsWhenShown;
using studiotest::ScreenshotPath;
using studiotest::Studio;

// A frame or two of the software renderer, with room for a busy machine.
constexpr int kDrawnMs = 400;

// Where two pictures of the view differ, clearly: more than rounding and
// multisampling change.
std::vector<bool> Changed(const QImage& before, const QImage& after) {
    std::vector<bool> changed(static_cast<std::size_t>(before.width()) * before.height(), false);
    for (int y = 0; y < before.height(); ++y) {
        for (int x = 0; x < before.width(); ++x) {
            const QColor a = before.pixelColor(x, y);
            const QColor b = after.pixelColor(x, y);
            const int difference = std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
            changed[static_cast<std::size_t>(y) * before.width() + x] = difference > 24;
        }
    }
    return changed;
}

struct Comparison {
    int tinted = 0;       // pixels the tint changed
    int part = 0;         // pixels the part covers
    int outsidePart = 0;  // pixels the tint changed more than a pixel from the part's
};

class StudioSelection : public Studio {
protected:
    QImage ViewPicture() {
        QTest::qWait(kDrawnMs);
        return window_->View().grab().toImage();
    }

    // The tinted part drawn flat magenta, a colour nothing else in the view has.
    void PaintMarksMagenta() {
        for (const QQuickItem* item : window_->View().QuickWindow()->contentItem()->childItems()) {
            for (QObject* mark : item->findChildren<QObject*>(QLatin1String(kvstudio::kMarkName))) {
                for (QObject* material : mark->findChildren<QObject*>()) {
                    if (!material->inherits("QQuick3DPrincipledMaterial")) continue;
                    material->setProperty("lighting", QStringLiteral("NoLighting"));
                    material->setProperty("baseColor", QColor(Qt::magenta));
                    material->setProperty("baseColorMap", QVariant::fromValue<QObject*>(nullptr));
                    material->setProperty("emissiveFactor", QVector3D());
                }
            }
        }
    }

    // The part's pixels are those it is seen at when drawn magenta.
    Comparison Pick(const QString& name, const char* picture) {
        auto& outline = Find<QTreeWidget>("outline");
        EXPECT_TRUE(window_->Outline().SelectByName(name, false));
        const QImage tinted = ViewPicture();
        if (picture != nullptr) kvstudio::SavePicture(*window_, ScreenshotPath(picture));
        PaintMarksMagenta();
        const QImage magenta = ViewPicture();
        outline.clearSelection();
        const QImage plain = ViewPicture();
        const std::vector<bool> byTint = Changed(plain, tinted);
        std::vector<bool> byPart(byTint.size(), false);
        for (int y = 0; y < magenta.height(); ++y) {
            for (int x = 0; x < magenta.width(); ++x) {
                const QColor colour = magenta.pixelColor(x, y);
                byPart[static_cast<std::size_t>(y) * magenta.width() + x] =
                    colour.red() > 200 && colour.green() < 60 && colour.blue() > 200;
            }
        }
        Comparison result;
        const int width = plain.width();
        for (int y = 0; y < plain.height(); ++y) {
            for (int x = 0; x < width; ++x) {
                const std::size_t at = static_cast<std::size_t>(y) * width + x;
                result.part += byPart[at] ? 1 : 0;
                if (!byTint[at]) continue;
                ++result.tinted;
                bool nearPart = false;
                for (int dy = -1; dy <= 1 && !nearPart; ++dy) {
                    for (int dx = -1; dx <= 1 && !nearPart; ++dx) {
                        const int nx = x + dx;
                        const int ny = y + dy;
                        nearPart = nx >= 0 && ny >= 0 && nx < width && ny < plain.height() && byPart[static_cast<std::size_t>(ny) * width + nx];
                    }
                }
                result.outsidePart += nearPart ? 0 : 1;
            }
        }
        return result;
    }
};

// Parts of the sample that a box around them would cover others with (the
// hedges the paving, the water the basin, the walls everything), and one
// bolt of 5,000 drawn from one instance table.
TEST_F(StudioSelection, APickedPartIsTintedWhereItIsSeenAndNothingElseChanges) {
    QSignalSpy finished(window_.get(), &StudioWindow::ImportFinished);
    QSignalSpy shown(window_.get(), &StudioWindow::ModelShown);
    QString report;
    int resultsShown = 0;
    ReadResultsWhenShown(report, resultsShown);
    window_->Import(QStringLiteral(KV_SAMPLE));
    WaitForImport(finished, shown, true);
    const struct {
        const char* part;
        const char* picture;
    } sample[] = {{"Hedges", "studio-courtyard-hedges"}, {"Water", nullptr}, {"Walls", nullptr}};
    for (const auto& row : sample) {
        SCOPED_TRACE(row.part);
        const Comparison seen = Pick(QLatin1String(row.part), row.picture);
        EXPECT_GT(seen.part, 500);
        EXPECT_GT(seen.tinted, seen.part / 2);
        EXPECT_LT(seen.outsidePart, 20);
    }

    // A click on a part in the outline hands the keys to the view: the
    // arrows then turn the camera, not the outline.
    auto& outline = Find<QTreeWidget>("outline");
    QTreeWidgetItem* basin = outline.findItems(QStringLiteral("Basin"), Qt::MatchExactly | Qt::MatchRecursive).value(0);
    ASSERT_NE(basin, nullptr);
    outline.scrollToItem(basin);
    outline.setFocus();
    QTest::mouseClick(outline.viewport(), Qt::LeftButton, {}, outline.visualItemRect(basin).center());
    EXPECT_EQ(window_->focusWidget(), &window_->View());
    EXPECT_TRUE(window_->View().HasSelection());
    outline.clearSelection();

    const std::filesystem::path bolts = folder_ / "bolts.kvm";
    ASSERT_TRUE(hollin::samples::WriteRepeatedModel(bolts, 5000));
    window_->Open(QString::fromStdString(bolts.string()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.count() == 2; }, kImportTimeoutMs));
    const Comparison bolt = Pick(QStringLiteral("Bolt"), "studio-bolt-picked");
    EXPECT_GT(bolt.part, 100);
    EXPECT_GT(bolt.tinted, bolt.part / 2);
    EXPECT_LT(bolt.outsidePart, 20);
}

}  // namespace
