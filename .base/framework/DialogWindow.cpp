#include "framework/DialogWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>

#include "framework/CDialog.h"
#include "framework/DialogUnits.h"

namespace hollin::framework {

namespace {

bool Has(std::uint32_t style, std::uint32_t bit) {
    return (style & bit) != 0;
}

Qt::WindowFlags WindowFlagsFor(std::uint32_t style) {
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
    if (Has(style, dialog_style::Caption)) flags |= Qt::WindowTitleHint;
    if (Has(style, dialog_style::SystemMenu)) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    return flags;
}

QWidget* MakePushButton(const DialogControl& control, QDialog& window) {
    auto* button = new QPushButton(QString::fromUtf8(control.text), &window);
    button->setDefault(Has(control.style, control_style::DefaultButton));
    if (control.id == IDOK) QObject::connect(button, &QPushButton::clicked, &window, &QDialog::accept);
    if (control.id == IDCANCEL) QObject::connect(button, &QPushButton::clicked, &window, &QDialog::reject);
    return button;
}

QWidget* MakeComboBox(const DialogControl& control, QDialog& window, const DialogBaseUnits& base, QRect& geometry) {
    auto* box = new QComboBox(&window);
    box->setEditable(!Has(control.style, control_style::DropDownList));
    // The template's height includes the opened list; the closed box is as
    // high as its font needs, and the list shows as many items as fit below.
    const int fullHeight = geometry.height();
    geometry.setHeight(std::min(box->sizeHint().height(), fullHeight));
    const int itemHeight = std::max(1, base.lineHeight);
    box->setMaxVisibleItems(std::max(1, (fullHeight - geometry.height()) / itemHeight));
    return box;
}

QWidget* MakeStaticText(const DialogControl& control, QDialog& window) {
    auto* label = new QLabel(QString::fromUtf8(control.text), &window);
    const Qt::Alignment horizontal = Has(control.style, control_style::RightAligned) ? Qt::AlignRight : Qt::AlignLeft;
    label->setAlignment(horizontal | Qt::AlignTop);
    return label;
}

// Edit boxes are the multi-line kind: the only one that templates use.
QWidget* MakeEditBox(const DialogControl& control, QDialog& window, const DialogBaseUnits& base) {
    auto* edit = new QPlainTextEdit(&window);
    edit->setReadOnly(Has(control.style, control_style::ReadOnly));
    edit->setTextInteractionFlags(edit->isReadOnly()
                                      ? Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard
                                      : Qt::TextEditorInteraction);
    edit->setLineWrapMode(Has(control.style, control_style::AutoHorizontalScroll) ? QPlainTextEdit::NoWrap
                                                                                  : QPlainTextEdit::WidgetWidth);
    edit->setVerticalScrollBarPolicy(Has(control.style, control_style::VerticalScroll) ? Qt::ScrollBarAlwaysOn
                                                                                       : Qt::ScrollBarAlwaysOff);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (!Has(control.style, control_style::Border)) edit->setFrameShape(QFrame::NoFrame);
    // Tab stops every 32 dialog units, as in the edit box of a dialog.
    edit->setTabStopDistance(DialogUnitsToPixelsX(32, base));
    // In a dialog, Tab moves on to the next control.
    edit->setTabChangesFocus(true);
    return edit;
}

QWidget* MakeControl(const DialogControl& control, QDialog& window, const DialogBaseUnits& base, QRect& geometry) {
    switch (control.kind) {
        case ControlKind::PushButton:
            return MakePushButton(control, window);
        case ControlKind::CheckBox:
            return new QCheckBox(QString::fromUtf8(control.text), &window);
        case ControlKind::ComboBox:
            return MakeComboBox(control, window, base, geometry);
        case ControlKind::StaticText:
            return MakeStaticText(control, window);
        case ControlKind::GroupBox:
            return new QGroupBox(QString::fromUtf8(control.text), &window);
        case ControlKind::EditBox:
            return MakeEditBox(control, window, base);
    }
    return nullptr;
}

}  // namespace

DialogWindow::DialogWindow(CDialog& owner, const DialogTemplate& dialogTemplate)
    : QDialog(nullptr, WindowFlagsFor(dialogTemplate.style)), owner_(owner) {
    QFont font = QApplication::font();
    font.setPointSize(dialogTemplate.pointSize);
    setFont(font);
    setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
    const DialogBaseUnits base = BaseUnitsOf(font);
    setFixedSize(DialogUnitsToPixelsX(dialogTemplate.width, base), DialogUnitsToPixelsY(dialogTemplate.height, base));

    QWidget* previousTabStop = nullptr;
    for (const DialogControl& control : dialogTemplate.Controls()) {
        QRect geometry = MapDialogRect(control.rect, base);
        QWidget* widget = MakeControl(control, *this, base, geometry);
        if (widget == nullptr) continue;
        widget->setGeometry(geometry);
        widget->setProperty(kControlIdProperty, control.id);
        if (!Has(control.style, control_style::Visible)) widget->hide();
        // Earlier controls lie on top, so that a frame listed after the
        // controls inside it never takes their clicks.
        widget->lower();
        if (Has(control.style, control_style::TabStop)) {
            widget->setFocusPolicy(Qt::StrongFocus);
            if (previousTabStop == nullptr) firstTabStop_ = widget;
            else QWidget::setTabOrder(previousTabStop, widget);
            previousTabStop = widget;
        } else if (widget->focusPolicy() != Qt::NoFocus) {
            widget->setFocusPolicy(Qt::ClickFocus);
        }
        controls_.emplace_back(control.id, widget);
    }
}

QWidget* DialogWindow::Control(std::int32_t id) const {
    const auto found =
        std::find_if(controls_.begin(), controls_.end(), [id](const auto& entry) { return entry.first == id; });
    return found == controls_.end() ? nullptr : found->second;
}

void DialogWindow::accept() {
    owner_.OnOK();
}

void DialogWindow::reject() {
    owner_.OnCancel();
}

}  // namespace hollin::framework
