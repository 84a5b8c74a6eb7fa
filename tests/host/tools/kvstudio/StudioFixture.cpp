// What kvstudio's window tests share.

#include "StudioFixture.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSignalSpy>

#include <algorithm>

namespace studiotest {

::testing::AssertionResult Contains(const QString& text, const QString& part) {
    if (text.contains(part)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << part.toStdString() << "\" is not in \"" << text.toStdString() << "\"";
}

QString ScreenshotPath(const char* name) {
    const QString language = QLocale().name().section(QLatin1Char('_'), 0, 0);
    const QString suffix = language == QLatin1String("en") || language == QLatin1String("C") ? QString() : "-" + language;
    return QStringLiteral(KV_SCREENSHOT_DIR "/%1%2.png").arg(QLatin1String(name), suffix);
}

// The file dialog lists its folder in the background and may replace a
// chosen name meanwhile, so the name is typed in again until it is taken.
void ChooseFile(QFileDialog& files, const QString& path) {
    auto* retry = new QTimer(&files);
    QObject::connect(retry, &QTimer::timeout, &files, [&files, path] {
        if (!files.isVisible()) return;
        files.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
        static_cast<QDialog&>(files).accept();
    });
    retry->start(50);
}

bool DropOn(QWidget& target, const QList<QUrl>& files) {
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

std::vector<bool> PixelsWhere(const QImage& one, const QImage& other, const PixelTest& picks) {
    std::vector<bool> picked;
    picked.reserve(static_cast<std::size_t>(one.width()) * one.height());
    for (int y = 0; y < one.height(); ++y) {
        for (int x = 0; x < one.width(); ++x) picked.push_back(picks(one.pixelColor(x, y), other.pixelColor(x, y)));
    }
    return picked;
}

int CountPixels(const QImage& one, const QImage& other, const PixelTest& picks) {
    return static_cast<int>(std::ranges::count(PixelsWhere(one, other, picks), true));
}

int CountPixels(const QImage& picture, const std::function<bool(const QColor&)>& picks) {
    return CountPixels(picture, picture, [&picks](const QColor& colour, const QColor&) { return picks(colour); });
}

bool Differ(const QColor& a, const QColor& b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())}) > 24;
}

Imported Studio::ImportAndWait(const std::function<void()>& start, bool expectModel, const QString& picture) {
    QSignalSpy finished(window_.get(), &StudioWindow::ImportFinished);
    QSignalSpy shown(window_.get(), &StudioWindow::ModelShown);
    Imported seen;
    int resultsShown = 0;
    const QPointer<QTimer> results = WhenDialogOpens(
        [&](QDialog& dialog) {
            ++resultsShown;
            seen.statusAtResults = StatusText();
            seen.report = dialog.findChild<QPlainTextEdit*>()->toPlainText();
            if (!picture.isEmpty()) dialog.grab().save(picture);
            dialog.accept();
        },
        [](const QDialog& dialog) { return dialog.findChild<QPlainTextEdit*>() != nullptr; });
    start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1 && (!expectModel || shown.count() >= 1); }, kImportTimeoutMs))
        << "the import did not end";
    // Nor does a results dialog that never came wait for the next import's.
    delete results;
    EXPECT_EQ(resultsShown, 1);
    if (expectModel) QTest::qWait(kDrawnMs);
    return seen;
}

bool Studio::OpenAndWait(const QString& path, bool throughMenu) {
    QSignalSpy shown(window_.get(), &StudioWindow::ModelShown);
    if (throughMenu) {
        WhenDialogOpens([path](QDialog& dialog) { ChooseFile(dynamic_cast<QFileDialog&>(dialog), path); });
        Action("open").trigger();
    } else {
        window_->Open(path);
    }
    if (!QTest::qWaitFor([&] { return shown.count() == 1; }, kImportTimeoutMs)) return false;
    QTest::qWait(kDrawnMs);
    return true;
}

}  // namespace studiotest
