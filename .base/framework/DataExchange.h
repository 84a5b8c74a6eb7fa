#pragma once

#include <cstdint>

#include "framework/CComboBox.h"
#include "utils/Utf16String.h"

namespace hollin::framework {

class CDialog;

// One run of a dialog's DoDataExchange: from the controls into the dialog's
// members when saveAndValidate, the other way otherwise.
class CDataExchange {
public:
    CDataExchange(const CDialog& dialog, bool saveAndValidate) : dialog(dialog), saveAndValidate(saveAndValidate) {}

    const CDialog& dialog;
    const bool saveAndValidate;
};

// Each exchange leaves the member alone when the dialog has no control of
// that id and kind.

// A check box's state as 0 (clear) or 1 (ticked).
void DDX_Check(CDataExchange* exchange, std::int32_t id, std::int32_t& value);
// Attaches `control` to the combo box with that id, once.
void DDX_Control(CDataExchange* exchange, std::int32_t id, CComboBox& control);
// A combo box's selected index; -1 when nothing is selected.
void DDX_CBIndex(CDataExchange* exchange, std::int32_t id, std::int32_t& index);
// An edit box's text, its lines ending in CR LF as the member has them.
void DDX_Text(CDataExchange* exchange, std::int32_t id, hollin::utils::Utf16String& value);

}  // namespace hollin::framework
