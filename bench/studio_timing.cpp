// What a large import costs in kvstudio's window, as a user meets it: the
// conversion on its thread, opening the model in the view, and how long the
// window goes without answering (the longest gap between ticks of a 10 ms
// timer on the GUI thread) in each. With --cancel-at=PERCENT it presses the
// progress dialog's Cancel once the import passes PERCENT and reports how
// long the cancellation took and how many meshes the view then holds. The
// results dialog is closed as soon as it is up.
//
//   xvfb-run -a build/bench/studio_timing [--cancel-at=PERCENT] SCENE.3ds

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QPushButton>
#include <QSurfaceFormat>
#include <QTimer>
#include <QtQuick3D/qquick3d.h>

#include <cstdio>
#include <memory>
#include <string>

#include "FreedMemory.h"
#include "ImporterPlugin.h"
#include "ModelView.h"
#include "StudioWindow.h"

namespace {

// The longest time the GUI thread went without running a 10 ms timer.
class StallWatch {
public:
    StallWatch() {
        QObject::connect(&ticks_, &QTimer::timeout, [this] {
            longest_ = std::max(longest_, sinceTick_.restart());
        });
        ticks_.start(10);
        sinceTick_.start();
    }
    qint64 TakeLongest() {
        // A gap running now is split between the phases.
        const qint64 longest = std::max(longest_, sinceTick_.restart());
        longest_ = 0;
        return longest;
    }

private:
    QTimer ticks_;
    QElapsedTimer sinceTick_;
    qint64 longest_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    kvhost::KeepFreedMemoryForReuse();
    QApplication application(argc, argv);
    QSurfaceFormat::setDefaultFormat(QQuick3D::idealSurfaceFormat());
    const QStringList arguments = QApplication::arguments().mid(1);
    if (arguments.isEmpty()) {
        std::fprintf(stderr, "usage: studio_timing [--cancel-at=PERCENT] SCENE.3ds\n");
        return 2;
    }
    const int cancelAt = arguments.size() > 1 ? arguments.front().section('=', 1).toInt() : -1;

    std::string error;
    const std::unique_ptr<kvhost::ImporterPlugin> plugin = kvhost::ImporterPlugin::Load(KV_PLUGIN_PATH, error);
    if (!plugin) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    kvstudio::StudioWindow window(plugin->Importer());
    window.resize(1280, 800);
    window.show();

    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->accept();
    });
    closer.start(50);

    StallWatch stalls;
    QElapsedTimer clock;
    qint64 cancelledAt = -1;
    qint64 converted = -1;
    qint64 conversionStall = 0;
    QObject::connect(&window, &kvstudio::StudioWindow::ConversionEnded, [&] {
        converted = clock.elapsed();
        conversionStall = stalls.TakeLongest();
    });
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* progress = window.findChild<QProgressDialog*>();
        if (cancelAt < 0 || progress == nullptr || progress->value() < cancelAt || cancelledAt >= 0) return;
        cancelledAt = clock.elapsed();
        progress->findChild<QPushButton*>()->click();
    });
    watch.start(5);
    QObject::connect(&window, &kvstudio::StudioWindow::ModelShown, [&] {
        const qint64 shown = clock.elapsed();
        std::printf("conversion: %lld ms, longest stall of the window %lld ms\n", static_cast<long long>(converted),
                    static_cast<long long>(conversionStall));
        if (cancelledAt >= 0) {
            std::printf("cancelled at %lld ms: the conversion ended %lld ms later\n", static_cast<long long>(cancelledAt),
                        static_cast<long long>(converted - cancelledAt));
        }
        std::printf("model in the view %lld ms later, longest stall of the window %lld ms: %d meshes\n",
                    static_cast<long long>(shown - converted), static_cast<long long>(stalls.TakeLongest()),
                    window.View().MeshCount());
        QApplication::quit();
    });

    clock.start();
    window.Import(arguments.back());
    return QApplication::exec();
}
