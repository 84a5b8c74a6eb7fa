#include "LoopSides.h"

#include <algorithm>

#include "ListByKey.h"

namespace korvanta {

LoopSides::LoopSides(Entities& entities)
    : entities_(entities), vertexCount_(static_cast<std::uint32_t>(entities.vertices.size())),
      index_(entities, entities.vertices.size()) {
    const std::vector<Face>& faces = entities.faces;
    edgeOfCorner_.assign(entities.corners.size(), kNoEdge);
    for (const Face& face : faces) {
        ForEachSideOf(entities, face, [&](std::uint32_t from, std::uint32_t to, std::uint32_t corner) {
            if (from != to && std::max(from, to) < vertexCount_) edgeOfCorner_[corner] = index_.Find(from, to);
        });
    }
    ListByKey(
        entities.edges.size(),
        [&](auto emit) {
            for (std::uint32_t f = 0; f < faces.size(); ++f) {
                ForEachSideOf(entities, faces[f], [&](std::uint32_t from, std::uint32_t to, std::uint32_t corner) {
                    if (const std::uint32_t edge = edgeOfCorner_[corner]; edge != kNoEdge) emit(edge, MakeEdgeUse(f, from, to));
                });
            }
        },
        useStart_, edgeUses_);
}

void LoopSides::SortByHigherVertex(std::vector<std::uint32_t>& edges) const {
    const auto higher = [this](std::uint32_t e) { return std::max(entities_.edges[e].from, entities_.edges[e].to); };
    const auto byHigherVertex = [&higher](std::uint32_t a, std::uint32_t b) { return higher(a) < higher(b); };
    // The index lists a vertex's edges latest first; most vertices have a few,
    // which sort fastest by insertion.
    std::reverse(edges.begin(), edges.end());
    if (edges.size() > 16) {
        std::sort(edges.begin(), edges.end(), byHigherVertex);
        return;
    }
    for (auto next = edges.begin(); next != edges.end(); ++next) {
        for (auto at = next; at != edges.begin() && byHigherVertex(*at, *(at - 1)); --at) std::iter_swap(at, at - 1);
    }
}

}  // namespace korvanta
