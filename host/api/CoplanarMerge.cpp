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

bool MapOf(const Entities& entities, const Triangle& triangle, TextureMap& map) {
    const Corner& c0 = entities.corners[triangle.corners[0]];
    const Corner& c1 = entities.corners[triangle.corners[1]];
    const Corner& c2 = entities.corners[triangle.corners[2]];
    const Point3& p0 = entities.vertices[c0.vertex];
    const Point3 e1 = entities.vertices[c1.vertex] - p0;
    const Point3 e2 = entities.vertices[c2.vertex] - p0;
    const double a = Dot(e1, e1), b = Dot(e1, e2), c = Dot(e2, e2);
    const double determinant = a * c - b * b;
    if (!(determinant > 0.0)) return false;
    const auto gradient = [&](double d1, double d2) {
        const double alpha = (c * d1 - b * d2) / determinant;
        const double beta = (a * d2 - b * d1) / determinant;
        return e1 * alpha + e2 * beta;
    };
    const TextureCoordinate& t0 = c0.uv;
    const TextureCoordinate& t1 = c1.uv;
    const TextureCoordinate& t2 = c2.uv;
    map = {p0, t0, gradient(t1.u - t0.u, t2.u - t0.u), gradient(t1.v - t0.v, t2.v - t0.v)};
    return true;
}

bool MapPredicts(const Entities& entities, const TextureMap& map, const Triangle& triangle) {
    for (std::uint32_t index : triangle.corners) {
        const Corner& corner = entities.corners[index];
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

    // The merge appends the traced loops' corners; the corners of the faces
    // merged away stay, for the triangles that use them.

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
        cornerVertices_.reserve(CornerCount());
        for (std::size_t f = 0; f < faces_.size(); ++f) {
            const Face& face = faces_[f];
            FaceTraits& traits = traits_[f];
            traits.normal = FaceNormal(entities_, face);
            if (face.loopCount != 0 && entities_.loops[face.firstLoop].cornerCount != 0) {
                const Corner& first = entities_.corners[entities_.loops[face.firstLoop].firstCorner];
                traits.offset = Dot(traits.normal, entities_.vertices[first.vertex]);
            }
            traits.material = face.frontMaterial;
            traits.textured = face.textured;
            traits.firstCorner = static_cast<std::uint32_t>(cornerVertices_.size());
            for (const Loop& loop : entities_.LoopsOf(face)) {
                for (const Corner& corner : entities_.CornersOf(loop)) cornerVertices_.push_back(corner.vertex);
            }
            if (face.textured) {
                traits.mapping = static_cast<std::uint32_t>(mappings_.size());
                FaceMapping& mapping = mappings_.emplace_back();
                if (face.triangleCount != 0) {
                    mapping.triangle = entities_.triangles[face.firstTriangle];
                    mapping.valid = MapOf(entities_, mapping.triangle, mapping.map);
                }
            }
        }
        traits_.back().firstCorner = static_cast<std::uint32_t>(cornerVertices_.size());
    }

    std::size_t CornerCount() const {
        std::size_t count = 0;
        for (const Face& face : faces_) {
            for (const Loop& loop : entities_.LoopsOf(face)) count += loop.cornerCount;
        }
        return count;
    }

    void CollectHalfEdges() {
        halfEdges_.reserve(cornerVertices_.size());
        for (std::uint32_t f = 0; f < faces_.size(); ++f) {
            for (const Loop& loop : entities_.LoopsOf(faces_[f])) {
                const std::span<const Corner> corners = entities_.CornersOf(loop);
                for (std::size_t c = 0; c < corners.size(); ++c) {
                    const std::uint32_t to = corners[(c + 1) % corners.size()].vertex;
                    halfEdges_.push_back({f, corners[c].vertex, to, kNone});
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
        for (const Loop& loop : entities_.LoopsOf(face)) {
            for (const Corner& corner : entities_.CornersOf(loop)) {
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

    std::vector<std::vector<Corner>> TraceLoops(std::span<const std::uint32_t> boundary, const Point3& normal) const {
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
        std::vector<std::vector<Corner>> loops;
        std::vector<std::uint32_t> candidates;
        for (std::uint32_t start = 0; start < boundary.size(); ++start) {
            if (used[start]) continue;
            std::vector<Corner>& loop = loops.emplace_back();
            std::uint32_t current = start;
            while (true) {
                used[current] = 1;
                const HalfEdge& edge = halfEdges_[boundary[current]];
                loop.push_back({edge.from, UvAt(faces_[edge.face], edge.from)});
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

    // The faces, loops and triangles that replace the entities' own.
    struct RebuiltLists {
        LargeVector<Face> faces;
        LargeVector<Loop> loops;
        LargeVector<Triangle> triangles;
    };

    void KeepFace(const Face& face, RebuiltLists& rebuilt) const {
        Face& kept = rebuilt.faces.emplace_back(face);
        kept.firstLoop = static_cast<std::uint32_t>(rebuilt.loops.size());
        kept.firstTriangle = static_cast<std::uint32_t>(rebuilt.triangles.size());
        const std::span<const Loop> loops = entities_.LoopsOf(face);
        const std::span<const Triangle> triangles = entities_.TrianglesOf(face);
        rebuilt.loops.insert(rebuilt.loops.end(), loops.begin(), loops.end());
        rebuilt.triangles.insert(rebuilt.triangles.end(), triangles.begin(), triangles.end());
    }

    void MergeGroup(std::span<const std::uint32_t> members, std::span<const std::uint32_t> boundary,
                    RebuiltLists& rebuilt) {
        const std::uint32_t first = members[0];
        const Point3& normal = traits_[first].normal;
        std::vector<std::vector<Corner>> loops = TraceLoops(boundary, normal);
        std::size_t outer = 0;
        double outerArea = -std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < loops.size(); ++i) {
            const double area = Dot(LoopDoubleVectorArea(entities_, loops[i]), normal);
            if (area > outerArea) {
                outerArea = area;
                outer = i;
            }
        }
        if (!loops.empty()) std::rotate(loops.begin(), loops.begin() + static_cast<std::ptrdiff_t>(outer), loops.begin() + static_cast<std::ptrdiff_t>(outer) + 1);

        Face& merged = rebuilt.faces.emplace_back();
        merged.frontMaterial = faces_[first].frontMaterial;
        merged.textured = faces_[first].textured;
        merged.firstLoop = static_cast<std::uint32_t>(rebuilt.loops.size());
        merged.loopCount = static_cast<std::uint32_t>(loops.size());
        for (const std::vector<Corner>& loop : loops) {
            rebuilt.loops.push_back({static_cast<std::uint32_t>(entities_.corners.size()),
                                     static_cast<std::uint32_t>(loop.size())});
            entities_.corners.insert(entities_.corners.end(), loop.begin(), loop.end());
        }
        merged.firstTriangle = static_cast<std::uint32_t>(rebuilt.triangles.size());
        for (std::uint32_t f : members) {
            const std::span<const Triangle> triangles = entities_.TrianglesOf(faces_[f]);
            rebuilt.triangles.insert(rebuilt.triangles.end(), triangles.begin(), triangles.end());
        }
        merged.triangleCount = static_cast<std::uint32_t>(rebuilt.triangles.size() - merged.firstTriangle);
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
        RebuiltLists rebuilt;
        rebuilt.faces.reserve(groupCount);
        rebuilt.loops.reserve(entities_.loops.size());
        rebuilt.triangles.reserve(entities_.triangles.size());
        for (std::uint32_t f = 0; f < faceCount; ++f) {
            const std::uint32_t group = root[f];
            if (groupSize_[group] == 1) {
                KeepFace(faces_[f], rebuilt);
            } else if (members[memberStart[group]] == f) {
                const std::span<const std::uint32_t> groupMembers(members.data() + memberStart[group],
                                                                  memberStart[group + 1] - memberStart[group]);
                const std::span<const std::uint32_t> groupBoundary(boundaryOf.data() + boundaryStart[group],
                                                                   boundaryStart[group + 1] - boundaryStart[group]);
                MergeGroup(groupMembers, groupBoundary, rebuilt);
            }
        }
        faces_.swap(rebuilt.faces);
        entities_.loops.swap(rebuilt.loops);
        entities_.triangles.swap(rebuilt.triangles);

        LargeVector<Edge> keptEdges;
        keptEdges.reserve(entities_.edges.size());
        for (const Edge& edge : entities_.edges) {
            const std::uint32_t* id = EdgeId(edge.from, edge.to);
            if (id == nullptr || edgeKept[*id]) keptEdges.push_back(edge);
        }
        entities_.edges.swap(keptEdges);
    }

    Entities& entities_;
    LargeVector<Face>& faces_;
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
