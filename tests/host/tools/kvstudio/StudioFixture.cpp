// What kvstudio's window tests share.

#include "StudioFixture.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QPlainTextEdit>

namespace studiotest {

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

void WhenDialogOpens(std::function<void(QDialog&)> handle, std::function<bool(const QDialog&)> which) {
    auto* poll = new QTimer();
    QObject::connect(poll, &QTimer::timeout, [poll, handle = std::move(handle), which = std::move(which)] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible() || !which(*dialog)) return;
        poll->stop();
        poll->deleteLater();
        handle(*dialog);
    });
    poll->start(20);
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

void ReadResultsWhenShown(QString& report, int& shown, const QString& picture) {
    WhenDialogOpens(
        [&report, &shown, picture](QDialog& dialog) {
            ++shown;
            report = dialog.findChild<QPlainTextEdit*>()->toPlainText();
            if (!picture.isEmpty()) dialog.grab().save(picture);
            dialog.accept();
        },
        [](const QDialog& dialog) { return dialog.findChild<QPlainTextEdit*>() != nullptr; });
}

}  // namespace studiotest
