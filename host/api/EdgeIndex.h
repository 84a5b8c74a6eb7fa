#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "FlatHashMap.h"
#include "Model.h"

namespace korvanta {

// Finds the entities' edges by their lower vertex, for the fill that adds
// edges and for the merge that looks up the edges of every loop's sides.
// New faces mostly use
// vertices numbered lately, whose short lists are still in the processor's
// caches, where a hash table over all edges would miss on nearly every lookup.
// The few vertices that many edges meet (a fan's centre, or a damaged file's
// faces all naming one point) keep their edges in a hash table instead, so
// that no lookup walks a long list.
class EdgeIndex {
public:
    static constexpr std::uint32_t kNoEdge = 0xffffffffu;

    // Vertex numbers stay below the capacity; edges of the entities that
    // reach beyond it are left out, and never found.
    EdgeIndex(Entities& entities, std::size_t vertexCapacity)
        : entities_(entities), firstWithLowerVertex_(vertexCapacity, kNoEdge), edgesWithLowerVertex_(vertexCapacity, 0) {
        nextWithLowerVertex_.reserve(entities.edges.capacity());
        for (std::uint32_t e = 0; e < entities.edges.size(); ++e) Link(e);
    }

    // Adds the edge between two vertices unless the entities have it
    // already, and returns its number.
    std::uint32_t Add(std::uint32_t a, std::uint32_t b) {
        if (const std::uint32_t found = Find(a, b); found != kNoEdge) return found;
        entities_.edges.push_back({a, b});
        const auto added = static_cast<std::uint32_t>(entities_.edges.size() - 1);
        Link(added);
        return added;
    }

    // The number of the edge between two vertices below the capacity, or kNoEdge.
    std::uint32_t Find(std::uint32_t a, std::uint32_t b) const {
        const std::uint32_t low = std::min(a, b), high = std::max(a, b);
        if (edgesWithLowerVertex_[low] > kShortList) {
            const std::uint32_t* found = crowdedEdges_.Find(EdgeKey(low, high));
            return found != nullptr ? *found : kNoEdge;
        }
        for (std::uint32_t e = firstWithLowerVertex_[low]; e != kNoEdge; e = nextWithLowerVertex_[e]) {
            const Edge& edge = entities_.edges[e];
            if (std::max(edge.from, edge.to) == high) return e;
        }
        return kNoEdge;
    }

    // Calls visit(edge) for every edge whose lower vertex is `low`, the latest first.
    template <typename Visit>
    void ForEachWithLowerVertex(std::uint32_t low, Visit visit) const {
        for (std::uint32_t e = firstWithLowerVertex_[low]; e != kNoEdge; e = nextWithLowerVertex_[e]) visit(e);
    }

private:
    static constexpr std::uint32_t kShortList = 16;

    void Link(std::uint32_t e) {
        const Edge& edge = entities_.edges[e];
        const std::uint32_t low = std::min(edge.from, edge.to);
        nextWithLowerVertex_.push_back(kNoEdge);
        if (std::max(edge.from, edge.to) >= firstWithLowerVertex_.size()) return;
        nextWithLowerVertex_.back() = firstWithLowerVertex_[low];
        firstWithLowerVertex_[low] = e;
        const std::uint32_t count = ++edgesWithLowerVertex_[low];
        if (count == kShortList + 1) {
            for (std::uint32_t listed = e; listed != kNoEdge; listed = nextWithLowerVertex_[listed]) {
                crowdedEdges_.Insert(EdgeKey(entities_.edges[listed].from, entities_.edges[listed].to), listed);
            }
        } else if (count > kShortList + 1) {
            crowdedEdges_.Insert(EdgeKey(edge.from, edge.to), e);
        }
    }

    Entities& entities_;
    std::vector<std::uint32_t> firstWithLowerVertex_;
    std::vector<std::uint32_t> nextWithLowerVertex_;
    std::vector<std::uint32_t> edgesWithLowerVertex_;
    FlatHashMap crowdedEdges_;
};

}  // namespace korvanta
