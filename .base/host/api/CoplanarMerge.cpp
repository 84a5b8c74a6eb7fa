#include "CoplanarMerge.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <numeric>
#include <optional>
#include <span>
#include <utility>

#include "FaceGeometry.h"
#include "FlatHashMap.h"
#include "PlanarTextureMap.h"
#include "Tolerance.h"

namespace korvanta {

namespace {

constexpr std::uint32_t kNone = 0xffffffffu;

// Normals closer than about half a degree count as parallel; the distance
// check against the plane is what really decides.
constexpr double kMinNormalDot = 0.99995;

// Lists values by key in one array: `start[key]` is where the key's values
// begin and `start[key + 1]` where they end. `forEachItem(emit)` calls
// `emit(key, value)` for every item, the same way both times it is called.
// Large models are merged through such lists: they are built in two
// sequential passes and read in key order, where node-based maps allocate
// per item and hash tables scatter every access.
template <typename ForEachItem>
void ListByKey(std::size_t keyCount, ForEachItem forEachItem, std::vector<std::uint32_t>& start,
               std::vector<std::uint32_t>& values) {
    start.assign(keyCount + 1, 0);
    forEachItem([&](std::uint32_t key, std::uint32_t) { ++start[key + 1]; });
    std::partial_sum(start.begin(), start.end(), start.begin());
    values.resize(start.back());
    forEachItem([&](std::uint32_t key, std::uint32_t value) { values[start[key]++] = value; });
    // Each start has moved on to the next key's; move them back.
    std::copy_backward(start.begin(), start.end() - 1, start.end());
    start[0] = 0;
}

// The plane of a face, from its outer loop.
struct FacePlane {
    Point3 normal;
    double offset = 0.0;
};

// A textured face's mapping, when its first triangle has one, and that triangle.
struct FaceMapping {
    TextureMap map;
    bool valid = false;
    Triangle triangle;
};

// One face loop running along an edge: the face number shifted left, with
// the lowest bit set when the loop runs from the edge's higher vertex to its
// lower one.
using EdgeUse = std::uint32_t;
constexpr std::size_t kMaxFaces = std::size_t{1} << 31;

EdgeUse MakeEdgeUse(std::uint32_t face, std::uint32_t from, std::uint32_t to) {
    return face << 1 | (from > to ? 1u : 0u);
}
std::uint32_t FaceOf(EdgeUse use) { return use >> 1; }
bool RunsDown(EdgeUse use) { return (use & 1u) != 0; }

// A piece of a merged group's boundary, for tracing its loops.
struct BoundaryEdge {
    std::uint32_t face;
    std::uint32_t from;
    std::uint32_t to;
    std::uint32_t edge;  // its number, or kNone when the entities have no such edge
};

// The faces, loops and triangles that replace the entities' own.
struct RebuiltLists {
    std::vector<Face> faces;
    std::vector<Loop> loops;
    std::vector<Triangle> triangles;
};

class Merger {
public:
    explicit Merger(Entities& entities) : entities_(entities), faces_(entities.faces) {}

    void Run() {
        // The merged loops' corners are numbered after the present ones, and
        // are no more than the corners of the faces merged.
        if (faces_.size() < 2 || faces_.size() >= kMaxFaces || entities_.corners.size() >= kNone / 2) return;
        IndexEdges();
        ListEdgeUses();
        ComputePlanes();
        JoinCompatibleNeighbours();
        if (!AnyGroupJoined()) return;
        Rebuild();
    }

private:
    // Calls visit(from, to, corner) for the sides of the face's loops, each
    // from its first corner (numbered among the entities' corners) to the next.
    template <typename Visit>
    void ForEachHalfEdgeOf(std::uint32_t face, Visit visit) const {
        for (const Loop& loop : entities_.LoopsOf(faces_[face])) {
            const std::span<const Corner> corners = entities_.CornersOf(loop);
            for (std::size_t c = 0; c < corners.size(); ++c) {
                visit(corners[c].vertex, corners[c + 1 < corners.size() ? c + 1 : 0].vertex,
                      loop.firstCorner + static_cast<std::uint32_t>(c));
            }
        }
    }

    // Edges are numbered by their place in their lower vertex's list of
    // higher vertices: the lists lie in vertex order, which neighbouring
    // faces share. Each list is sorted, so that a vertex that many edges meet
    // is searched rather than walked. The entities' own edges keep their numbers.
    void IndexEdges() {
        const std::size_t vertexCount = entities_.vertices.size();
        std::vector<std::uint32_t> higher(entities_.edges.size());
        for (std::size_t e = 0; e < higher.size(); ++e) higher[e] = std::max(entities_.edges[e].from, entities_.edges[e].to);
        const auto byHigherVertex = [&higher](std::uint32_t a, std::uint32_t b) { return higher[a] < higher[b]; };
        std::vector<std::uint32_t> edgesByLowerVertex;
        ListByKey(
            vertexCount,
            [&](auto emit) {
                for (std::uint32_t e = 0; e < entities_.edges.size(); ++e) {
                    const Edge& edge = entities_.edges[e];
                    const std::uint32_t low = std::min(edge.from, edge.to), high = std::max(edge.from, edge.to);
                    if (low != high && high < vertexCount) emit(low, e);
                }
            },
            edgeStartOfVertex_, edgesByLowerVertex);
        for (std::size_t vertex = 0; vertex < vertexCount; ++vertex) {
            const auto first = edgesByLowerVertex.begin() + edgeStartOfVertex_[vertex];
            const auto last = edgesByLowerVertex.begin() + edgeStartOfVertex_[vertex + 1];
            // Most lists hold a few edges, which sort fastest by insertion.
            if (last - first > 16) {
                std::sort(first, last, byHigherVertex);
                continue;
            }
            for (auto next = first; next != last; ++next) {
                for (auto at = next; at != first && byHigherVertex(*at, *(at - 1)); --at) std::iter_swap(at, at - 1);
            }
        }
        higherVertex_.resize(edgesByLowerVertex.size());
        numberOfEdge_.assign(entities_.edges.size(), kNone);
        for (std::uint32_t number = 0; number < edgesByLowerVertex.size(); ++number) {
            higherVertex_[number] = higher[edgesByLowerVertex[number]];
            numberOfEdge_[edgesByLowerVertex[number]] = number;
        }
    }

    // The number of the edge between two vertices, or kNone when the
    // entities have no such edge.
    std::uint32_t EdgeNumber(std::uint32_t a, std::uint32_t b) const {
        const std::uint32_t low = std::min(a, b), high = std::max(a, b);
        if (low == high || high >= entities_.vertices.size()) return kNone;
        const auto first = higherVertex_.begin() + edgeStartOfVertex_[low];
        const auto last = higherVertex_.begin() + edgeStartOfVertex_[low + 1];
        const auto found = std::lower_bound(first, last, high);
        return found != last && *found == high ? static_cast<std::uint32_t>(found - higherVertex_.begin()) : kNone;
    }

    std::size_t EdgeCount() const { return higherVertex_.size(); }

    std::span<const EdgeUse> UsesOf(std::uint32_t edge) const {
        return {edgeUses_.data() + useStart_[edge], useStart_[edge + 1] - useStart_[edge]};
    }

    // The loops' sides by edge, and the edge of each side by its first corner.
    void ListEdgeUses() {
        edgeOfCorner_.assign(entities_.corners.size(), kNone);
        for (std::uint32_t f = 0; f < faces_.size(); ++f) {
            ForEachHalfEdgeOf(f, [&](std::uint32_t from, std::uint32_t to, std::uint32_t corner) {
                edgeOfCorner_[corner] = EdgeNumber(from, to);
            });
        }
        ListByKey(
            EdgeCount(),
            [&](auto emit) {
                for (std::uint32_t f = 0; f < faces_.size(); ++f) {
                    ForEachHalfEdgeOf(f, [&](std::uint32_t from, std::uint32_t to, std::uint32_t corner) {
                        if (const std::uint32_t edge = edgeOfCorner_[corner]; edge != kNone) emit(edge, MakeEdgeUse(f, from, to));
                    });
                }
            },
            useStart_, edgeUses_);
    }

    void ComputePlanes() {
        planes_.resize(faces_.size());
        for (std::uint32_t f = 0; f < faces_.size(); ++f) {
            const Face& face = faces_[f];
            FacePlane& plane = planes_[f];
            plane.normal = FaceNormal(entities_, face);
            if (face.loopCount != 0 && entities_.loops[face.firstLoop].cornerCount != 0) {
                const Corner& first = entities_.corners[entities_.loops[face.firstLoop].firstCorner];
                plane.offset = Dot(plane.normal, entities_.vertices[first.vertex]);
            }
            if (!face.textured) continue;
            if (mappingOfFace_.empty()) mappingOfFace_.assign(faces_.size(), kNone);
            mappingOfFace_[f] = static_cast<std::uint32_t>(mappings_.size());
            FaceMapping& mapping = mappings_.emplace_back();
            if (face.triangleCount != 0) {
                mapping.triangle = entities_.triangles[face.firstTriangle];
                mapping.valid = MapOf(entities_, mapping.triangle, mapping.map);
            }
        }
    }

    bool OnPlaneOf(std::uint32_t planeFace, std::uint32_t face) const {
        const FacePlane& plane = planes_[planeFace];
        for (const Loop& loop : entities_.LoopsOf(faces_[face])) {
            for (const Corner& corner : entities_.CornersOf(loop)) {
                if (std::abs(Dot(plane.normal, entities_.vertices[corner.vertex]) - plane.offset) >= kLengthTolerance) {
                    return false;
                }
            }
        }
        return true;
    }

    bool Compatible(std::uint32_t a, std::uint32_t b) const {
        const Face& faceA = faces_[a];
        const Face& faceB = faces_[b];
        if (faceA.frontMaterial != faceB.frontMaterial || faceA.textured != faceB.textured) return false;
        if (Dot(planes_[a].normal, planes_[b].normal) < kMinNormalDot) return false;
        if (!OnPlaneOf(a, b) || !OnPlaneOf(b, a)) return false;
        if (!faceA.textured) return true;
        const FaceMapping& mapA = mappings_[mappingOfFace_[a]];
        const FaceMapping& mapB = mappings_[mappingOfFace_[b]];
        return mapA.valid && mapB.valid && MapPredicts(entities_, mapA.map, mapB.triangle) &&
               MapPredicts(entities_, mapB.map, mapA.triangle);
    }

    std::uint32_t Find(std::uint32_t f) {
        while (parent_[f] != f) {
            parent_[f] = parent_[parent_[f]];
            f = parent_[f];
        }
        return f;
    }

    // Joins the faces on either side of every edge that two loops run along
    // in opposite directions.
    void JoinCompatibleNeighbours() {
        parent_.resize(faces_.size());
        std::iota(parent_.begin(), parent_.end(), 0u);
        groupSize_.assign(faces_.size(), 1);
        for (std::uint32_t edge = 0; edge < EdgeCount(); ++edge) {
            const std::span<const EdgeUse> uses = UsesOf(edge);
            for (std::size_t i = 0; i < uses.size(); ++i) {
                for (std::size_t j = i + 1; j < uses.size(); ++j) {
                    const std::uint32_t a = FaceOf(uses[i]), b = FaceOf(uses[j]);
                    if (a == b || RunsDown(uses[i]) == RunsDown(uses[j])) continue;
                    std::uint32_t rootA = Find(a), rootB = Find(b);
                    // Checking the groups' first faces too keeps a slow curve
                    // from creeping into one "plane" step by step.
                    if (rootA == rootB || !Compatible(a, b)) continue;
                    const bool rootsChecked = (rootA == a && rootB == b) || (rootA == b && rootB == a);
                    if (!rootsChecked && !Compatible(rootA, rootB)) continue;
                    if (groupSize_[rootA] < groupSize_[rootB]) std::swap(rootA, rootB);
                    parent_[rootB] = rootA;
                    groupSize_[rootA] += groupSize_[rootB];
                }
            }
        }
    }

    bool AnyGroupJoined() {
        for (std::uint32_t f = 0; f < faces_.size(); ++f) {
            if (groupSize_[Find(f)] > 1) return true;
        }
        return false;
    }

    // Whether another face of the group runs along the edge the other way.
    bool IsInterior(std::uint32_t edge, EdgeUse use, const std::vector<std::uint32_t>& groupOf) const {
        const std::uint32_t group = groupOf[FaceOf(use)];
        for (EdgeUse other : UsesOf(edge)) {
            if (RunsDown(other) != RunsDown(use) && FaceOf(other) != FaceOf(use) && groupOf[FaceOf(other)] == group) {
                return true;
            }
        }
        return false;
    }

    TextureCoordinate UvAt(const Face& face, std::uint32_t vertex) const {
        for (const Loop& loop : entities_.LoopsOf(face)) {
            for (const Corner& corner : entities_.CornersOf(loop)) {
                if (corner.vertex == vertex) return corner.uv;
            }
        }
        return {};
    }

    // Of the boundary edges leaving the end of `incoming` (positions in
    // `boundary`), the one that keeps the merged face on the left: the
    // smallest clockwise turn from the way back.
    std::uint32_t NextBoundary(const BoundaryEdge& incoming, const std::vector<std::uint32_t>& candidates,
                               std::span<const BoundaryEdge> boundary, const Point3& normal) const {
        if (candidates.size() == 1) return candidates[0];
        const Point3& at = entities_.vertices[incoming.to];
        const Point3 back = entities_.vertices[incoming.from] - at;
        double bestAngle = -1.0;
        std::uint32_t best = candidates[0];
        for (std::uint32_t candidate : candidates) {
            const Point3 out = entities_.vertices[boundary[candidate].to] - at;
            double angle = std::atan2(Dot(normal, Cross(back, out)), Dot(back, out));
            if (angle <= 0.0) angle += 2.0 * std::numbers::pi;
            if (angle > bestAngle) {
                bestAngle = angle;
                best = candidate;
            }
        }
        return best;
    }

    // The loops around a group, or nothing when its boundary does not close
    // into loops of three corners or more: faces of inconsistent orientation
    // leave open chains, faces that cover each other leave no boundary.
    std::optional<std::vector<std::vector<Corner>>> TraceLoops(std::span<const BoundaryEdge> boundary,
                                                               const Point3& normal) const {
        FlatHashMap firstLeaving(boundary.size());
        std::vector<std::uint32_t> nextLeaving(boundary.size(), kNone);
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
                loop.push_back({edge.from, UvAt(faces_[edge.face], edge.from)});
                candidates.clear();
                const std::uint32_t* head = firstLeaving.Find(edge.to);
                for (std::uint32_t i = head ? *head : kNone; i != kNone; i = nextLeaving[i]) {
                    if (!used[i] || i == start) candidates.push_back(i);
                }
                if (candidates.empty()) return std::nullopt;
                const std::uint32_t next = NextBoundary(edge, candidates, boundary, normal);
                if (next == start) break;
                current = next;
            }
            if (loop.size() < 3) return std::nullopt;
        }
        if (loops.empty()) return std::nullopt;
        return loops;
    }

    void KeepFace(const Face& face, RebuiltLists& rebuilt) const {
        Face& kept = rebuilt.faces.emplace_back(face);
        kept.firstLoop = static_cast<std::uint32_t>(rebuilt.loops.size());
        kept.firstTriangle = static_cast<std::uint32_t>(rebuilt.triangles.size());
        const std::span<const Loop> loops = entities_.LoopsOf(face);
        const std::span<const Triangle> triangles = entities_.TrianglesOf(face);
        rebuilt.loops.insert(rebuilt.loops.end(), loops.begin(), loops.end());
        rebuilt.triangles.insert(rebuilt.triangles.end(), triangles.begin(), triangles.end());
    }

    // The merged face gets the traced loops, outer loop first, and the
    // triangles of all its members. The loops' corners are added to the
    // entities' corners; the members' corners stay for their triangles.
    void MergeGroup(std::span<const std::uint32_t> members, std::vector<std::vector<Corner>> loops,
                    RebuiltLists& rebuilt) {
        const std::uint32_t first = members[0];
        const Point3& normal = planes_[first].normal;
        std::size_t outer = 0;
        double outerArea = -std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < loops.size(); ++i) {
            const double area = Dot(LoopDoubleVectorArea(entities_, loops[i]), normal);
            if (area > outerArea) {
                outerArea = area;
                outer = i;
            }
        }
        const auto outerLoop = loops.begin() + static_cast<std::ptrdiff_t>(outer);
        std::rotate(loops.begin(), outerLoop, outerLoop + 1);

        Face& merged = rebuilt.faces.emplace_back();
        merged.frontMaterial = faces_[first].frontMaterial;
        merged.textured = faces_[first].textured;
        merged.firstLoop = static_cast<std::uint32_t>(rebuilt.loops.size());
        merged.loopCount = static_cast<std::uint32_t>(loops.size());
        for (const std::vector<Corner>& loop : loops) {
            rebuilt.loops.push_back(
                {static_cast<std::uint32_t>(entities_.corners.size()), static_cast<std::uint32_t>(loop.size())});
            entities_.corners.insert(entities_.corners.end(), loop.begin(), loop.end());
        }
        merged.firstTriangle = static_cast<std::uint32_t>(rebuilt.triangles.size());
        for (std::uint32_t f : members) {
            const std::span<const Triangle> triangles = entities_.TrianglesOf(faces_[f]);
            rebuilt.triangles.insert(rebuilt.triangles.end(), triangles.begin(), triangles.end());
        }
        merged.triangleCount = static_cast<std::uint32_t>(rebuilt.triangles.size() - merged.firstTriangle);
    }

    // Faces come out in the order of each group's first face. An edge stays
    // when some face that uses it is not merged across it, or when no face
    // uses it at all.
    void Rebuild() {
        const auto faceCount = static_cast<std::uint32_t>(faces_.size());
        std::vector<std::uint32_t> groupOf(faceCount);
        for (std::uint32_t f = 0; f < faceCount; ++f) groupOf[f] = Find(f);
        std::vector<std::uint32_t> memberStart, members;
        ListByKey(
            faceCount,
            [&](auto emit) {
                for (std::uint32_t f = 0; f < faceCount; ++f) emit(groupOf[f], f);
            },
            memberStart, members);
        std::vector<std::uint8_t> edgeKept(EdgeCount(), 0);
        for (std::uint32_t edge = 0; edge < EdgeCount(); ++edge) edgeKept[edge] = UsesOf(edge).empty();

        std::size_t groupCount = 0;
        // A merged face's loops have no more corners than its members' loops.
        std::size_t mergedCorners = 0;
        for (std::uint32_t f = 0; f < faceCount; ++f) {
            groupCount += groupOf[f] == f;
            if (memberStart[groupOf[f] + 1] - memberStart[groupOf[f]] < 2) continue;
            for (const Loop& loop : entities_.LoopsOf(faces_[f])) mergedCorners += loop.cornerCount;
        }
        entities_.corners.reserve(entities_.corners.size() + mergedCorners);
        RebuiltLists rebuilt;
        rebuilt.faces.reserve(groupCount);
        rebuilt.loops.reserve(entities_.loops.size());
        rebuilt.triangles.reserve(entities_.triangles.size());
        const auto keepAlone = [&](std::uint32_t face) {
            KeepFace(faces_[face], rebuilt);
            ForEachHalfEdgeOf(face, [&](std::uint32_t, std::uint32_t, std::uint32_t corner) {
                if (const std::uint32_t edge = edgeOfCorner_[corner]; edge != kNone) edgeKept[edge] = 1;
            });
        };
        std::vector<BoundaryEdge> boundary;
        for (std::uint32_t f = 0; f < faceCount; ++f) {
            const std::uint32_t group = groupOf[f];
            const std::span<const std::uint32_t> groupMembers(members.data() + memberStart[group],
                                                              memberStart[group + 1] - memberStart[group]);
            if (groupMembers.front() != f) continue;
            if (groupMembers.size() == 1) {
                keepAlone(f);
                continue;
            }
            boundary.clear();
            for (std::uint32_t member : groupMembers) {
                ForEachHalfEdgeOf(member, [&](std::uint32_t from, std::uint32_t to, std::uint32_t corner) {
                    const std::uint32_t edge = edgeOfCorner_[corner];
                    if (edge == kNone || !IsInterior(edge, MakeEdgeUse(member, from, to), groupOf)) {
                        boundary.push_back({member, from, to, edge});
                    }
                });
            }
            std::optional<std::vector<std::vector<Corner>>> loops = TraceLoops(boundary, planes_[f].normal);
            if (!loops) {
                for (std::uint32_t member : groupMembers) keepAlone(member);
                continue;
            }
            for (const BoundaryEdge& side : boundary) {
                if (side.edge != kNone) edgeKept[side.edge] = 1;
            }
            MergeGroup(groupMembers, std::move(*loops), rebuilt);
        }
        faces_.swap(rebuilt.faces);
        entities_.loops.swap(rebuilt.loops);
        entities_.triangles.swap(rebuilt.triangles);

        std::vector<Edge> keptEdges;
        keptEdges.reserve(entities_.edges.size());
        for (std::uint32_t e = 0; e < entities_.edges.size(); ++e) {
            if (numberOfEdge_[e] == kNone || edgeKept[numberOfEdge_[e]]) keptEdges.push_back(entities_.edges[e]);
        }
        entities_.edges.swap(keptEdges);
    }

    Entities& entities_;
    std::vector<Face>& faces_;
    std::vector<std::uint32_t> edgeStartOfVertex_;  // per vertex, into higherVertex_
    std::vector<std::uint32_t> higherVertex_;       // per edge, listed by lower vertex
    std::vector<std::uint32_t> numberOfEdge_;       // per edge of the entities, or kNone
    std::vector<std::uint32_t> edgeOfCorner_;       // per corner of a loop, the edge to the loop's next corner
    std::vector<std::uint32_t> useStart_;           // per edge, into edgeUses_
    std::vector<EdgeUse> edgeUses_;                 // listed by edge
    std::vector<FacePlane> planes_;
    std::vector<std::uint32_t> mappingOfFace_;      // into mappings_, for textured faces; empty without any
    std::vector<FaceMapping> mappings_;
    std::vector<std::uint32_t> parent_;
    std::vector<std::uint32_t> groupSize_;
};

}  // namespace

void MergeCoplanarFaces(Entities& entities) { Merger(entities).Run(); }

}  // namespace korvanta
