#include "plugin/C3DSImporterPluginWin.h"

#include <cstdio>
#include <string>

#include "framework/CDialog.h"
#include "framework/ModuleState.h"
#include "plugin/ThisLibraryModuleState.h"
#include "settings/ImportSettings.h"
#include "ui/COptionsDialog.h"
#include "ui/CReportDialog.h"
#include "ui/StoredOptions.h"

namespace hollin::importer {

using hollin::framework::AFX_MAINTAIN_STATE2;
using hollin::utils::Utf16String;
using hollin::utils::Variant;

namespace {

void WriteReportToTerminal(const Utf16String& report) {
    const std::string text = report.ToUtf8();
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

}  // namespace

C3DSImporterPluginWin::~C3DSImporterPluginWin() = default;

void C3DSImporterPluginWin::ShowOptionsDialog() {
    AFX_MAINTAIN_STATE2 moduleState(&ThisLibraryModuleState());
    hollin::ui::COptionsDialog dialog;
    ImportOptions options = hollin::ui::ReadStoredOptions();
    const Utf16String mergeKey(hollin::settings::kMergeCoplanarFacesKey);
    const Utf16String unitsKey(hollin::settings::kUnitsKey);
    dialog.mergeChoice = options[mergeKey].AsBool() ? 1 : 0;
    dialog.unitIndex = options[unitsKey].AsInt32();
    // Without a Qt application DoModal cannot show the dialog and returns -1.
    if (dialog.DoModal() != hollin::framework::IDOK) return;
    options[mergeKey] = Variant(dialog.mergeChoice != 0);
    options[unitsKey] = Variant(dialog.unitIndex);
    hollin::ui::WriteStoredOptions(options);
}

void C3DSImporterPluginWin::ShowSummaryDialog(const Utf16String& report) {
    // A host without a Qt application (a command-line host) has no windows:
    // its terminal is where the user looks for the report.
    if (!hollin::framework::CanShowWindows()) {
        WriteReportToTerminal(report);
        return;
    }
    AFX_MAINTAIN_STATE2 moduleState(&ThisLibraryModuleState());
    Utf16String text = report;
    // The text box breaks lines only at CR LF pairs.
    text.ReplaceAll(u"\n", u"\r\n");
    hollin::ui::CReportDialog dialog;
    dialog.SetReportText(text);
    dialog.DoModal();
}

}  // namespace hollin::importer
