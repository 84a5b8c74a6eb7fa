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
        const std::vector<bool> byPart = PixelsWhere(magenta, magenta, [](const QColor& colour, const QColor&) {
            return colour.red() > 200 && colour.green() < 60 && colour.blue() > 200;
        });
        const int width = plain.width(), height = plain.height();
        const auto partAt = [&](int x, int y) {
            return x >= 0 && y >= 0 && x < width && y < height && byPart[static_cast<std::size_t>(y) * width + x];
        };
        int tintedAway = 0;  // more than a pixel from the part's
        for (int at = 0; at < width * height; ++at) {
            bool nearPart = false;
            for (int around = 0; around < 9; ++around) nearPart = nearPart || partAt(at % width + around % 3 - 1, at / width + around / 3 - 1);
            tintedAway += byTint[static_cast<std::size_t>(at)] && !nearPart ? 1 : 0;
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
