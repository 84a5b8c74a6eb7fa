#pragma once

#include <QComboBox>
#include <QPointer>

#include "utils/Utf16String.h"

namespace hollin::framework {

// A dialog's combo box control, reached through the dialog's data exchange
// (DDX_Control). Knows the control only while the dialog is open.
class CComboBox {
public:
    CComboBox() = default;
    CComboBox(const CComboBox&) = delete;
    CComboBox& operator=(const CComboBox&) = delete;

    void Attach(QComboBox* control) { control_ = control; }
    QComboBox* GetControl() const { return control_; }

    // Adds an item at the end of the list without changing the selection;
    // returns its index, or -1 when no control is attached.
    int AddString(const hollin::utils::Utf16String& text);

    // Selects the item at `index`. An index outside the list clears the
    // selection and returns -1; otherwise returns `index`.
    int SetCurSel(int index);

private:
    QPointer<QComboBox> control_;
};

// Selects the item at `index` of a combo box, or nothing when the index is
// outside its list; returns the selected index or -1.
int SelectComboBoxItem(QComboBox& box, int index);

}  // namespace hollin::framework
