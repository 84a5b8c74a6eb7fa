// What kvstudio's window says of what it will not take when it is dropped.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include "ModelView.h"
#include "ScreenPicture.h"
#include "StudioFixture.h"
#include "StudioWindow.h"

namespace {

using kvstudio::StudioWindow;
using studiotest::DropOn;
using studiotest::kImportTimeoutMs;
using studiotest::ReadResultsWhenShown;
using studiotest::ScreenshotPath;
using studiotest::Studio;

QUrl Local(const char* path) {
    return QUrl::fromLocalFile(QLatin1String(path));
}

// Each refusal is said in the status bar, and nothing starts; during an
// import the file dropped is refused, and the import goes on to its end.
TEST_F(Studio, RefusedDropsSayWhyInTheStatusBar) {
    const struct {
        QList<QUrl> files;
        const char* said;
    } refused[] = {
        {{Local("/tmp/bricks.png")}, "bricks.png was not taken: kvstudio imports .3ds files"},
        {{Local(KV_SAMPLE), Local("/usr/share/games/gl-117/models/tank1.3ds")}, "Drop one file at a time: 2 were dropped"},
        {{QUrl(QStringLiteral("https://example.org/courtyard.3ds"))}, "Only files on this computer can be dropped"},
    };
    for (const auto& row : refused) {
        SCOPED_TRACE(row.said);
        window_->statusBar()->clearMessage();
        ASSERT_TRUE(DropOn(window_->View(), row.files));
        EXPECT_TRUE(StatusText().contains(QLatin1String(row.said))) << StatusText().toStdString();
        EXPECT_FALSE(window_->IsBusy());
    }
    ASSERT_TRUE(kvstudio::SavePicture(*window_, ScreenshotPath("studio-drop-refused")));

    QSignalSpy finished(window_.get(), &StudioWindow::ImportFinished);
    QSignalSpy shown(window_.get(), &StudioWindow::ModelShown);
    QString report;
    int resultsShown = 0;
    ReadResultsWhenShown(report, resultsShown);
    window_->Import(QStringLiteral(KV_SAMPLE));
    ASSERT_TRUE(DropOn(window_->View(), {Local("/usr/share/games/gl-117/models/tank1.3ds")}));
    EXPECT_TRUE(StatusText().contains(QLatin1String("tank1.3ds was not taken: wait until the file in hand")))
        << StatusText().toStdString();
    WaitForImport(finished, shown, true);
    EXPECT_EQ(resultsShown, 1);
    EXPECT_TRUE(window_->windowTitle().startsWith(QLatin1String("courtyard.3ds"))) << window_->windowTitle().toStdString();
}

}  // namespace
