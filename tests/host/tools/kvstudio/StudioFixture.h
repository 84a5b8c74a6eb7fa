#pragma once

// What kvstudio's window tests share: a window driven as a user drives it,
// the importer plug-in loaded once, dialogs answered from their own event
// loops, imports and File > Open waited for, and the pictures the tests save
// and measure.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QDialog>
#include <QFileDialog>
#include <QImage>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMimeData>
#include <QPointer>
#include <QStatusBar>
#include <QString>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ImporterPlugin.h"
#include "StudioWindow.h"
#include "TemporaryFolder.h"
#include "WhenDialogOpens.h"

namespace studiotest {

using kvstudio::StudioWindow;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

inline constexpr int kImportTimeoutMs = 120'000;
inline constexpr int kTestTimeLimitMs = 240'000;
// A frame or two of the software renderer, with room for a busy machine.
inline constexpr int kDrawnMs = 500;
inline const QColor kViewBackground{0xdf, 0xe3, 0xe8};

inline QString QPath(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

// Where a test saves a picture named `name`: the screenshots carry the
// language they were taken in, except English's.
inline QString ScreenshotPath(const char* name) {
    const QString language = QLocale().name().section(QLatin1Char('_'), 0, 0);
    const QString suffix = language == QLatin1String("en") || language == QLatin1String("C") ? QString() : "-" + language;
    return QStringLiteral(KV_SCREENSHOT_DIR "/%1%2.png").arg(QLatin1String(name), suffix);
}

// Chooses `path` in the file dialog `files`, as a user types it in.
// The file dialog lists its folder in the background and may replace a
// chosen name meanwhile, so the name is typed in again until it is taken.
inline void ChooseFile(QFileDialog& files, const QString& path) {
    auto* retry = new QTimer(&files);
    QObject::connect(retry, &QTimer::timeout, &files, [&files, path] {
        if (!files.isVisible()) return;
        files.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
        static_cast<QDialog&>(files).accept();
    });
    retry->start(50);
}

// Drops `files` on `target` as a user drops them, anywhere on the window;
// true when the window let the drag in.
inline bool DropOn(QWidget& target, const QList<QUrl>& files) {
    QMimeData data;
    data.setUrls(files);
    QWidget& window = *target.window();
    const QPoint at = target.mapTo(&window, target.rect().center());
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.windowHandle(), &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.windowHandle(), &drop);
    return true;
}

// Whether each pixel of `one`, with the same pixel of `other` if given, is
// one that `picks` picks, row by row; and how many are.
using PixelTest = std::function<bool(const QColor&, const QColor&)>;
inline std::vector<bool> PixelsWhere(const QImage& one, const QImage& other, const PixelTest& picks) {
    std::vector<bool> picked;
    picked.reserve(static_cast<std::size_t>(one.width()) * one.height());
    for (int y = 0; y < one.height(); ++y) {
        for (int x = 0; x < one.width(); ++x) picked.push_back(picks(one.pixelColor(x, y), other.pixelColor(x, y)));
    }
    return picked;
}

inline int CountPixels(const QImage& one, const QImage& other, const PixelTest& picks) {
    return static_cast<int>(std::ranges::count(PixelsWhere(one, other, picks), true));
}

inline int CountPixels(const QImage& picture, const std::function<bool(const QColor&)>& picks) {
    return CountPixels(picture, picture, [&picks](const QColor& colour, const QColor&) { return picks(colour); });
}

// Whether two pixels of the view differ clearly: more than rounding and
// multisampling change.
inline bool Differ(const QColor& a, const QColor& b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())}) > 24;
}

// What an import showed the user before it ended.
struct Imported {
    QString report;           // the results dialog's
    QString statusAtResults;  // the status bar's as the results dialog came
};

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

    // Starts an import with `start` (a menu, a drop, a button), reads its
    // results dialog, which comes once, saving its picture as `picture` if
    // named, and waits for the import to end and, when `expectModel`, its
    // model to be framed and drawn.
    Imported ImportAndWait(const std::function<void()>& start, bool expectModel = true, const QString& picture = {});
    Imported ImportAndWait(const QString& path) {
        return ImportAndWait([&] { window_->Import(path); });
    }

    // Opens the model file `path`, through File > Open or not; true once
    // it is framed and drawn.
    [[nodiscard]] bool OpenAndWait(const QString& path, bool throughMenu = false);

    inline static std::unique_ptr<kvhost::ImporterPlugin> plugin_;
    QTimer deadline_;
    std::unique_ptr<StudioWindow> window_;
    TemporaryFolder folder_;
};

}  // namespace studiotest
