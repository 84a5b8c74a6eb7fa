#pragma once

#include "plugin/C3DSImporterPlugin.h"

namespace hollin::importer {

// The importer with its windows: the options dialog and the results window.
class C3DSImporterPluginWin final : public C3DSImporterPlugin {
public:
    C3DSImporterPluginWin() = default;
    virtual ~C3DSImporterPluginWin();

    void ShowOptionsDialog() override;
    void ShowSummaryDialog(const hollin::utils::Utf16String& report) override;
};

}  // namespace hollin::importer
