#pragma once

#include <utility>

#include "framework/CDialog.h"
#include "utils/Utf16String.h"

namespace hollin::ui {

// "Import Results": the report of the last conversion in a read-only text
// box that keeps its lines unwrapped, and a Close button.
class CReportDialog final : public hollin::framework::CDialog {
public:
    CReportDialog();
    ~CReportDialog() override;

    // The text box breaks lines only at CR LF pairs.
    void SetReportText(hollin::utils::Utf16String text) { reportText_ = std::move(text); }

protected:
    void DoDataExchange(hollin::framework::CDataExchange* exchange) override;

private:
    hollin::utils::Utf16String reportText_;
};

}  // namespace hollin::ui
