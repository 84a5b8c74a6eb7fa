#include "SmoothNormals.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <span>
#include <tuple>
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

std::array<float, 3> Stored(const Point3& normal) {
    return {static_cast<float>(normal.x), static_cast<float>(normal.y), static_cast<float>(normal.z)};
}

// A loop's corner as its vertex sees it: the face, the loop's vertices
// before and after it, and whether the loop's sides to them are smooth.
struct Wedge {
    std::uint32_t face;
    std::uint32_t corner;
    std::uint32_t before;
    std::uint32_t after;
    bool smoothBefore;
    bool smoothAfter;
};

// Works through the corners vertex by vertex, each vertex's few corners
// together: the smooth edges are listed by their lower vertex and the
// corners by their vertex, each in one array, so that the walk reads memory
// in order instead of hashing every side.
class NormalMaker {
public:
    // Corners a vertex may have for each pair of them to be compared.
    static constexpr std::uint32_t kFewCorners = 16;

    explicit NormalMaker(const Entities& entities) : entities_(entities) {}

    CornerNormals Make() {
        ListSmoothEdges();
        faceNormals_.resize(entities_.faces.size());
        for (std::size_t f = 0; f < faceNormals_.size(); ++f) {
            const Point3 normal = FaceNormal(entities_, entities_.faces[f]);
            // A face too large for its area to be worked out has none.
            faceNormals_[f] = std::isfinite(normal.x) && std::isfinite(normal.y) && std::isfinite(normal.z) ? normal : Point3{};
        }
        ListWedges();
        result_.normalOfCorner.assign(entities_.corners.size(), CornerNormals::kAny);
        for (std::uint32_t v = 0; v < entities_.vertices.size(); ++v) NumberSurfacesAt(v);
        AssignTriangleCorners();
        return std::move(result_);
    }

private:
    // Each smooth edge under its lower vertex, the higher ones sorted.
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
            std::sort(smoothHigher_.begin() + smoothStart_[v], smoothHigher_.begin() + smoothStart_[v + 1]);
        }
    }

    bool IsSmoothSide(std::uint32_t a, std::uint32_t b) const {
        const std::uint32_t low = std::min(a, b);
        return std::binary_search(smoothHigher_.begin() + smoothStart_[low], smoothHigher_.begin() + smoothStart_[low + 1],
                                  std::max(a, b));
    }

    // Every loop's corner under its vertex, in the order of the faces, and
    // the loops' smooth sides in that order.
    void ListWedges() {
        wedgeStart_.assign(entities_.vertices.size() + 1, 0);
        std::size_t loopCorners = 0;
        for (const Face& face : entities_.faces) {
            for (const Loop& loop : entities_.LoopsOf(face)) {
                for (const Corner& corner : entities_.CornersOf(loop)) ++wedgeStart_[corner.vertex + 1];
                loopCorners += loop.cornerCount;
            }
        }
        std::partial_sum(wedgeStart_.begin(), wedgeStart_.end(), wedgeStart_.begin());
        wedges_.resize(wedgeStart_.back());
        result_.smoothSides.assign((loopCorners + 7) / 8, 0);
        std::vector<std::uint32_t> next(wedgeStart_.begin(), wedgeStart_.end() - 1);
        std::size_t side = 0;
        for (std::uint32_t f = 0; f < entities_.faces.size(); ++f) {
            for (const Loop& loop : entities_.LoopsOf(entities_.faces[f])) {
                const std::span<const Corner> corners = entities_.CornersOf(loop);
                const std::size_t n = corners.size();
                if (n == 0) continue;
                const bool closing = IsSmoothSide(corners[n - 1].vertex, corners[0].vertex);
                bool smoothBefore = closing;
                for (std::size_t c = 0; c < n; ++c, ++side) {
                    const std::uint32_t after = corners[c + 1 < n ? c + 1 : 0].vertex;
                    const bool smoothAfter = c + 1 < n ? IsSmoothSide(corners[c].vertex, after) : closing;
                    if (smoothAfter) result_.smoothSides[side / 8] |= static_cast<std::uint8_t>(1u << (side % 8));
                    wedges_[next[corners[c].vertex]++] = {f, loop.firstCorner + static_cast<std::uint32_t>(c),
                                                          corners[c == 0 ? n - 1 : c - 1].vertex, after, smoothBefore,
                                                          smoothAfter};
                    smoothBefore = smoothAfter;
                }
            }
        }
    }

    std::uint32_t Find(std::uint32_t i) {
        while (parent_[i] != i) i = parent_[i] = parent_[parent_[i]];
        return i;
    }

    void Join(std::uint32_t a, std::uint32_t b) { parent_[Find(a)] = Find(b); }

    // Joins the faces around the vertex into surfaces across its smooth
    // edges, and gives each surface's corners there its normal.
    void NumberSurfacesAt(std::uint32_t v) {
        const std::uint32_t first = wedgeStart_[v], count = wedgeStart_[v + 1] - first;
        if (count == 0) return;
        const std::span<const Wedge> wedges(wedges_.data() + first, count);
        parent_.resize(count);
        std::iota(parent_.begin(), parent_.end(), 0u);
        if (count <= kFewCorners) {
            JoinFew(wedges);
        } else {
            JoinMany(wedges);
        }
        // Each surface's planes, sorted so that one plane's faces lie together.
        members_.clear();
        for (std::uint32_t i = 0; i < count; ++i) members_.push_back({Find(i), &faceNormals_[wedges[i].face], i});
        const auto before = [](const Member& a, const Member& b) {
            if (a.surface != b.surface) return a.surface < b.surface;
            const Point3 &na = *a.normal, &nb = *b.normal;
            if (na.x != nb.x) return na.x < nb.x;
            if (na.y != nb.y) return na.y < nb.y;
            return na.z < nb.z;
        };
        if (count <= kFewCorners) {
            // Insertion sort: the few corners of a mesh's vertex are sorted
            // before std::sort has chosen how to sort them.
            for (std::size_t m = 1; m < members_.size(); ++m) {
                for (std::size_t at = m; at > 0 && before(members_[at], members_[at - 1]); --at) {
                    std::swap(members_[at], members_[at - 1]);
                }
            }
        } else {
            std::sort(members_.begin(), members_.end(), before);
        }
        for (std::size_t m = 0; m < members_.size();) {
            std::size_t end = m;
            Point3 sum;
            const Point3* lastPlane = nullptr;
            for (; end < members_.size() && members_[end].surface == members_[m].surface; ++end) {
                const Point3& normal = *members_[end].normal;
                if (lastPlane != nullptr && Dot(*lastPlane, normal) > kSamePlaneDot) continue;
                sum = sum + normal;
                lastPlane = &normal;
            }
            const double length = Length(sum);
            // Faces back to back cancel out: each then keeps its own.
            if (length == 0.0) {
                for (; m < end; ++m) {
                    const Wedge& wedge = wedges[members_[m].wedge];
                    result_.normalOfCorner[wedge.corner] = OwnNormal(wedge.face);
                }
                continue;
            }
            const auto index = static_cast<std::uint32_t>(result_.normals.size());
            result_.normals.push_back(Stored(sum * (1.0 / length)));
            for (; m < end; ++m) result_.normalOfCorner[wedges[members_[m].wedge].corner] = index;
        }
    }

    // A face's corners at one vertex (a loop through it twice, a hole
    // touching the outer loop) show one normal; they lie side by side.
    static bool OneSurface(const Wedge& a, const Wedge& b) {
        if (a.face == b.face) return true;
        // An edge is smooth for every face along it: a's smooth side
        // leading where one of b's sides leads is smooth for b too.
        return (a.smoothAfter && (a.after == b.after || a.after == b.before)) ||
               (a.smoothBefore && (a.before == b.before || a.before == b.after));
    }

    // Each pair of the vertex's few corners.
    void JoinFew(std::span<const Wedge> wedges) {
        for (std::uint32_t i = 1; i < wedges.size(); ++i) {
            for (std::uint32_t j = 0; j < i; ++j) {
                if (OneSurface(wedges[i], wedges[j])) Join(i, j);
            }
        }
    }

    // The corners of a vertex that many faces meet, by the far ends of their smooth sides.
    void JoinMany(std::span<const Wedge> wedges) {
        sides_.clear();
        for (std::uint32_t i = 0; i < wedges.size(); ++i) {
            if (i > 0 && wedges[i].face == wedges[i - 1].face) Join(i, i - 1);
            if (wedges[i].smoothBefore) sides_.emplace_back(wedges[i].before, i);
            if (wedges[i].smoothAfter) sides_.emplace_back(wedges[i].after, i);
        }
        std::sort(sides_.begin(), sides_.end());
        for (std::size_t s = 1; s < sides_.size(); ++s) {
            if (sides_[s].first == sides_[s - 1].first) Join(sides_[s].second, sides_[s - 1].second);
        }
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

    struct Member {
        std::uint32_t surface;
        const Point3* normal;
        std::uint32_t wedge;
    };

    const Entities& entities_;
    std::vector<std::uint32_t> smoothStart_, smoothHigher_;  // smooth edges by lower vertex
    std::vector<Point3> faceNormals_;
    std::vector<std::uint32_t> wedgeStart_;  // per vertex, into wedges_
    std::vector<Wedge> wedges_;
    std::vector<std::uint32_t> ownNormal_;  // per face, made when first needed
    // Kept across vertices and faces so that their buffers are allocated once.
    std::vector<std::uint32_t> parent_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> sides_;
    std::vector<Member> members_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> faceVertexNormals_;
    CornerNormals result_;
};

}  // namespace

CornerNormals SmoothCornerNormals(const Entities& entities) {
    if (std::find(entities.smoothEdges.begin(), entities.smoothEdges.end(), 1) == entities.smoothEdges.end()) return {};
    return NormalMaker(entities).Make();
}

}  // namespace korvanta
