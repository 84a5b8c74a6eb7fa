#include "framework/CComboBox.h"

#include "framework/QtText.h"

namespace hollin::framework {

int CComboBox::AddString(const hollin::utils::Utf16String& text) {
    if (control_ == nullptr) return -1;
    // Qt selects the first item added to an empty list; a list control
    // keeps showing no selection until one is made.
    const int selection = control_->currentIndex();
    control_->addItem(ToQString(text));
    control_->setCurrentIndex(selection);
    return control_->count() - 1;
}

int CComboBox::SetCurSel(int index) {
    return control_ == nullptr ? -1 : SelectComboBoxItem(*control_, index);
}

int SelectComboBoxItem(QComboBox& box, int index) {
    const int selection = index >= 0 && index < box.count() ? index : -1;
    box.setCurrentIndex(selection);
    return selection;
}

}  // namespace hollin::framework
