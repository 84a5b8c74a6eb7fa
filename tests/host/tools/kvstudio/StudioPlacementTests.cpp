// Where kvstudio's window and its dialogs open, at the scale factor of the
// run: ctest runs these once more at twice the scale (kvstudio_tests_scaled).

#include <gtest/gtest.h>

#include <QAction>
#include <QDebug>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>

#include <memory>

#include "ScreenPicture.h"
#include "StudioFixture.h"
#include "WindowPlacement.h"

namespace {

using namespace studiotest;

class StudioPlacement : public Studio {
protected:
    // A window as kvstudio opens one: placed as it was left, then shown.
    void Reopen() {
        window_ = std::make_unique<StudioWindow>(plugin_->Importer());
        kvstudio::RestorePlacement(*window_);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }

    // The window and its status bar, within the screen's space for windows.
    void ExpectOnScreen() {
        const QRect available = window_->screen()->availableGeometry();
        const QStatusBar& status = *window_->statusBar();
        for (const QRect& shown : {window_->frameGeometry(), QRect(status.mapToGlobal(QPoint(0, 0)), status.size())}) {
            QString where;
            QDebug(&where) << shown << "within" << available;
            EXPECT_TRUE(available.contains(shown)) << where.toStdString();
        }
    }
};

// A first start, a size saved larger than the screen, and the size the user
// chose at another scale: the whole window is on screen each time, and what
// it saves at one scale leaves the others' alone.
TEST_F(StudioPlacement, TheWindowFitsTheScreenAtAnyScaleAndEachScaleKeepsItsOwnSize) {
    const qreal scale = window_->screen()->devicePixelRatio();
    const QString ownKey = scale == 1.0 ? QStringLiteral("window/geometry") : QStringLiteral("window/geometry@%1x").arg(scale);
    const QString otherKey = scale == 1.0 ? QStringLiteral("window/geometry@2x") : QStringLiteral("window/geometry");
    window_->resize(3000, 2000);
    const QByteArray tooLarge = window_->saveGeometry();
    QSettings().remove(QStringLiteral("window"));
    QSettings().setValue(otherKey, tooLarge);

    Reopen();
    ExpectOnScreen();
    EXPECT_LE(window_->width(), 1280);
    window_->close();
    EXPECT_EQ(QSettings().value(otherKey).toByteArray(), tooLarge) << "the other scale's size was changed";
    EXPECT_TRUE(QSettings().contains(ownKey));

    QSettings().setValue(ownKey, tooLarge);
    Reopen();
    ExpectOnScreen();
    ASSERT_TRUE(kvstudio::SavePicture(*window_, ScreenshotPath(scale == 1.0 ? "studio-placed" : "studio-placed-scaled")));

    // Dialogs open over the window, the importer's own, which have no
    // parent, too; Help > Controls lists the mouse and the keys.
    const struct {
        const char* action;
        const char* says;
    } dialogs[] = {{"options", ""}, {"controls", "Shift and the arrow keys"}};
    for (const auto& [action, says] : dialogs) {
        SCOPED_TRACE(action);
        QPoint centre;
        QString text;
        WhenDialogOpens([&](QDialog& dialog) {
            centre = dialog.frameGeometry().center();
            if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
                text = box->text();
                if (scale == 1.0) box->grab().save(ScreenshotPath("studio-controls"));
            }
            dialog.reject();
        });
        Action(action).trigger();
        EXPECT_LE((centre - window_->frameGeometry().center()).manhattanLength(), 4);
        EXPECT_THAT(text.toStdString(), HasSubstr(says));
    }
    QSettings().remove(QStringLiteral("window"));
}

}  // namespace
