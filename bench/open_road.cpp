// What each stage of File > Open costs in kvstudio's process: the modelling
// library's read of the file and its writing of the view's copy, the
// outline's and the view's reading of that copy, and the view's scene made
// and drawn once. After each stage it prints the time it took and the peak
// and current memory of the process (VmHWM, VmRSS); run it on models of two
// sizes to find what a placement, a triangle or an image costs. The view's
// budget applies as in kvstudio:
//
//   build/bench/make_model_bombs /tmp/bombs
//   xvfb-run -a build/bench/open_road /tmp/bombs/doubling-20.kvm

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <QTest>
#include <QtQuick3D/qquick3d.h>

#include <cstdio>
#include <string>

#include "KorvantaAPI.h"
#include "ModelForView.h"
#include "ModelView.h"

namespace {

qint64 StatusKilobytes(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field)) return line.mid(static_cast<qsizetype>(std::strlen(field))).trimmed().split(' ').front().toLongLong();
    }
    return 0;
}

void Report(const char* stage, QElapsedTimer& clock) {
    std::printf("%-28s %8.2f s   peak %7lld MiB   now %7lld MiB\n", stage, static_cast<double>(clock.restart()) / 1000.0,
                StatusKilobytes("VmHWM:") / 1024, StatusKilobytes("VmRSS:") / 1024);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: open_road MODEL.kvm\n");
        return 2;
    }
    QApplication application(argc, argv);
    QSurfaceFormat::setDefaultFormat(QQuick3D::idealSurfaceFormat());
    QTemporaryDir scratch;
    const std::string copy = scratch.filePath(QStringLiteral("copy.glb")).toStdString();
    QElapsedTimer clock;
    clock.start();
    Report("start", clock);

    KVInitialize();
    KVModelRef model{};
    KVModelFileVerdict verdict{};
    if (KVModelCreateFromFile(&model, argv[1], &verdict) != KV_SUCCESS) {
        std::fprintf(stderr, "open_road: the library refused the file (fault %d)\n", verdict.fault);
        return 1;
    }
    Report("library read", clock);
    if (KVModelSaveToFile(model, copy.c_str()) != KV_SUCCESS) return 1;
    Report("library writes the copy", clock);
    KVModelRelease(&model);
    KVTerminate();
    Report("library done", clock);

    const kvstudio::ModelScene scene = kvstudio::ReadModelForView(copy).scene;
    if (!scene.whyNotDrawn.isEmpty()) {
        std::fprintf(stderr, "open_road: %s\n", qPrintable(scene.whyNotDrawn));
        return 1;
    }
    Report("scene read", clock);

    kvstudio::ModelView view;
    view.resize(1024, 768);
    view.show();
    QSignalSpy shown(&view, &kvstudio::ModelView::Shown);
    view.Show(scene);
    Report("scene made", clock);
    QTest::qWait(2000);
    Report("drawn (after 2 s)", clock);
    std::printf("meshes drawn: %d\n", view.MeshCount());
    return 0;
}
