#include "ModelForView.h"

#include <algorithm>

#include "GlbFile.h"
#include "JsonFileReasons.h"
#include "ModelFileOutline.h"
#include "ModelViewCoarse.h"
#include "StudioText.h"
#include "utils/AvailableMemory.h"

namespace kvstudio {

ModelForView ReadModelForView(const std::string& modelFile) {
    ModelForView model;
    korvanta::ModelOutline outline;
    if (korvanta::LoadModelOutline(modelFile, outline) != KV_SUCCESS) {
        model.scene.whyNotDrawn = GlbFile::Undrawable();
        return model;
    }
    model.contents = ContentsOf(outline);
    const korvanta::ViewerDemand demand = korvanta::ViewerDemandOf(outline);
    // A large model's coarser drawing for the camera's moves stores at most
    // as many triangles again, and no more than its budget.
    korvanta::ViewerDemand withCoarse = demand;
    withCoarse.triangles += std::min(demand.triangles, static_cast<std::uint64_t>(kMostTrianglesDrawnMoving));
    const std::uint64_t needed = kViewRates.BytesFor(withCoarse);
    const std::uint64_t available = hollin::utils::AvailableMemory();
    if (needed > available) {
        model.scene.whyNotDrawn =
            QString::fromStdString(kvhost::DrawingNeedsMoreMemory(demand.placements, demand.triangles, needed, available));
        return model;
    }
    model.scene = ReadModelScene(QString::fromStdString(modelFile), kImageBytes);
    return model;
}

}  // namespace kvstudio
