#pragma once

// The sides of an entities' loops by the edge they run along, for finding
// neighbouring faces.

#include <cstdint>
#include <span>
#include <vector>

#include "EdgeIndex.h"
#include "Model.h"

namespace korvanta {

// One face loop running along an edge: the face number shifted left, with
// the lowest bit set when the loop runs from the edge's higher vertex to its
// lower one.
using EdgeUse = std::uint32_t;
inline constexpr std::size_t kMaxFacesForEdgeUses = std::size_t{1} << 31;

inline EdgeUse MakeEdgeUse(std::uint32_t face, std::uint32_t from, std::uint32_t to) {
    return face << 1 | (from > to ? 1u : 0u);
}
inline std::uint32_t FaceOf(EdgeUse use) { return use >> 1; }
inline bool RunsDown(EdgeUse use) { return (use & 1u) != 0; }

// Calls visit(from, to, corner) for the sides of the face's loops, each
// from its first corner (numbered among the entities' corners) to the next.
template <typename Visit>
void ForEachSideOf(const Entities& entities, const Face& face, Visit visit) {
    for (const Loop& loop : entities.LoopsOf(face)) {
        const std::span<const Corner> corners = entities.CornersOf(loop);
        for (std::size_t c = 0; c < corners.size(); ++c) {
            visit(corners[c].vertex, corners[c + 1 < corners.size() ? c + 1 : 0].vertex,
                  loop.firstCorner + static_cast<std::uint32_t>(c));
        }
    }
}

// The entities' edges keep their numbers; the sides are listed once, when
// this is made, and the entities' faces, loops and corners may change after.
class LoopSides {
public:
    static constexpr std::uint32_t kNoEdge = EdgeIndex::kNoEdge;

    // Fewer than kMaxFacesForEdgeUses faces.
    explicit LoopSides(Entities& entities);

    // The edge the side from a corner to its loop's next runs along, or kNoEdge.
    std::uint32_t EdgeOfCorner(std::uint32_t corner) const { return edgeOfCorner_[corner]; }

    std::span<const EdgeUse> UsesOf(std::uint32_t edge) const {
        return {edgeUses_.data() + useStart_[edge], useStart_[edge + 1] - useStart_[edge]};
    }

    // Calls visit(edge) for every edge between two vertices, by lower vertex
    // and then higher: the order neighbouring faces lie in.
    template <typename Visit>
    void ForEachEdgeInVertexOrder(Visit visit) const {
        std::vector<std::uint32_t> edges;
        for (std::uint32_t low = 0; low < vertexCount_; ++low) {
            edges.clear();
            index_.ForEachWithLowerVertex(low, [&](std::uint32_t edge) { edges.push_back(edge); });
            SortByHigherVertex(edges);
            for (const std::uint32_t edge : edges) visit(edge);
        }
    }

private:
    void SortByHigherVertex(std::vector<std::uint32_t>& edges) const;

    const Entities& entities_;
    std::uint32_t vertexCount_;
    EdgeIndex index_;
    std::vector<std::uint32_t> edgeOfCorner_;  // per corner of a loop
    std::vector<std::uint32_t> useStart_;      // per edge, into edgeUses_
    std::vector<EdgeUse> edgeUses_;            // listed by edge
};

}  // namespace korvanta
