#include "BoundaryLoops.h"

#include <cmath>
#include <numbers>

#include "FlatHashMap.h"
#include "Vector3.h"

namespace korvanta {

namespace {

TextureCoordinate UvAt(const Entities& entities, const Face& face, std::uint32_t vertex) {
    for (const Loop& loop : entities.LoopsOf(face)) {
        for (const Corner& corner : entities.CornersOf(loop)) {
            if (corner.vertex == vertex) return corner.uv;
        }
    }
    return {};
}

// Of the boundary edges leaving the end of `incoming` (positions in
// `boundary`), the one that keeps the merged face on the left: the
// smallest clockwise turn from the way back.
std::uint32_t NextBoundary(const Entities& entities, const BoundaryEdge& incoming,
                           const std::vector<std::uint32_t>& candidates, std::span<const BoundaryEdge> boundary,
                           const Point3& normal) {
    if (candidates.size() == 1) return candidates[0];
    const Point3& at = entities.vertices[incoming.to];
    const Point3 back = entities.vertices[incoming.from] - at;
    double bestAngle = -1.0;
    std::uint32_t best = candidates[0];
    for (std::uint32_t candidate : candidates) {
        const Point3 out = entities.vertices[boundary[candidate].to] - at;
        double angle = std::atan2(Dot(normal, Cross(back, out)), Dot(back, out));
        if (angle <= 0.0) angle += 2.0 * std::numbers::pi;
        if (angle > bestAngle) {
            bestAngle = angle;
            best = candidate;
        }
    }
    return best;
}

}  // namespace

std::optional<std::vector<std::vector<Corner>>> TraceBoundaryLoops(const Entities& entities,
                                                                   std::span<const BoundaryEdge> boundary,
                                                                   const Point3& normal) {
    FlatHashMap firstLeaving(boundary.size());
    std::vector<std::uint32_t> nextLeaving(boundary.size(), kNoIndex);
    for (std::uint32_t i = 0; i < boundary.size(); ++i) {
        auto [head, inserted] = firstLeaving.Insert(boundary[i].from, i);
        if (!inserted) {
            nextLeaving[i] = *head;
            *head = i;
        }
    }
    std::vector<std::uint8_t> used(boundary.size(), 0);
    std::vector<std::vector<Corner>> loops;
    std::vector<std::uint32_t> candidates;
    for (std::uint32_t start = 0; start < boundary.size(); ++start) {
        if (used[start]) continue;
        std::vector<Corner>& loop = loops.emplace_back();
        std::uint32_t current = start;
        while (true) {
            used[current] = 1;
            const BoundaryEdge& edge = boundary[current];
            loop.push_back({edge.from, UvAt(entities, entities.faces[edge.face], edge.from)});
            candidates.clear();
            const std::uint32_t* head = firstLeaving.Find(edge.to);
            for (std::uint32_t i = head ? *head : kNoIndex; i != kNoIndex; i = nextLeaving[i]) {
                if (!used[i] || i == start) candidates.push_back(i);
            }
            if (candidates.empty()) return std::nullopt;
            const std::uint32_t next = NextBoundary(entities, edge, candidates, boundary, normal);
            if (next == start) break;
            current = next;
        }
        if (loop.size() < 3) return std::nullopt;
    }
    if (loops.empty()) return std::nullopt;
    return loops;
}

}  // namespace korvanta
