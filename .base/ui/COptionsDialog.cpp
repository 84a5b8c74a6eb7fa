#include "ui/COptionsDialog.h"

#include "framework/DataExchange.h"
#include "resources/ResourceIds.h"
#include "ui/UnitNames.h"

namespace hollin::ui {

using namespace hollin::framework;
using namespace hollin::resources;

COptionsDialog::COptionsDialog() : CDialog(kOptionsDialogId) {}

COptionsDialog::~COptionsDialog() = default;

void COptionsDialog::DoDataExchange(CDataExchange* exchange) {
    CDialog::DoDataExchange(exchange);
    DDX_Check(exchange, kMergeCoplanarFacesCheckId, mergeChoice);
    DDX_Control(exchange, kUnitListId, unitList);
    DDX_CBIndex(exchange, kUnitListId, unitIndex);
}

bool COptionsDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    // An item's position is its unit index.
    for (const hollin::utils::Utf16String& name : UnitNames()) unitList.AddString(name);
    unitList.SetCurSel(unitIndex);
    return true;
}

}  // namespace hollin::ui
