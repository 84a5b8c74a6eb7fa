// What kvstudio's window says of what it will not take when it is dropped.

#include <gtest/gtest.h>

#include "ModelView.h"
#include "ScreenPicture.h"
#include "StudioFixture.h"

namespace {

using namespace studiotest;

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
        EXPECT_TRUE(Contains(StatusText(), QLatin1String(row.said)));
        EXPECT_FALSE(window_->IsBusy());
    }
    ASSERT_TRUE(kvstudio::SavePicture(*window_, ScreenshotPath("studio-drop-refused")));

    ImportAndWait([&] {
        window_->Import(QStringLiteral(KV_SAMPLE));
        ASSERT_TRUE(DropOn(window_->View(), {Local("/usr/share/games/gl-117/models/tank1.3ds")}));
        EXPECT_TRUE(Contains(StatusText(), QStringLiteral("tank1.3ds was not taken: wait until the file in hand")));
    });
    EXPECT_TRUE(window_->windowTitle().startsWith(QLatin1String("courtyard.3ds"))) << window_->windowTitle().toStdString();
}

}  // namespace
