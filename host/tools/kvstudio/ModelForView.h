#pragma once

#include <QtGlobal>

#include <string>

#include "ModelContents.h"
#include "ModelScene.h"
#include "ViewerDemand.h"

namespace kvstudio {

// What the window shows of a model file the modelling library wrote: the
// outline and materials lists, and the scene the view draws.
struct ModelForView {
    ModelContents contents;
    ModelScene scene;
};

// What the window holds for each placement (its node read from the file's
// text, its instance table entry, Qt Quick 3D's copy of the table), each
// stored triangle (its indices, its vertices, Qt Quick 3D's copies) and
// besides (the window and the Qt Quick scene drawn in software): measured
// on File > Open of the doubling models and the benchmark's scenes (330
// bytes a placement, 60 a triangle, 200 MiB; bench/README.md), with a
// third more. A large model's coarser drawing (ModelViewCoarse.h) is counted
// as triangles stored.
inline constexpr korvanta::ViewerRates kViewRates{.bytesPerPlacement = 440, .bytesPerTriangle = 80,
                                                  .baseBytes = std::uint64_t{267} << 20};

// The decoded images of a model, all together: larger ones are drawn smaller.
inline constexpr qint64 kImageBytes = qint64{192} << 20;

// Reads the file's outline and its scene; the library's reader of the scene
// counts what the view would hold of the model (see ViewerDemand.h) at
// kViewRates against the memory there is first: a model the view cannot
// hold is refused, with what it needs and what there is, before anything is
// built. For any thread.
ModelForView ReadModelForView(const std::string& modelFile);

}  // namespace kvstudio
