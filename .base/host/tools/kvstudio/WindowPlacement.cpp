#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QSettings>

namespace kvstudio {

namespace {

constexpr QSize kFirstSize(1280, 800);
const char* const kGeometryKey = "window/geometry";
const char* const kStateKey = "window/state";

}  // namespace

void RestorePlacement(QMainWindow& window) {
    const QSettings settings;
    const bool restored = window.restoreGeometry(settings.value(QLatin1String(kGeometryKey)).toByteArray());
    window.restoreState(settings.value(QLatin1String(kStateKey)).toByteArray());
    const QScreen* screen = window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    // In the screen's own units, which the scale factor makes smaller.
    const QRect available = screen->availableGeometry();
    const QSize frame = window.frameGeometry().size() - window.geometry().size();
    const QSize room = available.size() - frame;
    QSize size = (restored ? window.size() : kFirstSize).boundedTo(room);
    size = size.expandedTo(window.minimumSizeHint().boundedTo(room));
    window.resize(size);
    QRect placed = window.frameGeometry();
    if (!restored || !available.contains(placed)) {
        placed.moveCenter(available.center());
        placed.moveTopLeft(QPoint(std::max(placed.left(), available.left()), std::max(placed.top(), available.top())));
        window.move(placed.topLeft());
    }
}

void SavePlacement(const QMainWindow& window) {
    QSettings settings;
    settings.setValue(QLatin1String(kGeometryKey), window.saveGeometry());
    settings.setValue(QLatin1String(kStateKey), window.saveState());
}

}  // namespace kvstudio
