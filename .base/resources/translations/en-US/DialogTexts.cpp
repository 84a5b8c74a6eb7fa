// The English (United States) texts of the importer's dialogs.

#include "resources/DialogTemplateSet.h"

namespace hollin::resources {

const DialogTexts& TranslatedDialogTexts() {
    return EnglishDialogTexts();
}

}  // namespace hollin::resources
