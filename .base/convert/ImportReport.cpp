#include "convert/ImportReport.h"

#include "l10n/LocalizedStrings.h"
#include "utils/Format.h"

namespace hollin::importer {

using hollin::l10n::GetLocalizedString;

Utf16String GetErrorMessage(ImportErrorKind kind) {
    switch (kind) {
        case OpenFile: return GetLocalizedString("Could not open file");
        case Camera: return GetLocalizedString("Could not create camera");
        case Material: return GetLocalizedString("Could not create material");
        case Node: return GetLocalizedString("Could not create node");
        case Mesh: return GetLocalizedString("Could not create mesh");
        case Texture: return GetLocalizedString("Could not create texture");
        case Face: return GetLocalizedString("Could not create face");
    }
    return {};
}

Utf16String FormatErrorReport(ImportErrorList& errors) {
    if (errors.empty()) return {};
    Utf16String report = GetLocalizedString("3ds Errors:");
    report.Append(u'\n');
    // The line layout is fixed; only the message inside it is translated.
    const Utf16String linePattern(u"\t%s: %s\n");
    while (!errors.empty()) {
        const ImportError error = std::move(errors.front());
        errors.pop_front();
        report += hollin::utils::Formatted(linePattern, GetErrorMessage(error.kind), error.name);
    }
    return report;
}

Utf16String FormatImportSummary(std::int32_t materialCount, std::int32_t nodeCount, std::int32_t meshCount) {
    return hollin::utils::Formatted(
        GetLocalizedString("3ds Entities Imported\n\tMaterials:\t%d\n\tNodes:\t%d\n\tMeshes:\t%d\n"), materialCount,
        nodeCount, meshCount);
}

}  // namespace hollin::importer
