#include "CoplanarMerge.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <optional>
#include <span>
#include <utility>

#include "BoundaryLoops.h"
#include "FaceGeometry.h"
#include "ListByKey.h"
#include "LoopSides.h"
#include "PlanarTextureMap.h"
#include "Tolerance.h"

namespace korvanta {

namespace {

// Normals closer than about half a degree count as parallel; the distance
// check against the plane is what really decides.
constexpr double kMinNormalDot = 0.99995;

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
        if (faces_.size() < 2 || faces_.size() >= kMaxFacesForEdgeUses || entities_.corners.size() >= kNoIndex / 2) return;
        sides_.emplace(entities_);
        FindHardEdgesNearSmooth();
        ComputePlanes();
        JoinCompatibleNeighbours();
        if (!AnyGroupJoined()) return;
        Rebuild();
    }

private:
    // Faces on either side of a smooth edge are drawn as one surface
    // already; across a hard edge they are drawn apart, which merging them
    // keeps only where no smooth edge meets the hard edge's ends.
    void FindHardEdgesNearSmooth() {
        if (entities_.smoothEdges.empty()) return;
        std::vector<std::uint8_t> meetsSmooth(entities_.vertices.size(), 0);
        for (std::uint32_t e = 0; e < entities_.edges.size(); ++e) {
            if (entities_.IsSmooth(e)) meetsSmooth[entities_.edges[e].from] = meetsSmooth[entities_.edges[e].to] = 1;
        }
        keptApart_.assign(entities_.edges.size(), 0);
        for (std::uint32_t e = 0; e < entities_.edges.size(); ++e) {
            const Edge& edge = entities_.edges[e];
            if (entities_.IsSmooth(e)) continue;
            keptApart_[e] = meetsSmooth[edge.from] | meetsSmooth[edge.to];
        }
    }

    bool MayJoinAcross(std::uint32_t edge) const { return keptApart_.empty() || keptApart_[edge] == 0; }

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

    // The number of a textured face's mapping, worked out when a neighbour
    // is first compared with it: most faces of a curved surface never are.
    std::uint32_t MappingOf(std::uint32_t f) {
        if (mappingOfFace_.empty()) mappingOfFace_.assign(faces_.size(), kNoIndex);
        if (mappingOfFace_[f] == kNoIndex) {
            mappingOfFace_[f] = static_cast<std::uint32_t>(mappings_.size());
            FaceMapping& mapping = mappings_.emplace_back();
            const Face& face = faces_[f];
            if (face.triangleCount != 0) {
                mapping.triangle = entities_.triangles[face.firstTriangle];
                mapping.valid = MapOf(entities_, mapping.triangle, mapping.map);
            }
        }
        return mappingOfFace_[f];
    }

    bool Compatible(std::uint32_t a, std::uint32_t b) {
        const Face& faceA = faces_[a];
        const Face& faceB = faces_[b];
        if (faceA.frontMaterial != faceB.frontMaterial || faceA.textured != faceB.textured) return false;
        if (Dot(planes_[a].normal, planes_[b].normal) < kMinNormalDot) return false;
        if (!OnPlaneOf(a, b) || !OnPlaneOf(b, a)) return false;
        if (!faceA.textured) return true;
        // Both made before either is read: making one may move the other.
        const std::uint32_t mappingA = MappingOf(a), mappingB = MappingOf(b);
        const FaceMapping& mapA = mappings_[mappingA];
        const FaceMapping& mapB = mappings_[mappingB];
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
        sides_->ForEachEdgeInVertexOrder([&](std::uint32_t edge) {
            const std::span<const EdgeUse> uses = sides_->UsesOf(edge);
            if (!MayJoinAcross(edge)) return;
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
        });
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
        for (EdgeUse other : sides_->UsesOf(edge)) {
            if (RunsDown(other) != RunsDown(use) && FaceOf(other) != FaceOf(use) && groupOf[FaceOf(other)] == group) {
                return true;
            }
        }
        return false;
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
        std::vector<std::uint8_t> edgeKept(entities_.edges.size(), 0);
        for (std::uint32_t edge = 0; edge < edgeKept.size(); ++edge) edgeKept[edge] = sides_->UsesOf(edge).empty();

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
            ForEachSideOf(entities_, faces_[face], [&](std::uint32_t, std::uint32_t, std::uint32_t corner) {
                if (const std::uint32_t edge = sides_->EdgeOfCorner(corner); edge != kNoIndex) edgeKept[edge] = 1;
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
                ForEachSideOf(entities_, faces_[member], [&](std::uint32_t from, std::uint32_t to, std::uint32_t corner) {
                    const std::uint32_t edge = sides_->EdgeOfCorner(corner);
                    if (edge == kNoIndex || !IsInterior(edge, MakeEdgeUse(member, from, to), groupOf)) {
                        boundary.push_back({member, from, to, edge});
                    }
                });
            }
            std::optional<std::vector<std::vector<Corner>>> loops = TraceBoundaryLoops(entities_, boundary, planes_[f].normal);
            if (!loops) {
                for (std::uint32_t member : groupMembers) keepAlone(member);
                continue;
            }
            for (const BoundaryEdge& side : boundary) {
                if (side.edge != kNoIndex) edgeKept[side.edge] = 1;
            }
            MergeGroup(groupMembers, std::move(*loops), rebuilt);
        }
        faces_.swap(rebuilt.faces);
        entities_.loops.swap(rebuilt.loops);
        entities_.triangles.swap(rebuilt.triangles);

        std::vector<Edge> keptEdges;
        std::vector<std::uint8_t> keptSmooth;
        keptEdges.reserve(entities_.edges.size());
        for (std::uint32_t e = 0; e < entities_.edges.size(); ++e) {
            if (!edgeKept[e]) continue;
            keptEdges.push_back(entities_.edges[e]);
            if (!entities_.smoothEdges.empty()) keptSmooth.push_back(entities_.smoothEdges[e]);
        }
        entities_.edges.swap(keptEdges);
        entities_.smoothEdges.swap(keptSmooth);
    }

    Entities& entities_;
    std::vector<Face>& faces_;
    std::optional<LoopSides> sides_;
    std::vector<std::uint8_t> keptApart_;           // per edge, 1 for a hard edge near a smooth one; empty without any
    std::vector<FacePlane> planes_;
    std::vector<std::uint32_t> mappingOfFace_;      // into mappings_, or kNoIndex; empty until a mapping is needed
    std::vector<FaceMapping> mappings_;
    std::vector<std::uint32_t> parent_;
    std::vector<std::uint32_t> groupSize_;
};

}  // namespace

void MergeCoplanarFaces(Entities& entities) { Merger(entities).Run(); }

}  // namespace korvanta
