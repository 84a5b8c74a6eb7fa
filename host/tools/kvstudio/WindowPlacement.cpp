#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QMainWindow>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QTimer>

#include <algorithm>

namespace kvstudio {

namespace {

constexpr QSize kFirstSize(1280, 800);
const char* const kGeometryKey = "window/geometry";
const char* const kStateKey = "window/state";
// Before the window is first shown its frame is not known: room is left for
// a title bar and borders as large as the desktops' usual ones.
constexpr QSize kUnknownFrame(16, 48);

// The window's size and place are kept for each scale factor: one fitted to
// the screen at twice the scale is not the size the user chose at one.
QString GeometryKey(const QScreen& screen) {
    const qreal scale = screen.devicePixelRatio();
    if (scale == 1.0) return QLatin1String(kGeometryKey);
    return QStringLiteral("%1@%2x").arg(QLatin1String(kGeometryKey)).arg(scale);
}

const QScreen* ScreenOf(const QWidget& window) {
    return window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
}

// Moves each dialog over the window as it is shown, before it is on screen.
class DialogCentring final : public QObject {
public:
    explicit DialogCentring(QMainWindow& window) : QObject(&window), window_(window) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (event->type() != QEvent::Show || dialog == nullptr || !dialog->isWindow() || !window_.isVisible()) return false;
        Centre(*dialog);
        // A message box takes its size as it is shown: centred again then.
        QTimer::singleShot(0, this, [this, shown = QPointer<QDialog>(dialog)] {
            if (shown) Centre(*shown);
        });
        return false;
    }

private:
    void Centre(QDialog& dialog) const {
        QRect placed = dialog.frameGeometry();
        placed.moveCenter(window_.frameGeometry().center());
        if (const QScreen* screen = window_.screen()) {
            const QRect available = screen->availableGeometry();
            placed.moveLeft(std::clamp(placed.left(), available.left(), std::max(available.left(), available.right() - placed.width())));
            placed.moveTop(std::clamp(placed.top(), available.top(), std::max(available.top(), available.bottom() - placed.height())));
        }
        dialog.move(placed.topLeft());
    }

    QMainWindow& window_;
};

}  // namespace

void CentreDialogsOver(QMainWindow& window) {
    QApplication::instance()->installEventFilter(new DialogCentring(window));
}

void RestorePlacement(QMainWindow& window) {
    const QScreen* screen = ScreenOf(window);
    if (screen == nullptr) return;
    const QSettings settings;
    const bool restored = window.restoreGeometry(settings.value(GeometryKey(*screen)).toByteArray());
    window.restoreState(settings.value(QLatin1String(kStateKey)).toByteArray());
    // In the screen's own units, which the scale factor makes smaller.
    const QRect available = screen->availableGeometry();
    const QSize known = window.frameGeometry().size() - window.geometry().size();
    const QSize frame = known.isEmpty() ? kUnknownFrame : known;
    const QSize room = available.size() - frame;
    // What the panels and the view need gives way to the screen.
    window.setMinimumSize(window.minimumSizeHint().boundedTo(room));
    window.resize((restored ? window.size() : kFirstSize).boundedTo(room));
    QRect placed(window.pos(), window.size() + frame);
    if (!restored || !available.contains(placed)) {
        placed.moveCenter(available.center());
        placed.moveTopLeft(QPoint(std::max(placed.left(), available.left()), std::max(placed.top(), available.top())));
        window.move(placed.topLeft());
    }
}

void SavePlacement(const QMainWindow& window) {
    QSettings settings;
    if (const QScreen* screen = ScreenOf(window)) settings.setValue(GeometryKey(*screen), window.saveGeometry());
    settings.setValue(QLatin1String(kStateKey), window.saveState());
}

}  // namespace kvstudio
