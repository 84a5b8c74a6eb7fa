// The German texts of the importer's dialogs.

#include "resources/DialogTemplateSet.h"

namespace hollin::resources {

const DialogTexts& TranslatedDialogTexts() {
    static constexpr DialogTexts texts = {
        .optionsCaption = "3DS-Importoptionen",
        .ok = "OK",
        .cancel = "Abbrechen",
        .mergeCoplanarFaces = "Koplanare Flächen zusammenführen",
        .units = "Einheiten:",
        .scale = "Maßstab",
        .geometry = "Geometrie",
        .reportCaption = "Importergebnisse",
        .close = "Schließen",
    };
    return texts;
}

}  // namespace hollin::resources
