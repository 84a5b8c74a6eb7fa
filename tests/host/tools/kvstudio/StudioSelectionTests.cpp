// A part picked in the outline is drawn tinted where it is seen, and
// nothing else changes: the pictures of the view are compared.

#include <gtest/gtest.h>

#include <QQuickItem>
#include <QTreeWidget>
#include <QVector3D>
#include <QtQuick3D/qquick3dinstancing.h>

#include <filesystem>

#include "ModelBombs.h"
#include "ModelView.h"
#include "OutlinePanel.h"
#include "SceneObjects.h"
#include "ScreenPicture.h"
#include "StudioFixture.h"

namespace {

using namespace studiotest;

class StudioSelection : public Studio {
protected:
    QImage ViewPicture() {
        QTest::qWait(kDrawnMs);
        return window_->View().grab().toImage();
    }

    QList<QObject*> SceneObjects(const char* name = nullptr) {
        QList<QObject*> objects;
        for (const QQuickItem* item : window_->View().QuickWindow()->contentItem()->childItems()) {
            objects << item->findChildren<QObject*>(name == nullptr ? QString() : QLatin1String(name));
        }
        return objects;
    }

    // How many placements each model named `name`, or each model, draws
    // from an instance table.
    std::vector<int> InstanceTables(const char* name = nullptr) {
        std::vector<int> counts;
        for (const QObject* object : SceneObjects(name)) {
            const auto* placements =
                dynamic_cast<const kvstudio::ScenePlacements*>(object->property("instancing").value<QQuick3DInstancing*>());
            if (placements != nullptr) counts.push_back(placements->Count());
        }
        return counts;
    }

    // The tinted part drawn flat magenta, a colour nothing else in the view has.
    void PaintMarksMagenta() {
        for (QObject* mark : SceneObjects(kvstudio::kMarkName)) {
            for (QObject* material : mark->findChildren<QObject*>()) {
                if (!material->inherits("QQuick3DPrincipledMaterial")) continue;
                material->setProperty("lighting", QStringLiteral("NoLighting"));
                material->setProperty("baseColor", QColor(Qt::magenta));
                material->setProperty("baseColorMap", QVariant::fromValue<QObject*>(nullptr));
                material->setProperty("emissiveFactor", QVector3D());
            }
        }
    }

    // Picks `name`, which the tint then covers where the part is seen, at
    // `atLeast` pixels, and hardly anywhere else: the part's pixels are
    // those it is seen at when drawn magenta.
    void ExpectTintedWhereSeen(const QString& name, const char* picture, int atLeast) {
        EXPECT_TRUE(window_->Outline().SelectByName(name, false));
        const QImage tinted = ViewPicture();
        if (picture != nullptr) kvstudio::SavePicture(*window_, ScreenshotPath(picture));
        PaintMarksMagenta();
        const QImage magenta = ViewPicture();
        Find<QTreeWidget>("outline").clearSelection();
        const QImage plain = ViewPicture();
        const std::vector<bool> byTint = PixelsWhere(plain, tinted, Differ);
        const std::vector<bool> byPart = PixelsWhere(
            magenta, [](const QColor& colour) { return colour.red() > 200 && colour.green() < 60 && colour.blue() > 200; });
        const int width = plain.width();
        int tintedAway = 0;  // more than a pixel from the part's
        for (int y = 0; y < plain.height(); ++y) {
            for (int x = 0; x < width; ++x) {
                if (!byTint[static_cast<std::size_t>(y) * width + x]) continue;
                bool nearPart = false;
                for (int dy = -1; dy <= 1 && !nearPart; ++dy) {
                    for (int dx = -1; dx <= 1 && !nearPart; ++dx) {
                        const int nx = x + dx;
                        const int ny = y + dy;
                        nearPart = nx >= 0 && ny >= 0 && nx < width && ny < plain.height() && byPart[static_cast<std::size_t>(ny) * width + nx];
                    }
                }
                tintedAway += nearPart ? 0 : 1;
            }
        }
        const auto part = std::ranges::count(byPart, true);
        EXPECT_GT(part, atLeast);
        EXPECT_GT(std::ranges::count(byTint, true), part / 2);
        EXPECT_LT(tintedAway, 20);
    }
};

// Parts of the sample that a box around them would cover others with (the
// hedges the paving, the water the basin, the walls everything), and one
// bolt of 5,000 drawn from one instance table.
TEST_F(StudioSelection, APickedPartIsTintedWhereItIsSeenAndNothingElseChanges) {
    ImportAndWait(QStringLiteral(KV_SAMPLE));
    const struct {
        const char* part;
        const char* picture;
    } sample[] = {{"Hedges", "studio-courtyard-hedges"}, {"Water", nullptr}, {"Walls", nullptr}};
    for (const auto& row : sample) {
        SCOPED_TRACE(row.part);
        ExpectTintedWhereSeen(QLatin1String(row.part), row.picture, 500);
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
    ASSERT_TRUE(OpenAndWait(QPath(bolts)));
    EXPECT_EQ(InstanceTables(), std::vector<int>{5000});
    EXPECT_EQ(window_->View().MeshCount(), 5000);
    // The bolt picked is marked from a table of its own.
    ASSERT_TRUE(window_->Outline().SelectByName(QStringLiteral("Bolt"), false));
    EXPECT_EQ(InstanceTables(kvstudio::kMarkName), std::vector<int>{1});
    ExpectTintedWhereSeen(QStringLiteral("Bolt"), "studio-bolt-picked", 100);
}

}  // namespace
