#include "SmoothNormals.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <memory>
#include <numeric>
#include <span>
#include <utility>

#include "FaceGeometry.h"
#include "ListByKey.h"
#include "Vector3.h"

namespace korvanta {
namespace {

// Normals this close count as one plane: what a face's float corners
// leave of two faces that lie in one plane.
constexpr double kSamePlaneDot = 1.0 - 1e-5;

// Where no normal can be worked out (a face without area), one that
// points somewhere, as glTF asks for unit normals.
constexpr Point3 kFallbackNormal{0.0, 0.0, 1.0};

// No vertex: where a wedge's side is hard.
constexpr std::uint32_t kNoVertex = 0xffffffffu;

std::array<float, 3> Stored(const Point3& normal) {
    return {static_cast<float>(normal.x), static_cast<float>(normal.y), static_cast<float>(normal.z)};
}

// Lexicographic, so that the normals of one plane lie together once sorted.
bool ComesBefore(const Point3& a, const Point3& b) {
    if (a.x != b.x) return a.x < b.x;
    if (a.y != b.y) return a.y < b.y;
    return a.z < b.z;
}

// A loop's corner as its vertex sees it: its face, and the vertices at the
// far ends of the loop's two sides there, each only where the side is smooth.
struct Wedge {
    std::uint32_t face;
    std::uint32_t corner;
    std::array<std::uint32_t, 2> smoothTo;  // kNoVertex for a hard side
};

// Works through the corners vertex by vertex, each vertex's few corners
// together: the smooth edges are listed by their lower vertex and the
// corners by their vertex, each in one array, so that the walk reads memory
// in order instead of hashing every side.
class NormalMaker {
public:
    explicit NormalMaker(const Entities& entities) : entities_(entities) {}

    CornerNormals Make() {
        ListSmoothEdges();
        ListWedges();
        result_.normalOfCorner.assign(entities_.corners.size(), CornerNormals::kAny);
        lastWedgeTo_.assign(entities_.vertices.size(), kNoWedge);
        for (std::uint32_t v = 0; v < entities_.vertices.size(); ++v) {
            const std::span<const Wedge> wedges(wedges_.get() + wedgeStart_[v], wedgeStart_[v + 1] - wedgeStart_[v]);
            if (wedges.size() <= kFewCorners) {
                NumberFewSurfaces(wedgeStart_[v], wedges);
            } else {
                NumberManySurfaces(wedges);
            }
        }
        // Where the loops run through the corners in order, every corner has
        // its normal now (the triangles draw loops' corners, as a fill makes them).
        if (!loopsInOrder_ || wedgeStart_.back() != entities_.corners.size()) AssignTriangleCorners();
        return std::move(result_);
    }

private:
    // Corners at a vertex whose every pair is compared, one bit each.
    static constexpr std::size_t kFewCorners = 64;
    static constexpr std::uint32_t kNoWedge = 0xffffffffu;
    // Smooth edges at a vertex that are looked through one by one.
    static constexpr std::ptrdiff_t kShortList = 8;

    // Each smooth edge under its lower vertex; long lists sorted.
    void ListSmoothEdges() {
        ListByKey(
            entities_.vertices.size(),
            [&](auto emit) {
                for (std::uint32_t e = 0; e < entities_.smoothEdges.size(); ++e) {
                    if (entities_.smoothEdges[e] == 0) continue;
                    const Edge& edge = entities_.edges[e];
                    emit(std::min(edge.from, edge.to), std::max(edge.from, edge.to));
                }
            },
            smoothStart_, smoothHigher_);
        for (std::size_t v = 0; v + 1 < smoothStart_.size(); ++v) {
            if (smoothStart_[v + 1] - smoothStart_[v] <= kShortList) continue;
            std::sort(smoothHigher_.begin() + smoothStart_[v], smoothHigher_.begin() + smoothStart_[v + 1]);
        }
    }

    bool IsSmoothSide(std::uint32_t a, std::uint32_t b) const {
        const std::uint32_t low = a < b ? a : b, high = a < b ? b : a;
        const std::uint32_t* first = smoothHigher_.data() + smoothStart_[low];
        const std::uint32_t* last = smoothHigher_.data() + smoothStart_[low + 1];
        if (last - first > kShortList) return std::binary_search(first, last, high);
        for (; first != last; ++first) {
            if (*first == high) return true;
        }
        return false;
    }

    // Every loop's corner under its vertex, in the order of the faces, and
    // the loops' smooth sides in that order; the faces' normals on the way.
    void ListWedges() {
        wedgeStart_.assign(entities_.vertices.size() + 1, 0);
        std::size_t loopCorners = 0;
        faceNormals_.reserve(entities_.faces.size());
        for (const Face& face : entities_.faces) {
            const Point3 normal = FaceNormal(entities_, face);
            // A face too large for its area to be worked out has none.
            faceNormals_.push_back(std::isfinite(normal.x) && std::isfinite(normal.y) && std::isfinite(normal.z) ? normal : Point3{});
            for (const Loop& loop : entities_.LoopsOf(face)) {
                for (const Corner& corner : entities_.CornersOf(loop)) ++wedgeStart_[corner.vertex + 1];
                loopCorners += loop.cornerCount;
            }
        }
        std::partial_sum(wedgeStart_.begin(), wedgeStart_.end(), wedgeStart_.begin());
        // Every wedge is written below: the array is not cleared first.
        wedges_ = std::make_unique_for_overwrite<Wedge[]>(wedgeStart_.back());
        result_.smoothSides.assign((loopCorners + 7) / 8, 0);
        std::vector<std::uint32_t> next(wedgeStart_.begin(), wedgeStart_.end() - 1);
        std::size_t side = 0;
        for (std::uint32_t f = 0; f < entities_.faces.size(); ++f) {
            for (const Loop& loop : entities_.LoopsOf(entities_.faces[f])) {
                const std::span<const Corner> corners = entities_.CornersOf(loop);
                const std::size_t n = corners.size();
                loopsInOrder_ = loopsInOrder_ && loop.firstCorner == side;
                if (n == 0) continue;
                const std::uint32_t last = corners[n - 1].vertex;
                const std::uint32_t closing = IsSmoothSide(last, corners[0].vertex) ? corners[0].vertex : kNoVertex;
                std::uint32_t smoothBefore = closing == kNoVertex ? kNoVertex : last;
                for (std::size_t c = 0; c < n; ++c, ++side) {
                    const std::uint32_t vertex = corners[c].vertex;
                    std::uint32_t smoothAfter = closing;
                    if (c + 1 < n) smoothAfter = IsSmoothSide(vertex, corners[c + 1].vertex) ? corners[c + 1].vertex : kNoVertex;
                    if (smoothAfter != kNoVertex) result_.smoothSides[side / 8] |= static_cast<std::uint8_t>(1u << (side % 8));
                    wedges_[next[vertex]++] = {f, loop.firstCorner + static_cast<std::uint32_t>(c), {smoothBefore, smoothAfter}};
                    smoothBefore = smoothAfter == kNoVertex ? kNoVertex : vertex;
                }
            }
        }
    }

    // The vertex's corners, joined into surfaces across their smooth sides:
    // a surface is a set of bits, one per corner. Corners with a smooth side
    // to one vertex are found through the wedge that last named that vertex,
    // which belongs to this vertex when it comes at or after its first.
    void NumberFewSurfaces(std::uint32_t first, std::span<const Wedge> wedges) {
        std::array<std::uint64_t, kFewCorners> joined;
        for (std::uint32_t i = 0; i < wedges.size(); ++i) {
            joined[i] = 0;
            if (i > 0 && wedges[i].face == wedges[i - 1].face) Join(joined, i, i - 1);
            for (const std::uint32_t end : wedges[i].smoothTo) {
                if (end == kNoVertex) continue;
                std::uint32_t& last = lastWedgeTo_[end];
                if (last != kNoWedge && last >= first) Join(joined, i, last - first);
                last = first + i;
            }
        }
        std::uint64_t left = wedges.size() == kFewCorners ? ~std::uint64_t{0} : (std::uint64_t{1} << wedges.size()) - 1;
        while (left != 0) {
            std::uint64_t surface = left & (~left + 1), reachedLast = surface;
            while (reachedLast != 0) {
                std::uint64_t reached = 0;
                for (std::uint64_t bits = reachedLast; bits != 0; bits &= bits - 1) reached |= joined[std::countr_zero(bits)];
                reachedLast = reached & ~surface;
                surface |= reachedLast;
            }
            left &= ~surface;
            std::array<Member, kFewCorners> members;
            std::size_t count = 0;
            for (std::uint64_t bits = surface; bits != 0; bits &= bits - 1) {
                const auto w = static_cast<std::uint32_t>(std::countr_zero(bits));
                Member member{&faceNormals_[wedges[w].face], w};
                // Insertion sort: the few corners of a vertex are sorted
                // before std::sort would have chosen how to sort them.
                std::size_t at = count++;
                for (; at > 0 && ComesBefore(*member.normal, *members[at - 1].normal); --at) members[at] = members[at - 1];
                members[at] = member;
            }
            NumberSurface(wedges, std::span<const Member>(members.data(), count));
        }
    }

    static void Join(std::array<std::uint64_t, kFewCorners>& joined, std::uint32_t a, std::uint32_t b) {
        joined[a] |= std::uint64_t{1} << b;
        joined[b] |= std::uint64_t{1} << a;
    }

    std::uint32_t Find(std::uint32_t i) {
        while (parent_[i] != i) i = parent_[i] = parent_[parent_[i]];
        return i;
    }

    // The corners of a vertex that many faces meet, joined by the far ends
    // of their smooth sides.
    void NumberManySurfaces(std::span<const Wedge> wedges) {
        const auto count = static_cast<std::uint32_t>(wedges.size());
        parent_.resize(count);
        std::iota(parent_.begin(), parent_.end(), 0u);
        sides_.clear();
        for (std::uint32_t i = 0; i < count; ++i) {
            if (i > 0 && wedges[i].face == wedges[i - 1].face) parent_[Find(i)] = Find(i - 1);
            for (const std::uint32_t end : wedges[i].smoothTo) {
                if (end != kNoVertex) sides_.emplace_back(end, i);
            }
        }
        std::sort(sides_.begin(), sides_.end());
        for (std::size_t s = 1; s < sides_.size(); ++s) {
            if (sides_[s].first == sides_[s - 1].first) parent_[Find(sides_[s].second)] = Find(sides_[s - 1].second);
        }
        surfaceMembers_.clear();
        for (std::uint32_t i = 0; i < count; ++i) surfaceMembers_.emplace_back(Find(i), i);
        std::sort(surfaceMembers_.begin(), surfaceMembers_.end());
        for (std::size_t m = 0; m < surfaceMembers_.size();) {
            manyMembers_.clear();
            const std::uint32_t surface = surfaceMembers_[m].first;
            for (; m < surfaceMembers_.size() && surfaceMembers_[m].first == surface; ++m) {
                const std::uint32_t w = surfaceMembers_[m].second;
                manyMembers_.push_back({&faceNormals_[wedges[w].face], w});
            }
            std::sort(manyMembers_.begin(), manyMembers_.end(),
                      [](const Member& a, const Member& b) { return ComesBefore(*a.normal, *b.normal); });
            NumberSurface(wedges, manyMembers_);
        }
    }

    struct Member {
        const Point3* normal;  // of its face
        std::uint32_t wedge;   // in the vertex's list
    };

    // Gives the corners of one surface at a vertex, its members sorted by
    // their faces' normals, their normal: the sum of their faces' different
    // planes, made unit.
    void NumberSurface(std::span<const Wedge> wedges, std::span<const Member> members) {
        Point3 sum;
        const Point3* lastPlane = nullptr;
        for (const Member& member : members) {
            if (lastPlane != nullptr && Dot(*lastPlane, *member.normal) > kSamePlaneDot) continue;
            sum = sum + *member.normal;
            lastPlane = member.normal;
        }
        const double length = Length(sum);
        // Faces back to back cancel out: each then keeps its own.
        if (length == 0.0) {
            for (const Member& member : members) {
                const Wedge& wedge = wedges[member.wedge];
                result_.normalOfCorner[wedge.corner] = OwnNormal(wedge.face);
            }
            return;
        }
        const auto index = static_cast<std::uint32_t>(result_.normals.size());
        result_.normals.push_back(Stored(sum * (1.0 / length)));
        for (const Member& member : members) result_.normalOfCorner[wedges[member.wedge].corner] = index;
    }

    std::uint32_t OwnNormal(std::uint32_t face) {
        if (ownNormal_.empty()) ownNormal_.assign(entities_.faces.size(), CornerNormals::kAny);
        std::uint32_t& own = ownNormal_[face];
        if (own == CornerNormals::kAny) {
            own = static_cast<std::uint32_t>(result_.normals.size());
            const Point3& normal = faceNormals_[face];
            result_.normals.push_back(Stored(Length(normal) > 0.0 ? normal : kFallbackNormal));
        }
        return own;
    }

    // Triangles mostly draw their face's loop corners, which have their
    // normals now. Those of merged faces keep corners of their own: each
    // takes what its face shows at its vertex, or the face's own normal
    // where no loop of the face runs through the vertex (inside the face).
    void AssignTriangleCorners() {
        for (std::uint32_t f = 0; f < entities_.faces.size(); ++f) {
            const Face& face = entities_.faces[f];
            bool listed = false;
            for (const Triangle& triangle : entities_.TrianglesOf(face)) {
                for (const std::uint32_t c : triangle.corners) {
                    if (result_.normalOfCorner[c] != CornerNormals::kAny) continue;
                    if (!listed) ListFaceVertexNormals(face);
                    listed = true;
                    const std::uint32_t vertex = entities_.corners[c].vertex;
                    const auto found = std::lower_bound(faceVertexNormals_.begin(), faceVertexNormals_.end(),
                                                        std::pair(vertex, std::uint32_t{0}));
                    result_.normalOfCorner[c] =
                        found != faceVertexNormals_.end() && found->first == vertex ? found->second : OwnNormal(f);
                }
            }
        }
    }

    void ListFaceVertexNormals(const Face& face) {
        faceVertexNormals_.clear();
        for (const Loop& loop : entities_.LoopsOf(face)) {
            for (std::uint32_t c = loop.firstCorner; c < loop.firstCorner + loop.cornerCount; ++c) {
                faceVertexNormals_.emplace_back(entities_.corners[c].vertex, result_.normalOfCorner[c]);
            }
        }
        std::sort(faceVertexNormals_.begin(), faceVertexNormals_.end());
    }

    const Entities& entities_;
    std::vector<std::uint32_t> smoothStart_, smoothHigher_;  // smooth edges by lower vertex
    std::vector<Point3> faceNormals_;
    std::vector<std::uint32_t> wedgeStart_;  // per vertex, into wedges_
    std::unique_ptr<Wedge[]> wedges_;  // by vertex
    std::vector<std::uint32_t> lastWedgeTo_;  // per vertex, the wedge that last had a smooth side to it
    std::vector<std::uint32_t> ownNormal_;  // per face, made when first needed
    bool loopsInOrder_ = true;              // each loop's corners follow the last loop's
    // Kept across vertices and faces so that their buffers are allocated once.
    std::vector<std::uint32_t> parent_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> sides_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> surfaceMembers_;
    std::vector<Member> manyMembers_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> faceVertexNormals_;
    CornerNormals result_;
};

}  // namespace

CornerNormals SmoothCornerNormals(const Entities& entities) {
    if (std::find(entities.smoothEdges.begin(), entities.smoothEdges.end(), 1) == entities.smoothEdges.end()) return {};
    return NormalMaker(entities).Make();
}

}  // namespace korvanta
