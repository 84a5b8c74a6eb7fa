#include "ModelForView.h"

#include "ModelFileOutline.h"
#include "utils/AvailableMemory.h"

namespace kvstudio {

ModelForView ReadModelForView(const std::string& modelFile) {
    ModelForView model;
    korvanta::ModelOutline outline;
    if (korvanta::LoadModelOutline(modelFile, outline) != KV_SUCCESS) {
        model.scene.whyNotDrawn = UndrawableScene();
        return model;
    }
    model.contents = ContentsOf(outline);
    model.scene = ReadModelScene(modelFile, kViewRates, hollin::utils::AvailableMemory(), kImageBytes);
    return model;
}

}  // namespace kvstudio
