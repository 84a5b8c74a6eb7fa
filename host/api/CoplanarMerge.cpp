#include "CoplanarMerge.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <numeric>
#include <span>

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

bool MapPredicts(const Entities& entities, const TextureMap& map, const Triangle& triangle) {
    for (const Corner& corner : triangle.corners) {
        const TextureCoordinate predicted = map.At(entities.vertices[corner.vertex]);
        const double slackU = kUvTolerance * (1.0 + std::abs(corner.uv.u));
        const double slackV = kUvTolerance * (1.0 + std::abs(corner.uv.v));
        if (std::abs(predicted.u - corner.uv.u) > slackU || std::abs(predicted.v - corner.uv.v) > slackV) return false;
    }
    return true;
}

// What deciding whether two faces may join needs of each face, kept in flat
// arrays: walking the faces' own loops jumps all over memory on large models.
struct FaceTraits {
    Point3 normal;
    double offset = 0.0;
    const Material* material = nullptr;
    std::uint32_t firstCorner = 0;  // into the merger's corner vertices; the next face's is the end
    std::uint32_t mapping = kNone;  // into the merger's texture mappings, for textured faces
    bool textured = false;
};

// A textured face's mapping, when its first triangle has one, and that triangle.
struct FaceMapping {
    TextureMap map;
    bool valid = false;
    Triangle triangle;
};

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
        traits_.resize(faces_.size() + 1);
        std::size_t cornerCount = 0;
        for (const Face& face : faces_) {
            for (const Loop& loop : face.loops) cornerCount += loop.corners.size();
        }
        cornerVertices_.reserve(cornerCount);
        for (std::size_t f = 0; f < faces_.size(); ++f) {
            const Face& face = faces_[f];
            FaceTraits& traits = traits_[f];
            traits.normal = FaceNormal(entities_, face);
            if (!face.loops.empty() && !face.loops[0].corners.empty()) {
                traits.offset = Dot(traits.normal, entities_.vertices[face.loops[0].corners[0].vertex]);
            }
            traits.material = face.frontMaterial;
            traits.textured = face.textured;
            traits.firstCorner = static_cast<std::uint32_t>(cornerVertices_.size());
            for (const Loop& loop : face.loops) {
                for (const Corner& corner : loop.corners) cornerVertices_.push_back(corner.vertex);
            }
            if (face.textured) {
                traits.mapping = static_cast<std::uint32_t>(mappings_.size());
                FaceMapping& mapping = mappings_.emplace_back();
                mapping.valid = MapOf(entities_, face, mapping.map);
                if (mapping.valid) mapping.triangle = face.triangles[0];
            }
        }
        traits_.back().firstCorner = static_cast<std::uint32_t>(cornerVertices_.size());
    }

    void CollectHalfEdges() {
        std::size_t count = 0;
        for (const Face& face : faces_) {
            for (const Loop& loop : face.loops) count += loop.corners.size();
        }
        halfEdges_.reserve(count);
        for (std::uint32_t f = 0; f < faces_.size(); ++f) {
            for (const Loop& loop : faces_[f].loops) {
                for (std::size_t c = 0; c < loop.corners.size(); ++c) {
                    const std::uint32_t to = loop.corners[(c + 1) % loop.corners.size()].vertex;
                    halfEdges_.push_back({f, loop.corners[c].vertex, to, kNone});
                }
            }
        }
        // Edges are told apart by their lower vertex's list of higher vertices
        // rather than a hash of both: the lists lie in vertex order, which
        // neighbouring faces share, where a hash table scatters every lookup.
        vertexEdgeStart_.assign(entities_.vertices.size() + 1, 0);
        for (const HalfEdge& h : halfEdges_) ++vertexEdgeStart_[std::min(h.from, h.to) + 1];
        std::partial_sum(vertexEdgeStart_.begin(), vertexEdgeStart_.end(), vertexEdgeStart_.begin());
        higherVertex_.resize(halfEdges_.size());
        edgeOfEntry_.assign(halfEdges_.size(), kNone);
        {
            LargeVector<std::uint32_t> fill(vertexEdgeStart_.begin(), vertexEdgeStart_.end() - 1);
            for (const HalfEdge& h : halfEdges_) higherVertex_[fill[std::min(h.from, h.to)]++] = std::max(h.from, h.to);
        }
        // Numbered in order of first use, which decides the order of joining.
        for (HalfEdge& h : halfEdges_) {
            std::uint32_t* id = EdgeId(h.from, h.to);
            if (*id == kNone) *id = static_cast<std::uint32_t>(edgeCount_++);
            h.edge = *id;
        }
        // Half-edges bucketed by edge, so each edge's faces are found together.
        edgeStart_.assign(edgeCount_ + 1, 0);
        for (const HalfEdge& h : halfEdges_) ++edgeStart_[h.edge + 1];
        std::partial_sum(edgeStart_.begin(), edgeStart_.end(), edgeStart_.begin());
        byEdge_.resize(halfEdges_.size());
        LargeVector<std::uint32_t> fill(edgeStart_.begin(), edgeStart_.end() - 1);
        for (std::uint32_t h = 0; h < halfEdges_.size(); ++h) byEdge_[fill[halfEdges_[h].edge]++] = h;
    }

    // The number of the edge between two vertices (kNone until numbered), or
    // null when no face uses that edge.
    std::uint32_t* EdgeId(std::uint32_t a, std::uint32_t b) {
        const std::uint32_t low = std::min(a, b), high = std::max(a, b);
        if (high >= entities_.vertices.size()) return nullptr;
        for (std::uint32_t i = vertexEdgeStart_[low]; i < vertexEdgeStart_[low + 1]; ++i) {
            if (higherVertex_[i] == high) return &edgeOfEntry_[i];
        }
        return nullptr;
    }

    bool OnPlaneOf(std::uint32_t planeFace, std::uint32_t face) const {
        const FaceTraits& plane = traits_[planeFace];
        for (std::uint32_t c = traits_[face].firstCorner; c < traits_[face + 1].firstCorner; ++c) {
            const Point3& corner = entities_.vertices[cornerVertices_[c]];
            if (std::abs(Dot(plane.normal, corner) - plane.offset) >= kLengthTolerance) return false;
        }
        return true;
    }

    bool Compatible(std::uint32_t a, std::uint32_t b) const {
        const FaceTraits& traitsA = traits_[a];
        const FaceTraits& traitsB = traits_[b];
        if (traitsA.material != traitsB.material || traitsA.textured != traitsB.textured) return false;
        if (Dot(traitsA.normal, traitsB.normal) < kMinNormalDot) return false;
        if (!OnPlaneOf(a, b) || !OnPlaneOf(b, a)) return false;
        if (!traitsA.textured) return true;
        const FaceMapping& mapA = mappings_[traitsA.mapping];
        const FaceMapping& mapB = mappings_[traitsB.mapping];
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
                    if (rootA == rootB || !Compatible(a.face, b.face)) continue;
                    const bool rootsChecked =
                        (rootA == a.face && rootB == b.face) || (rootA == b.face && rootB == a.face);
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
                               std::span<const std::uint32_t> boundary, const Point3& normal) const {
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

    std::vector<Loop> TraceLoops(std::span<const std::uint32_t> boundary, const Point3& normal) const {
        FlatHashMap firstLeaving(boundary.size());
        std::vector<std::uint32_t> nextLeaving(boundary.size(), kNone);
        for (std::uint32_t i = 0; i < boundary.size(); ++i) {
            auto [head, inserted] = firstLeaving.Insert(halfEdges_[boundary[i]].from, i);
            if (!inserted) {
                nextLeaving[i] = *head;
                *head = i;
            }
        }
        std::vector<std::uint8_t> used(boundary.size(), 0);
        std::vector<Loop> loops;
        std::vector<std::uint32_t> candidates;
        for (std::uint32_t start = 0; start < boundary.size(); ++start) {
            if (used[start]) continue;
            Loop& loop = loops.emplace_back();
            std::uint32_t current = start;
            while (true) {
                used[current] = 1;
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

    Face MergeGroup(std::span<const std::uint32_t> members, std::span<const std::uint32_t> boundary) {
        const std::uint32_t first = members[0];
        const Point3& normal = traits_[first].normal;
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
        AdviseHugePages(merged.triangles.data(), triangleCount * sizeof(Triangle));
        for (std::uint32_t f : members) {
            merged.triangles.insert(merged.triangles.end(), faces_[f].triangles.begin(), faces_[f].triangles.end());
        }
        return merged;
    }

    void RebuildFaces() {
        const auto faceCount = static_cast<std::uint32_t>(faces_.size());
        // Faces and boundary half-edges listed per group, in face order.
        LargeVector<std::uint32_t> root(faceCount);
        for (std::uint32_t f = 0; f < faceCount; ++f) root[f] = Find(f);
        LargeVector<std::uint32_t> memberStart(faceCount + 1, 0);
        for (std::uint32_t f = 0; f < faceCount; ++f) ++memberStart[root[f] + 1];
        std::partial_sum(memberStart.begin(), memberStart.end(), memberStart.begin());
        LargeVector<std::uint32_t> members(faceCount);
        {
            LargeVector<std::uint32_t> fill(memberStart.begin(), memberStart.end() - 1);
            for (std::uint32_t f = 0; f < faceCount; ++f) members[fill[root[f]]++] = f;
        }
        LargeVector<std::uint8_t> edgeKept(edgeCount_, 0);
        LargeVector<std::uint32_t> boundaryStart(faceCount + 1, 0);
        std::vector<std::uint32_t> boundaryOf;
        {
            LargeVector<std::uint8_t> boundary(halfEdges_.size(), 0);
            for (std::uint32_t h = 0; h < halfEdges_.size(); ++h) {
                const bool single = groupSize_[root[halfEdges_[h].face]] == 1;
                if (single || !IsInterior(h)) {
                    edgeKept[halfEdges_[h].edge] = 1;
                    if (!single) {
                        boundary[h] = 1;
                        ++boundaryStart[root[halfEdges_[h].face] + 1];
                    }
                }
            }
            std::partial_sum(boundaryStart.begin(), boundaryStart.end(), boundaryStart.begin());
            boundaryOf.resize(boundaryStart.back());
            LargeVector<std::uint32_t> fill(boundaryStart.begin(), boundaryStart.end() - 1);
            for (std::uint32_t h = 0; h < halfEdges_.size(); ++h) {
                if (boundary[h]) boundaryOf[fill[root[halfEdges_[h].face]]++] = h;
            }
        }

        std::size_t groupCount = 0;
        for (std::uint32_t f = 0; f < faceCount; ++f) groupCount += root[f] == f;
        std::vector<Face> rebuilt;
        rebuilt.reserve(groupCount);
        for (std::uint32_t f = 0; f < faceCount; ++f) {
            const std::uint32_t group = root[f];
            if (groupSize_[group] == 1) {
                rebuilt.push_back(std::move(faces_[f]));
            } else if (members[memberStart[group]] == f) {
                const std::span<const std::uint32_t> groupMembers(members.data() + memberStart[group],
                                                                  memberStart[group + 1] - memberStart[group]);
                const std::span<const std::uint32_t> groupBoundary(boundaryOf.data() + boundaryStart[group],
                                                                   boundaryStart[group + 1] - boundaryStart[group]);
                rebuilt.push_back(MergeGroup(groupMembers, groupBoundary));
            }
        }
        faces_.swap(rebuilt);

        std::vector<Edge> keptEdges;
        keptEdges.reserve(entities_.edges.size());
        AdviseHugePages(keptEdges.data(), entities_.edges.size() * sizeof(Edge));
        for (const Edge& edge : entities_.edges) {
            const std::uint32_t* id = EdgeId(edge.from, edge.to);
            if (id == nullptr || edgeKept[*id]) keptEdges.push_back(edge);
        }
        entities_.edges.swap(keptEdges);
    }

    Entities& entities_;
    std::vector<Face>& faces_;
    LargeVector<FaceTraits> traits_;  // one per face and one past the end
    LargeVector<std::uint32_t> cornerVertices_;
    std::vector<FaceMapping> mappings_;
    LargeVector<HalfEdge> halfEdges_;
    LargeVector<std::uint32_t> vertexEdgeStart_;  // per vertex, into the two lists below
    LargeVector<std::uint32_t> higherVertex_;     // per half-edge, grouped by its lower vertex
    LargeVector<std::uint32_t> edgeOfEntry_;      // the edge number, on the first entry for each edge
    std::size_t edgeCount_ = 0;
    LargeVector<std::uint32_t> edgeStart_;
    LargeVector<std::uint32_t> byEdge_;
    LargeVector<std::uint32_t> parent_;
    LargeVector<std::uint32_t> groupSize_;
};

}  // namespace

void MergeCoplanarFaces(Entities& entities) { Merger(entities).Run(); }

}  // namespace korvanta
