#include "ScreenPicture.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QStatusBar>
#include <QTimer>

#include <cstdio>
#include <memory>

#include "ModelView.h"
#include "StudioWindow.h"
#include "TerminalText.h"

namespace kvstudio {

namespace {

// Qt Quick draws the framed model a frame or two after it reports it shown.
constexpr int kSettleMilliseconds = 500;

void Say(const QString& text) {
    std::fprintf(stderr, "kvstudio: %s\n", kvhost::PrintableText(text.toStdString()).c_str());
}

}  // namespace

bool SavePicture(StudioWindow& window, const QString& path) {
    return QDir().mkpath(QFileInfo(path).absolutePath()) && window.grab().save(path, "PNG");
}

void TakePictureOnceShown(StudioWindow& window, const QString& path) {
    window.SetRemembersFiles(false);
    // Scripts see what the window says of the import, each thing once, and
    // nothing after the last word (the import that was to come, say).
    auto said = std::make_shared<QString>();
    auto over = std::make_shared<bool>(false);
    QObject::connect(window.statusBar(), &QStatusBar::messageChanged, &window, [said, over](const QString& message) {
        if (*over || message.isEmpty() || message == *said) return;
        *said = message;
        Say(message);
    });
    const auto finish = [said, over](int exitCode, const QString& why) {
        if (*over) return;
        *over = true;
        if (!why.isEmpty() && why != *said) Say(why);
        QApplication::exit(exitCode);
    };
    auto* closer = new QTimer(&window);
    QObject::connect(closer, &QTimer::timeout, &window, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
    });
    closer->start(100);
    QObject::connect(&window, &StudioWindow::ModelShown, &window, [&window, path, finish] {
        QTimer::singleShot(kSettleMilliseconds, &window, [&window, path, finish] {
            if (SavePicture(window, path)) {
                finish(0, {});
            } else {
                finish(1, QStringLiteral("cannot save the picture"));
            }
        });
    });
    QObject::connect(&window, &StudioWindow::Failed, &window, [finish](const QString& why) { finish(1, why); });
}

}  // namespace kvstudio
