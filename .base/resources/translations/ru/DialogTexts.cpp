// The Russian texts of the importer's dialogs.

#include "resources/DialogTemplateSet.h"

namespace hollin::resources {

const DialogTexts& TranslatedDialogTexts() {
    static constexpr DialogTexts texts = {
        .optionsCaption = "Параметры импорта 3DS",
        .ok = "ОК",
        .cancel = "Отмена",
        .mergeCoplanarFaces = "Объединять компланарные грани",
        .units = "Единицы:",
        .scale = "Масштаб",
        .geometry = "Геометрия",
        .reportCaption = "Результаты импорта",
        .close = "Закрыть",
    };
    return texts;
}

}  // namespace hollin::resources
