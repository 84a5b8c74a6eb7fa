#include "framework/DataExchange.h"

#include <QCheckBox>
#include <QPlainTextEdit>

#include "framework/CDialog.h"
#include "framework/QtText.h"

namespace hollin::framework {

namespace {

template <typename Control>
Control* ControlOf(const CDataExchange* exchange, std::int32_t id) {
    return qobject_cast<Control*>(exchange->dialog.GetDlgItem(id));
}

}  // namespace

void DDX_Check(CDataExchange* exchange, std::int32_t id, std::int32_t& value) {
    auto* box = ControlOf<QCheckBox>(exchange, id);
    if (box == nullptr) return;
    if (exchange->saveAndValidate) {
        value = box->isChecked() ? 1 : 0;
    } else {
        box->setChecked(value != 0);
    }
}

void DDX_Control(CDataExchange* exchange, std::int32_t id, CComboBox& control) {
    auto* box = ControlOf<QComboBox>(exchange, id);
    if (box != nullptr && control.GetControl() == nullptr) control.Attach(box);
}

void DDX_CBIndex(CDataExchange* exchange, std::int32_t id, std::int32_t& index) {
    auto* box = ControlOf<QComboBox>(exchange, id);
    if (box == nullptr) return;
    if (exchange->saveAndValidate) {
        index = box->currentIndex();
    } else {
        SelectComboBoxItem(*box, index);
    }
}

void DDX_Text(CDataExchange* exchange, std::int32_t id, hollin::utils::Utf16String& value) {
    auto* box = ControlOf<QPlainTextEdit>(exchange, id);
    if (box == nullptr) return;
    if (exchange->saveAndValidate) {
        // The raw text keeps every character as it was set, with paragraph
        // separators where the lines broke.
        QString text = box->document()->toRawText();
        text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
        value = FromQString(text);
    } else {
        box->setPlainText(ToQString(value));
    }
}

}  // namespace hollin::framework
