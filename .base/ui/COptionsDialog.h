#pragma once

#include <cstdint>

#include "framework/CComboBox.h"
#include "framework/CDialog.h"

namespace hollin::ui {

// "3DS Import Options": whether to merge coplanar faces and the length unit
// of the 3DS file. The caller sets the two choices before DoModal and reads
// them after OK; no other way of ending the dialog changes them.
class COptionsDialog final : public hollin::framework::CDialog {
public:
    COptionsDialog();
    ~COptionsDialog() override;

    // 0 or 1, the state of the merge check box.
    std::int32_t mergeChoice = 0;
    // The unit list while the dialog is open.
    hollin::framework::CComboBox unitList;
    // Index into UnitNames(); -1 after OK when no unit was selected.
    std::int32_t unitIndex = 0;

protected:
    void DoDataExchange(hollin::framework::CDataExchange* exchange) override;
    // Fills the unit list in index order and selects the unit index; an
    // index outside the list selects nothing.
    bool OnInitDialog() override;
};

}  // namespace hollin::ui
