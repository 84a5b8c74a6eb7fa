#include "ViewerDemand.h"

#include <limits>
#include <optional>
#include <vector>

#include "InstanceGraph.h"

namespace korvanta {
namespace {

constexpr std::uint64_t kMost = std::numeric_limits<std::uint64_t>::max();

std::uint64_t Sum(std::uint64_t a, std::uint64_t b) {
    return a > kMost - b ? kMost : a + b;
}

std::uint64_t Product(std::uint64_t a, std::uint64_t b) {
    return b != 0 && a > kMost / b ? kMost : a * b;
}

// Adds up a demand from the times each definition is drawn and the
// triangles of each (by the definition's index), and the top level's.
template <typename TrianglesOf>
ViewerDemand Demand(const std::optional<std::vector<std::uint64_t>>& times, std::uint64_t topLevelTriangles,
                    TrianglesOf trianglesOf) {
    ViewerDemand demand{0, topLevelTriangles};
    if (!times) return {kMost, kMost};
    for (std::size_t i = 0; i < times->size(); ++i) {
        demand.placements = Sum(demand.placements, (*times)[i]);
        if ((*times)[i] != 0) demand.triangles = Sum(demand.triangles, trianglesOf(i));
    }
    return demand;
}

}  // namespace

std::uint64_t ViewerRates::BytesFor(const ViewerDemand& demand) const {
    return Sum(baseBytes, Sum(Product(demand.placements, bytesPerPlacement), Product(demand.triangles, bytesPerTriangle)));
}

ViewerDemand ViewerDemandOf(const Model& model) {
    return Demand(TimesDrawn(model), model.entities.triangles.size(),
                  [&model](std::size_t i) { return model.definitions[i]->entities.triangles.size(); });
}

ViewerDemand ViewerDemandOf(const ModelOutline& outline) {
    return Demand(TimesDrawn(outline), outline.entities.triangles,
                  [&outline](std::size_t i) { return outline.definitions[i].entities.triangles; });
}

}  // namespace korvanta
