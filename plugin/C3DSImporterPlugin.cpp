#include "plugin/C3DSImporterPlugin.h"

#include "convert/C3DSImporter.h"
#include "convert/ImportReport.h"
#include "l10n/LocalizedStrings.h"
#include "plugin/LocalizedProgressMessages.h"
#include "plugin/ProgressAdapterFromAPI.h"
#include "Preferences.h"
#include "settings/ImportSettings.h"

namespace hollin::importer {

using hollin::utils::Utf16String;

std::string C3DSImporterPlugin::GetIdentifier() const {
    return "com.hollin.importers.3ds";
}

std::int32_t C3DSImporterPlugin::GetFileExtensionCount() const {
    return 1;
}

std::string C3DSImporterPlugin::GetFileExtension(std::int32_t /*index*/) const {
    return "3ds";
}

std::string C3DSImporterPlugin::GetDescription() const {
    return hollin::l10n::GetLocalizedString("3DS Files (*.3ds)").ToUtf8();
}

bool C3DSImporterPlugin::SupportsOptions() const {
    return true;
}

std::int32_t C3DSImporterPlugin::HostQueryInt() const {
    return 1;
}

bool C3DSImporterPlugin::ConvertToModel(const std::string& inputPath, const std::string& outputPath,
                                        HostProgressCallback* progress, ImportOptions* options) {
    C3DSImporter converter;
    // A report the host never asked for belongs to a conversion that is over.
    pendingReport_.Clear();
    converter.SetProgressMessages(LocalizedProgressMessages());

    // The host's entry of each setting when it has the setting's own type,
    // the stored setting otherwise; the store is read only for those.
    converter.SetSettings(
        hollin::settings::ResolveImportSettings(hollin::prefs::Get(), hollin::settings::GivenInHostOptions(options)));

    const Utf16String input = Utf16String::FromUtf8(inputPath);
    const Utf16String output = Utf16String::FromUtf8(outputPath);
    ProgressAdapterFromAPI adapter(progress);
    const bool loaded = converter.ConvertFile(input, output, &adapter);

    Utf16String report;
    if (loaded) report = FormatImportSummary(converter.MaterialCount(), converter.NodeCount(), converter.MeshCount());
    ImportErrorList errors = converter.Errors();
    report += FormatErrorReport(errors);
    pendingReport_ = std::move(report);
    return loaded;
}

void C3DSImporterPlugin::ShowSummary() {
    if (!pendingReport_.IsEmpty()) ShowSummaryDialog(pendingReport_);
    pendingReport_.Clear();
}

}  // namespace hollin::importer
