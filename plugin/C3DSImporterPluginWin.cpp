#include "plugin/C3DSImporterPluginWin.h"

#include <cstdio>
#include <string>

#include <QApplication>
#include <QCoreApplication>

namespace hollin::importer {

namespace {

void WriteReportToTerminal(const hollin::utils::Utf16String& report) {
    const std::string text = report.ToUtf8();
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

}  // namespace

C3DSImporterPluginWin::~C3DSImporterPluginWin() = default;

void C3DSImporterPluginWin::ShowOptionsDialog() {
    // The library has no options window: the options are set through the
    // host's preference store and its per-conversion options map.
}

void C3DSImporterPluginWin::ShowSummaryDialog(const hollin::utils::Utf16String& report) {
    // A host without a Qt application (a command-line host) has no windows:
    // its terminal is where the user looks for the summary.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        WriteReportToTerminal(report);
        return;
    }
    // A windowed host gets the report on its terminal too, since the library
    // has no results window of its own.
    WriteReportToTerminal(report);
}

}  // namespace hollin::importer
