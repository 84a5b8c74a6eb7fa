// What a large import costs in kvstudio's window, as a user meets it, next
// to kvimport converting the same file with the same stored options in the
// same run: kvimport first, then the window once it is drawn, which converts
// on its thread and opens the model in the view. It prints the time of each,
// how long the window goes without answering (the longest gap between ticks
// of a 10 ms timer on the GUI thread) in each, and the peak memory of both.
// With --cancel-at=PERCENT it presses the progress dialog's Cancel once the
// import passes PERCENT and reports how long the cancellation took and how
// many meshes the view then holds. The results dialog is closed as soon as
// it is up. Once the model is drawn, and the view's coarser drawing of a
// large model for the camera's moves is made, it orbits the camera as a
// user does, an arrow key pressed after every frame, and prints the median
// and the worst time of a frame while orbiting.
//
//   xvfb-run -a build/bench/studio_timing [--cancel-at=PERCENT] [--orbit-frames=N] SCENE.3ds

#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QFile>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QQuickWindow>
#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <QtQuick3D/qquick3d.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

double MiB(long kibibytes) {
    return static_cast<double>(kibibytes) / 1024.0;
}

// The peak resident memory of this process, or of the largest child waited for.
long PeakKiB(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_maxrss;
}

long ResidentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').front().toLong();
    }
    return 0;
}

// kvimport on the scene, as the benchmark of record runs it but with the
// importer's stored options, which the window's import takes too.
bool RunKvimport(const QString& scene) {
    const QTemporaryDir output;
    QElapsedTimer clock;
    clock.start();
    QProcess kvimport;
    kvimport.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    kvimport.setStandardOutputFile(QProcess::nullDevice());
    kvimport.start(QStringLiteral(KV_KVIMPORT_PATH), {QStringLiteral("--progress=none"), scene, output.filePath(QStringLiteral("out.kvm"))});
    if (!kvimport.waitForFinished(-1) || kvimport.exitCode() != 0) {
        std::fprintf(stderr, "kvimport did not convert %s\n", qPrintable(scene));
        return false;
    }
    std::printf("kvimport: %lld ms, peak memory %.0f MiB\n", static_cast<long long>(clock.elapsed()),
                MiB(PeakKiB(RUSAGE_CHILDREN)));
    return true;
}

// Orbits the view's camera as a user does with the arrow keys: a key press
// after every frame, each turning the camera ten degrees. A frame's time
// runs from the end of one frame drawn to the end of the next.
class OrbitClock {
public:
    OrbitClock(int frames, std::function<void()> done) : frames_(frames), done_(std::move(done)) {
        stalled_.setSingleShot(true);
        QObject::connect(&stalled_, &QTimer::timeout, [this] {
            std::fprintf(stderr, "orbiting: no frame drawn within %d s\n", kStalledMilliseconds / 1000);
            QApplication::exit(1);
        });
    }

    void Start(kvstudio::ModelView& view) {
        view_ = &view;
        drawn_ = QObject::connect(view.QuickWindow(), &QQuickWindow::afterRendering, &view, [this] { Frame(); },
                                  Qt::QueuedConnection);
        Turn();
    }

    void Report() const {
        std::vector<qint64> sorted = times_;
        std::sort(sorted.begin(), sorted.end());
        std::printf("orbiting: %zu frames, median %lld ms, worst %lld ms\n", sorted.size(),
                    static_cast<long long>(sorted[sorted.size() / 2]), static_cast<long long>(sorted.back()));
    }

private:
    static constexpr int kStalledMilliseconds = 60'000;

    void Turn() {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
        QApplication::sendEvent(view_, &press);
        stalled_.start(kStalledMilliseconds);
    }

    void Frame() {
        if (clock_.isValid()) {
            times_.push_back(clock_.restart());
        } else {
            clock_.start();
        }
        if (static_cast<int>(times_.size()) == frames_) {
            stalled_.stop();
            QObject::disconnect(drawn_);
            done_();
            return;
        }
        Turn();
    }

    kvstudio::ModelView* view_ = nullptr;
    QMetaObject::Connection drawn_;
    const int frames_;
    std::function<void()> done_;
    QTimer stalled_;
    QElapsedTimer clock_;
    std::vector<qint64> times_;
};

}  // namespace

int main(int argc, char** argv) {
    // As kvstudio's own main sets up its process.
    kvhost::GrowTheHeapOnHugePages(argv);
    kvhost::KeepFreedMemoryForReuse();
    QApplication application(argc, argv);
    QSurfaceFormat::setDefaultFormat(QQuick3D::idealSurfaceFormat());
    const QStringList arguments = QApplication::arguments().mid(1);
    if (arguments.isEmpty()) {
        std::fprintf(stderr, "usage: studio_timing [--cancel-at=PERCENT] [--orbit-frames=N] SCENE.3ds\n");
        return 2;
    }
    const auto option = [&](const QString& name, int otherwise) {
        for (const QString& argument : arguments) {
            if (argument.startsWith(name + '=')) return argument.section('=', 1).toInt();
        }
        return otherwise;
    };
    const int cancelAt = option(QStringLiteral("--cancel-at"), -1);
    const int orbitFrames = std::max(option(QStringLiteral("--orbit-frames"), 30), 1);
    const QString scene = arguments.back();
    if (!RunKvimport(scene)) return 1;

    std::string error;
    const std::unique_ptr<kvhost::ImporterPlugin> plugin = kvhost::ImporterPlugin::Load(KV_PLUGIN_PATH, error);
    if (!plugin) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    kvstudio::StudioWindow window(plugin->Importer());
    window.resize(1280, 800);
    window.show();
    QObject::connect(&window.View(), &kvstudio::ModelView::Unavailable, [](const QString& why) {
        std::fprintf(stderr, "the view cannot draw: %s\n", qPrintable(why));
        QApplication::exit(1);
    });

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
    qint64 shown = -1;
    qint64 viewStall = 0;
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
    QTimer coarse;
    OrbitClock orbit(orbitFrames, [&] {
        orbit.Report();
        QApplication::quit();
    });
    // The model is on screen once the first frame after it was shown is
    // drawn: the view makes its Qt Quick window for the first model.
    const auto report = [&] {
        const qint64 drawn = clock.elapsed();
        const qint64 drawStall = stalls.TakeLongest();
        std::printf("conversion: %lld ms, longest stall of the window %lld ms\n", static_cast<long long>(converted),
                    static_cast<long long>(conversionStall));
        if (cancelledAt >= 0) {
            std::printf("cancelled at %lld ms: the conversion ended %lld ms later\n", static_cast<long long>(cancelledAt),
                        static_cast<long long>(converted - cancelledAt));
        }
        std::printf("model in the view %lld ms later, longest stall of the window %lld ms: %d meshes\n",
                    static_cast<long long>(shown - converted), static_cast<long long>(viewStall), window.View().MeshCount());
        std::printf("drawn %lld ms after that, longest stall of the window %lld ms\n", static_cast<long long>(drawn - shown),
                    static_cast<long long>(drawStall));
        coarse.start(10);
    };
    // A large model's coarser drawing for the camera's moves is made on a
    // thread of its own after the model is shown; a small one has none.
    QObject::connect(&coarse, &QTimer::timeout, [&] {
        constexpr qint64 kLongestWait = 10'000;
        const bool made = window.View().HasCoarseDrawing();
        if (!made && clock.elapsed() - shown < kLongestWait) return;
        coarse.stop();
        if (made) std::printf("coarser drawing made %lld ms after the model was shown\n", static_cast<long long>(clock.elapsed() - shown));
        orbit.Start(window.View());
    });
    QObject::connect(&window, &kvstudio::StudioWindow::ModelShown, [&] {
        shown = clock.elapsed();
        viewStall = stalls.TakeLongest();
        QObject::connect(window.View().QuickWindow(), &QQuickWindow::afterRendering, &window, report,
                         static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
    });

    // The import starts once the window is on screen, as when a user drops a file on it.
    long windowKiB = 0;
    QTimer starter;
    QObject::connect(&starter, &QTimer::timeout, [&] {
        if (!window.windowHandle()->isExposed()) return;
        starter.stop();
        windowKiB = ResidentKiB();
        clock.start();
        window.Import(scene);
    });
    starter.start(50);
    const int exitCode = QApplication::exec();
    const long kvimportKiB = PeakKiB(RUSAGE_CHILDREN);
    const long kvstudioKiB = PeakKiB(RUSAGE_SELF);
    std::printf("peak memory: kvstudio %.0f MiB, %.2fx kvimport's; the window held %.0f MiB before the import\n",
                MiB(kvstudioKiB), static_cast<double>(kvstudioKiB) / static_cast<double>(kvimportKiB), MiB(windowKiB));
    return exitCode;
}
