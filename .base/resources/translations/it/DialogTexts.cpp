// The Italian texts of the importer's dialogs.

#include "resources/DialogTemplateSet.h"

namespace hollin::resources {

const DialogTexts& TranslatedDialogTexts() {
    static constexpr DialogTexts texts = {
        .optionsCaption = "Opzioni di importazione 3DS",
        .ok = "OK",
        .cancel = "Annulla",
        .mergeCoplanarFaces = "Unisci facce complanari",
        .units = "Unità:",
        .scale = "Scala",
        .geometry = "Geometria",
        .reportCaption = "Risultati dell'importazione",
        .close = "Chiudi",
    };
    return texts;
}

}  // namespace hollin::resources
