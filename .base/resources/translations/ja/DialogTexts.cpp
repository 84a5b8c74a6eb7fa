// The Japanese texts of the importer's dialogs.

#include "resources/DialogTemplateSet.h"

namespace hollin::resources {

const DialogTexts& TranslatedDialogTexts() {
    static constexpr DialogTexts texts = {
        .optionsCaption = "3DS インポート オプション",
        .ok = "OK",
        .cancel = "キャンセル",
        .mergeCoplanarFaces = "同一平面上の面を結合する",
        .units = "単位:",
        .scale = "スケール",
        .geometry = "ジオメトリ",
        .reportCaption = "インポート結果",
        .close = "閉じる",
    };
    return texts;
}

}  // namespace hollin::resources
