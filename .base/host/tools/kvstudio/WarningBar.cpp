#include "WarningBar.h"

namespace kvstudio {

WarningBar::WarningBar(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("warningBar"));
    setWordWrap(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setMargin(8);
    setAutoFillBackground(true);
    QPalette warning = palette();
    warning.setColor(QPalette::Window, QColor(0xf8, 0xd7, 0xa8));
    warning.setColor(QPalette::WindowText, QColor(0x4a, 0x2a, 0x00));
    setPalette(warning);
    hide();
}

void WarningBar::Say(const QString& text) {
    setText(text);
    setVisible(!text.isEmpty());
}

}  // namespace kvstudio
