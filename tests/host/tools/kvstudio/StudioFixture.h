#pragma once

// What kvstudio's window tests share: a window driven as a user drives it,
// the importer plug-in loaded once, dialogs answered from their own event
// loops, and the pictures the tests save.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QSignalSpy>
#include <QStatusBar>
#include <QString>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>
#include <string>

#include "ImporterPlugin.h"
#include "StudioWindow.h"
#include "TemporaryFolder.h"

namespace studiotest {

using kvstudio::StudioWindow;

inline constexpr int kImportTimeoutMs = 120'000;
inline constexpr int kTestTimeLimitMs = 240'000;

// Where a test saves a picture named `name`: the screenshots carry the
// language they were taken in, except English's.
QString ScreenshotPath(const char* name);

// Handles the next modal dialog (the next one that `which` picks) from the
// event loop that dialog runs, so that the code which opened it can go on
// once it is closed.
void WhenDialogOpens(std::function<void(QDialog&)> handle,
                     std::function<bool(const QDialog&)> which = [](const QDialog&) { return true; });

// Chooses `path` in the file dialog `files`, as a user types it in.
void ChooseFile(QFileDialog& files, const QString& path);

// Drops `files` on `target` as a user drops them, anywhere on the window;
// true when the window let the drag in.
bool DropOn(QWidget& target, const QList<QUrl>& files);

// The results dialog's report, the dialog closed.
void ReadResultsWhenShown(QString& report, int& shown, const QString& picture = {});

class Studio : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        plugin_ = kvhost::ImporterPlugin::Load(KV_IMPORTER_PLUGIN, error);
        ASSERT_TRUE(plugin_) << error;
    }
    static void TearDownTestSuite() { plugin_.reset(); }

    void SetUp() override {
        // A test that waits past its time fails, and a dialog nobody
        // answers is closed, so that the next test runs.
        deadline_.setSingleShot(true);
        QObject::connect(&deadline_, &QTimer::timeout, [] {
            ADD_FAILURE() << "the test ran out of time";
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
        });
        deadline_.start(kTestTimeLimitMs);
        window_ = std::make_unique<StudioWindow>(plugin_->Importer());
        window_->resize(1280, 800);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }

    QString StatusText() { return window_->statusBar()->currentMessage(); }

    template <typename Widget>
    Widget& Find(const char* name) {
        auto* widget = window_->findChild<Widget*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return *widget;
    }

    QStringList MaterialLines() {
        QStringList lines;
        const auto& materials = Find<QListWidget>("materials");
        for (int row = 0; row < materials.count(); ++row) lines << materials.item(row)->text();
        return lines;
    }

    QAction& Action(const char* name) { return *window_->findChild<QAction*>(QLatin1String(name)); }

    QString SizeText() {
        const QList<QLabel*> labels = window_->statusBar()->findChildren<QLabel*>();
        QString text;
        for (const QLabel* label : labels) text += label->text();
        return text;
    }

    // Waits for the import to end and its model, if any, to be framed in the view.
    void WaitForImport(const QSignalSpy& finished, const QSignalSpy& shown, bool expectModel) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1 && (!expectModel || shown.count() >= 1); },
                                    kImportTimeoutMs));
    }

    inline static std::unique_ptr<kvhost::ImporterPlugin> plugin_;
    QTimer deadline_;
    std::unique_ptr<StudioWindow> window_;
    TemporaryFolder folder_;
};

}  // namespace studiotest
