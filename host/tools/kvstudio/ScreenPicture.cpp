#include "ScreenPicture.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

#include "ModelView.h"
#include "StudioWindow.h"

namespace kvstudio {

namespace {

// Qt Quick draws the framed model a frame or two after it reports it shown.
constexpr int kSettleMilliseconds = 500;

void Finish(int exitCode, const QString& why = {}) {
    if (!why.isEmpty()) std::fprintf(stderr, "kvstudio: %s\n", why.toUtf8().constData());
    QApplication::exit(exitCode);
}

}  // namespace

bool SavePicture(StudioWindow& window, const QString& path) {
    return QDir().mkpath(QFileInfo(path).absolutePath()) && window.grab().save(path, "PNG");
}

void TakePictureOnceShown(StudioWindow& window, const QString& path) {
    auto* closer = new QTimer(&window);
    QObject::connect(closer, &QTimer::timeout, &window, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
    });
    closer->start(100);
    QObject::connect(&window, &StudioWindow::ModelShown, &window, [&window, path] {
        QTimer::singleShot(kSettleMilliseconds, &window, [&window, path] {
            if (SavePicture(window, path)) {
                Finish(0);
            } else {
                Finish(1, QStringLiteral("cannot save the picture"));
            }
        });
    });
    QObject::connect(&window, &StudioWindow::Failed, &window, [](const QString& why) { Finish(1, why); });
}

}  // namespace kvstudio
