// The Simplified Chinese texts of the importer's dialogs.

#include "resources/DialogTemplateSet.h"

namespace hollin::resources {

const DialogTexts& TranslatedDialogTexts() {
    static constexpr DialogTexts texts = {
        .optionsCaption = "3DS 导入选项",
        .ok = "确定",
        .cancel = "取消",
        .mergeCoplanarFaces = "合并共面的面",
        .units = "单位：",
        .scale = "比例",
        .geometry = "几何体",
        .reportCaption = "导入结果",
        .close = "关闭",
    };
    return texts;
}

}  // namespace hollin::resources
