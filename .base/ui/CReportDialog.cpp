#include "ui/CReportDialog.h"

#include "framework/DataExchange.h"
#include "resources/ResourceIds.h"

namespace hollin::ui {

using namespace hollin::framework;

CReportDialog::CReportDialog() : CDialog(hollin::resources::kReportDialogId) {}

CReportDialog::~CReportDialog() = default;

void CReportDialog::DoDataExchange(CDataExchange* exchange) {
    CDialog::DoDataExchange(exchange);
    DDX_Text(exchange, hollin::resources::kReportTextId, reportText_);
}

}  // namespace hollin::ui
