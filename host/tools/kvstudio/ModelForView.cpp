#include "ModelForView.h"

#include <algorithm>

#include "ModelFileOutline.h"
#include "ModelViewCoarse.h"
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
    // A large model's coarser drawing for the camera's moves stores at most
    // as many triangles again, and no more than its budget: that memory is
    // set aside before the scene is counted against what is left.
    const korvanta::ViewerDemand demand = korvanta::ViewerDemandOf(outline);
    const std::uint64_t coarseTriangles =
        std::min(demand.triangles, static_cast<std::uint64_t>(kMostTrianglesDrawnMoving));
    const std::uint64_t coarseBytes = coarseTriangles * kViewRates.bytesPerTriangle;
    const std::uint64_t available = hollin::utils::AvailableMemory();
    const std::uint64_t forScene = available - std::min(available, coarseBytes);
    model.scene = ReadModelScene(modelFile, kViewRates, forScene, kImageBytes);
    return model;
}

}  // namespace kvstudio
