// The Spanish texts of the importer's dialogs.

#include "resources/DialogTemplateSet.h"

namespace hollin::resources {

const DialogTexts& TranslatedDialogTexts() {
    static constexpr DialogTexts texts = {
        .optionsCaption = "Opciones de importación de 3DS",
        .ok = "Aceptar",
        .cancel = "Cancelar",
        .mergeCoplanarFaces = "Combinar caras coplanarias",
        .units = "Unidades:",
        .scale = "Escala",
        .geometry = "Geometría",
        .reportCaption = "Resultados de la importación",
        .close = "Cerrar",
    };
    return texts;
}

}  // namespace hollin::resources
