#include "plugin/LocalizedProgressMessages.h"

#include "l10n/LocalizedStrings.h"

namespace hollin::importer {

ProgressMessageTable LocalizedProgressMessages() {
    using hollin::l10n::GetLocalizedString;
    ProgressMessageTable messages;
    messages[ParsingFile] = GetLocalizedString("Parsing file...");
    messages[ParsingCameras] = GetLocalizedString("Parsing cameras...");
    messages[ParsingCamera] = GetLocalizedString("Parsing camera %s...");
    messages[ParsingMaterials] = GetLocalizedString("Parsing materials...");
    messages[ParsingMaterial] = GetLocalizedString("Parsing material %s...");
    messages[ParsingNodes] = GetLocalizedString("Parsing nodes...");
    messages[ParsingNode] = GetLocalizedString("Parsing node %s...");
    messages[ParsingMesh] = GetLocalizedString("Parsing mesh %s...");
    messages[CleaningUp] = GetLocalizedString("Cleaning up...");
    messages[BuildingMesh] = GetLocalizedString("Building mesh %s face: %d of %d...");
    return messages;
}

}  // namespace hollin::importer
