// The Brazilian Portuguese texts of the importer's dialogs.

#include "resources/DialogTemplateSet.h"

namespace hollin::resources {

const DialogTexts& TranslatedDialogTexts() {
    static constexpr DialogTexts texts = {
        .optionsCaption = "Opções de importação de 3DS",
        .ok = "OK",
        .cancel = "Cancelar",
        .mergeCoplanarFaces = "Mesclar faces coplanares",
        .units = "Unidades:",
        .scale = "Escala",
        .geometry = "Geometria",
        .reportCaption = "Resultados da importação",
        .close = "Fechar",
    };
    return texts;
}

}  // namespace hollin::resources
