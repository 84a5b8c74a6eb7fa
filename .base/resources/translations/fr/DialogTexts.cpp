// The French texts of the importer's dialogs.

#include "resources/DialogTemplateSet.h"

namespace hollin::resources {

const DialogTexts& TranslatedDialogTexts() {
    static constexpr DialogTexts texts = {
        .optionsCaption = "Options d'importation 3DS",
        .ok = "OK",
        .cancel = "Annuler",
        .mergeCoplanarFaces = "Fusionner les faces coplanaires",
        .units = "Unités :",
        .scale = "Échelle",
        .geometry = "Géométrie",
        .reportCaption = "Résultats de l'importation",
        .close = "Fermer",
    };
    return texts;
}

}  // namespace hollin::resources
