#include "CoplanarMerge.h"

#include <cmath>
#include <limits>
#include <numbers>
#include <numeric>

#include "FaceGeometry.h"
#include "FlatHashMap.h"
#include "Tolerance.h"

namespace korvanta {

namespace {

constexpr std::uint32_t kNone = 0xffffffffu;

// Normals closer than about half a degree count as parallel; the distance
// check against the plane is what really decides.
constexpr double kMinNormalDot = 0.99995;
constexpr double kUvTolerance = 1e-4;

struct HalfEdge {
    std::uint32_t face;
    std::uint32_t from;
    std::uint32_t to;
    std::uint32_t edge;
};

struct Plane {
    Point3 normal;
    double offset = 0.0;
};

// The affine map from positions on a face's plane to texture coordinates,
// taken from one of its triangles.
struct TextureMap {
    Point3 origin;
    TextureCoordinate originUv;
    Point3 gradientU, gradientV;

    TextureCoordinate At(const Point3& p) const {
        const Point3 d = p - origin;
        return {originUv.u + Dot(gradientU, d), originUv.v + Dot(gradientV, d)};
    }
};

bool MapOf(const Entities& entities, const Face& face, TextureMap& map) {
    if (face.triangles.empty()) return false;
    const Triangle& triangle = face.triangles[0];
    const Point3& p0 = entities.vertices[triangle.corners[0].vertex];
    const Point3 e1 = entities.vertices[triangle.corners[1].vertex] - p0;
    const Point3 e2 = entities.vertices[triangle.corners[2].vertex] - p0;
    const double a = Dot(e1, e1), b = Dot(e1, e2), c = Dot(e2, e2);
    const double determinant = a * c - b * b;
    if (!(determinant > 0.0)) return false;
    const auto gradient = [&](double d1, double d2) {
        const double alpha = (c * d1 - b * d2) / determinant;
        const double beta = (a * d2 - b * d1) / determinant;
        return e1 * alpha + e2 * beta;
    };
    const TextureCoordinate& t0 = triangle.corners[0].uv;
    const TextureCoordinate& t1 = triangle.corners[1].uv;
    const TextureCoordinate& t2 = triangle.corners[2].uv;
    map = {p0, t0, gradient(t1.u - t0.u, t2.u - t0.u), gradient(t1.v - t0.v, t2.v - t0.v)};
    return true;
}

bool MapPredicts(const Entities& entities, const TextureMap& map, const Face& face) {
    for (const Corner& corner : face.triangles[0].corners) {
        const TextureCoordinate predicted = map.At(entities.vertices[corner.vertex]);
        const double slackU = kUvTolerance * (1.0 + std::abs(corner.uv.u));
        const double slackV = kUvTolerance * (1.0 + std::abs(corner.uv.v));
        if (std::abs(predicted.u - corner.uv.u) > slackU || std::abs(predicted.v - corner.uv.v) > slackV) return false;
    }
    return true;
}

class Merger {
public:
    explicit Merger(Entities& entities) : entities_(entities), faces_(entities.faces) {}

    void Run() {
        if (faces_.size() < 2) return;
        ComputePlanes();
        CollectHalfEdges();
        JoinCompatibleNeighbours();
        if (!AnyGroupJoined()) return;
        RebuildFaces();
    }

private:
    void ComputePlanes() {
        planes_.resize(faces_.size());
        for (std::size_t f = 0; f < faces_.size(); ++f) {
            planes_[f].normal = FaceNormal(entities_, faces_[f]);
            if (!faces_[f].loops.empty() && !faces_[f].loops[0].corners.empty()) {
                planes_[f].offset = Dot(planes_[f].normal, entities_.vertices[faces_[f].loops[0].corners[0].vertex]);
            }
        }
    }

    void CollectHalfEdges() {
        std::size_t count = 0;
        for (const Face& face : faces_) {
            for (const Loop& loop : face.loops) count += loop.corners.size();
        }
        halfEdges_.reserve(count);
        FlatHashMap edgeIds(count / 2 + 1);
        for (std::uint32_t f = 0; f < faces_.size(); ++f) {
            for (const Loop& loop : faces_[f].loops) {
                for (std::size_t c = 0; c < loop.corners.size(); ++c) {
                    const std::uint32_t from = loop.corners[c].vertex;
                    const std::uint32_t to = loop.corners[(c + 1) % loop.corners.size()].vertex;
                    const auto next = static_cast<std::uint32_t>(edgeIds.Size());
                    halfEdges_.push_back({f, from, to, *edgeIds.Insert(EdgeKey(from, to), next).first});
                }
            }
        }
        edgeCount_ = edgeIds.Size();
        // Half-edges bucketed by edge, so each edge's faces are found together.
        edgeStart_.assign(edgeCount_ + 1, 0);
        for (const HalfEdge& h : halfEdges_) ++edgeStart_[h.edge + 1];
        std::partial_sum(edgeStart_.begin(), edgeStart_.end(), edgeStart_.begin());
        byEdge_.resize(halfEdges_.size());
        std::vector<std::uint32_t> fill(edgeStart_.begin(), edgeStart_.end() - 1);
        for (std::uint32_t h = 0; h < halfEdges_.size(); ++h) byEdge_[fill[halfEdges_[h].edge]++] = h;
        edgeIds_ = std::move(edgeIds);
    }

    bool OnPlaneOf(std::size_t planeFace, const Face& face) const {
        const Plane& plane = planes_[planeFace];
        for (const Loop& loop : face.loops) {
            for (const Corner& corner : loop.corners) {
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
        if (!OnPlaneOf(a, faceB) || !OnPlaneOf(b, faceA)) return false;
        if (!faceA.textured) return true;
        TextureMap mapA, mapB;
        return MapOf(entities_, faceA, mapA) && MapOf(entities_, faceB, mapB) && MapPredicts(entities_, mapA, faceB) &&
               MapPredicts(entities_, mapB, faceA);
    }

    std::uint32_t Find(std::uint32_t f) {
        while (parent_[f] != f) {
            parent_[f] = parent_[parent_[f]];
            f = parent_[f];
        }
        return f;
    }

    void JoinCompatibleNeighbours() {
        parent_.resize(faces_.size());
        std::iota(parent_.begin(), parent_.end(), 0u);
        groupSize_.assign(faces_.size(), 1);
        for (std::size_t e = 0; e < edgeCount_; ++e) {
            for (std::uint32_t i = edgeStart_[e]; i < edgeStart_[e + 1]; ++i) {
                for (std::uint32_t j = i + 1; j < edgeStart_[e + 1]; ++j) {
                    const HalfEdge& a = halfEdges_[byEdge_[i]];
                    const HalfEdge& b = halfEdges_[byEdge_[j]];
                    if (a.face == b.face || a.from != b.to) continue;
                    std::uint32_t rootA = Find(a.face), rootB = Find(b.face);
                    // Checking the groups' first faces too keeps a slow curve
                    // from creeping into one "plane" step by step.
                    if (rootA == rootB || !Compatible(a.face, b.face) || !Compatible(rootA, rootB)) continue;
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

    bool IsInterior(std::uint32_t h) {
        const HalfEdge& edge = halfEdges_[h];
        const std::uint32_t group = Find(edge.face);
        for (std::uint32_t i = edgeStart_[edge.edge]; i < edgeStart_[edge.edge + 1]; ++i) {
            const HalfEdge& other = halfEdges_[byEdge_[i]];
            if (other.from == edge.to && other.to == edge.from && other.face != edge.face && Find(other.face) == group) {
                return true;
            }
        }
        return false;
    }

    TextureCoordinate UvAt(const Face& face, std::uint32_t vertex) const {
        for (const Loop& loop : face.loops) {
            for (const Corner& corner : loop.corners) {
                if (corner.vertex == vertex) return corner.uv;
            }
        }
        return {};
    }

    // Of the boundary half-edges leaving the end of `incoming` (positions in
    // `boundary`), the one that keeps the merged face on the left: the
    // smallest clockwise turn from the way back.
    std::uint32_t NextBoundary(std::uint32_t incoming, const std::vector<std::uint32_t>& candidates,
                               const std::vector<std::uint32_t>& boundary, const Point3& normal) const {
        if (candidates.size() == 1) return candidates[0];
        const HalfEdge& in = halfEdges_[incoming];
        const Point3& at = entities_.vertices[in.to];
        const Point3 back = entities_.vertices[in.from] - at;
        double bestAngle = -1.0;
        std::uint32_t best = candidates[0];
        for (std::uint32_t candidate : candidates) {
            const Point3 out = entities_.vertices[halfEdges_[boundary[candidate]].to] - at;
            double angle = std::atan2(Dot(normal, Cross(back, out)), Dot(back, out));
            if (angle <= 0.0) angle += 2.0 * std::numbers::pi;
            if (angle > bestAngle) {
                bestAngle = angle;
                best = candidate;
            }
        }
        return best;
    }

    std::vector<Loop> TraceLoops(const std::vector<std::uint32_t>& boundary, const Point3& normal) const {
        FlatHashMap firstLeaving(boundary.size());
        std::vector<std::uint32_t> nextLeaving(boundary.size(), kNone);
        for (std::uint32_t i = 0; i < boundary.size(); ++i) {
            auto [head, inserted] = firstLeaving.Insert(halfEdges_[boundary[i]].from, i);
            if (!inserted) {
                nextLeaving[i] = *head;
                *head = i;
            }
        }
        std::vector<bool> used(boundary.size(), false);
        std::vector<Loop> loops;
        std::vector<std::uint32_t> candidates;
        for (std::uint32_t start = 0; start < boundary.size(); ++start) {
            if (used[start]) continue;
            Loop& loop = loops.emplace_back();
            std::uint32_t current = start;
            while (true) {
                used[current] = true;
                const HalfEdge& edge = halfEdges_[boundary[current]];
                loop.corners.push_back({edge.from, UvAt(faces_[edge.face], edge.from)});
                candidates.clear();
                const std::uint32_t* head = firstLeaving.Find(edge.to);
                for (std::uint32_t i = head ? *head : kNone; i != kNone; i = nextLeaving[i]) {
                    if (!used[i] || i == start) candidates.push_back(i);
                }
                // An open chain (from inconsistently oriented input) ends where it stops.
                if (candidates.empty()) break;
                const std::uint32_t next = NextBoundary(boundary[current], candidates, boundary, normal);
                if (next == start) break;
                current = next;
            }
        }
        return loops;
    }

    Face MergeGroup(const std::vector<std::uint32_t>& members, const std::vector<std::uint32_t>& boundary) {
        const std::uint32_t first = members[0];
        const Point3& normal = planes_[first].normal;
        Face merged;
        merged.frontMaterial = faces_[first].frontMaterial;
        merged.textured = faces_[first].textured;
        std::vector<Loop> loops = TraceLoops(boundary, normal);
        std::size_t outer = 0;
        double outerArea = -std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < loops.size(); ++i) {
            const double area = Dot(LoopDoubleVectorArea(entities_, loops[i]), normal);
            if (area > outerArea) {
                outerArea = area;
                outer = i;
            }
        }
        merged.loops.push_back(std::move(loops[outer]));
        for (std::size_t i = 0; i < loops.size(); ++i) {
            if (i != outer) merged.loops.push_back(std::move(loops[i]));
        }
        std::size_t triangleCount = 0;
        for (std::uint32_t f : members) triangleCount += faces_[f].triangles.size();
        merged.triangles.reserve(triangleCount);
        for (std::uint32_t f : members) {
            merged.triangles.insert(merged.triangles.end(), faces_[f].triangles.begin(), faces_[f].triangles.end());
        }
        return merged;
    }

    void RebuildFaces() {
        const auto faceCount = static_cast<std::uint32_t>(faces_.size());
        // Faces and boundary half-edges listed per group, in face order.
        std::vector<std::uint32_t> root(faceCount);
        for (std::uint32_t f = 0; f < faceCount; ++f) root[f] = Find(f);
        std::vector<std::uint32_t> memberStart(faceCount + 1, 0);
        for (std::uint32_t f = 0; f < faceCount; ++f) ++memberStart[root[f] + 1];
        std::partial_sum(memberStart.begin(), memberStart.end(), memberStart.begin());
        std::vector<std::uint32_t> members(faceCount);
        {
            std::vector<std::uint32_t> fill(memberStart.begin(), memberStart.end() - 1);
            for (std::uint32_t f = 0; f < faceCount; ++f) members[fill[root[f]]++] = f;
        }
        std::vector<bool> edgeKept(edgeCount_, false);
        std::vector<std::uint32_t> boundaryStart(faceCount + 1, 0);
        std::vector<std::uint32_t> boundaryOf;
        {
            std::vector<bool> boundary(halfEdges_.size(), false);
            for (std::uint32_t h = 0; h < halfEdges_.size(); ++h) {
                const bool single = groupSize_[root[halfEdges_[h].face]] == 1;
                if (single || !IsInterior(h)) {
                    edgeKept[halfEdges_[h].edge] = true;
                    if (!single) {
                        boundary[h] = true;
                        ++boundaryStart[root[halfEdges_[h].face] + 1];
                    }
                }
            }
            std::partial_sum(boundaryStart.begin(), boundaryStart.end(), boundaryStart.begin());
            boundaryOf.resize(boundaryStart.back());
            std::vector<std::uint32_t> fill(boundaryStart.begin(), boundaryStart.end() - 1);
            for (std::uint32_t h = 0; h < halfEdges_.size(); ++h) {
                if (boundary[h]) boundaryOf[fill[root[halfEdges_[h].face]]++] = h;
            }
        }

        std::vector<Face> rebuilt;
        for (std::uint32_t f = 0; f < faceCount; ++f) {
            const std::uint32_t group = root[f];
            if (groupSize_[group] == 1) {
                rebuilt.push_back(std::move(faces_[f]));
            } else if (members[memberStart[group]] == f) {
                const std::vector<std::uint32_t> groupMembers(members.begin() + memberStart[group],
                                                              members.begin() + memberStart[group + 1]);
                const std::vector<std::uint32_t> groupBoundary(boundaryOf.begin() + boundaryStart[group],
                                                               boundaryOf.begin() + boundaryStart[group + 1]);
                rebuilt.push_back(MergeGroup(groupMembers, groupBoundary));
            }
        }
        faces_.swap(rebuilt);

        std::vector<Edge> keptEdges;
        keptEdges.reserve(entities_.edges.size());
        for (const Edge& edge : entities_.edges) {
            const std::uint32_t* id = edgeIds_.Find(EdgeKey(edge.from, edge.to));
            if (id == nullptr || edgeKept[*id]) keptEdges.push_back(edge);
        }
        entities_.edges.swap(keptEdges);
    }

    Entities& entities_;
    std::vector<Face>& faces_;
    std::vector<Plane> planes_;
    std::vector<HalfEdge> halfEdges_;
    FlatHashMap edgeIds_;
    std::size_t edgeCount_ = 0;
    std::vector<std::uint32_t> edgeStart_;
    std::vector<std::uint32_t> byEdge_;
    std::vector<std::uint32_t> parent_;
    std::vector<std::uint32_t> groupSize_;
};

}  // namespace

void MergeCoplanarFaces(Entities& entities) { Merger(entities).Run(); }

}  // namespace korvanta
