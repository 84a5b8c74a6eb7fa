#pragma once

#include <cstdint>

#include "Model.h"
#include "ModelFileOutline.h"

// A model file of a few kilobytes can place a definition a million times, and
// a viewer pays for every placement: a node in the file's scene, its
// transform, an entry in an instance table. What a viewer of a model will
// hold is counted from the model's instances before anything is built, and
// set against the memory there is.
namespace korvanta {

// What drawing a model asks of a viewer: the definitions' placements
// (counted from the top level, as drawn) and the triangles stored once each
// (the top level's and those of every definition drawn).
struct ViewerDemand {
    std::uint64_t placements = 0;
    std::uint64_t triangles = 0;
};

// What a viewer holds for each, as measured (see bench/README.md) with a margin.
struct ViewerRates {
    std::uint64_t bytesPerPlacement = 0;
    std::uint64_t bytesPerTriangle = 0;
    std::uint64_t baseBytes = 0;

    std::uint64_t BytesFor(const ViewerDemand& demand) const;
};

// The modelling library's writing of a model it read: the viewer's scene,
// whose node per placement is made as it is written and never held, and
// the model's own structure. Measured (bench/open_road.cpp): under 2 bytes a
// placement and a triangle beyond the model read, and a 64 MiB start.
inline constexpr ViewerRates kModelFileWritingRates{.bytesPerPlacement = 16, .bytesPerTriangle = 16,
                                                    .baseBytes = std::uint64_t{64} << 20};

// Of a model whose instances hold together (see InstanceGraph.h).
ViewerDemand ViewerDemandOf(const Model& model);
ViewerDemand ViewerDemandOf(const ModelOutline& outline);

}  // namespace korvanta
