#include "SmoothNormals.h"

#include <algorithm>
#include <numeric>
#include <span>
#include <utility>

#include "FaceGeometry.h"
#include "FlatHashMap.h"
#include "ListByKey.h"
#include "Vector3.h"

namespace korvanta {
namespace {

constexpr std::uint32_t kNone = 0xffffffffu;

// Normals this close count as one plane: what a face's float corners
// leave of two faces that lie in one plane.
constexpr double kSamePlaneDot = 1.0 - 1e-5;

// Where no normal can be worked out (a face without area), one that
// points somewhere, as glTF asks for unit normals.
constexpr Point3 kFallbackNormal{0.0, 0.0, 1.0};

std::array<float, 3> Stored(const Point3& normal) {
    return {static_cast<float>(normal.x), static_cast<float>(normal.y), static_cast<float>(normal.z)};
}

class NormalMaker {
public:
    explicit NormalMaker(const Entities& entities) : entities_(entities) {}

    CornerNormals Make() {
        for (std::uint32_t e = 0; e < entities_.smoothEdges.size(); ++e) {
            if (entities_.smoothEdges[e] != 0) smooth_.Insert(EdgeKey(entities_.edges[e].from, entities_.edges[e].to), e);
        }
        faceNormals_.resize(entities_.faces.size());
        for (std::size_t f = 0; f < faceNormals_.size(); ++f) faceNormals_[f] = FaceNormal(entities_, entities_.faces[f]);
        // Faces are listed at each vertex of their loops in face order, so
        // that a face is found in a vertex's list by bisection.
        ListByKey(
            entities_.vertices.size(),
            [&](auto emit) {
                for (std::uint32_t f = 0; f < entities_.faces.size(); ++f) {
                    ForEachLoopCorner(f, [&](std::uint32_t, const Corner& corner, std::uint32_t, std::uint32_t) {
                        emit(corner.vertex, f);
                    });
                }
            },
            faceStart_, facesAround_);
        normalAround_.assign(facesAround_.size(), kNone);
        for (std::uint32_t v = 0; v < entities_.vertices.size(); ++v) NumberSurfacesAt(v);
        AssignCorners();
        return std::move(result_);
    }

private:
    template <typename Visit>
    void ForEachLoopCorner(std::uint32_t face, Visit visit) const {
        for (const Loop& loop : entities_.LoopsOf(entities_.faces[face])) {
            const std::span<const Corner> corners = entities_.CornersOf(loop);
            for (std::size_t c = 0; c < corners.size(); ++c) {
                const std::uint32_t before = corners[c == 0 ? corners.size() - 1 : c - 1].vertex;
                const std::uint32_t after = corners[c + 1 < corners.size() ? c + 1 : 0].vertex;
                visit(loop.firstCorner + static_cast<std::uint32_t>(c), corners[c], before, after);
            }
        }
    }

    bool IsSmooth(std::uint32_t a, std::uint32_t b) const { return smooth_.Find(EdgeKey(a, b)) != nullptr; }

    std::uint32_t Find(std::uint32_t i) {
        while (parent_[i] != i) i = parent_[i] = parent_[parent_[i]];
        return i;
    }

    // Joins the faces around the vertex into surfaces across its smooth
    // edges, and gives each surface its normal.
    void NumberSurfacesAt(std::uint32_t v) {
        const std::uint32_t first = faceStart_[v], count = faceStart_[v + 1] - first;
        if (count == 0) return;
        parent_.resize(count);
        std::iota(parent_.begin(), parent_.end(), 0u);
        // The smooth edges each face has at the vertex, by their other end.
        sides_.clear();
        for (std::uint32_t i = 0; i < count; ++i) {
            ForEachLoopCorner(facesAround_[first + i], [&](std::uint32_t, const Corner& corner, std::uint32_t before, std::uint32_t after) {
                if (corner.vertex != v) return;
                if (IsSmooth(v, before)) sides_.emplace_back(before, i);
                if (IsSmooth(v, after)) sides_.emplace_back(after, i);
            });
        }
        std::sort(sides_.begin(), sides_.end());
        for (std::size_t s = 1; s < sides_.size(); ++s) {
            if (sides_[s].first == sides_[s - 1].first) parent_[Find(sides_[s].second)] = Find(sides_[s - 1].second);
        }
        // Each surface's planes, sorted so that one plane's faces lie together.
        members_.clear();
        for (std::uint32_t i = 0; i < count; ++i) members_.emplace_back(Find(i), i);
        std::sort(members_.begin(), members_.end(), [&](const auto& a, const auto& b) {
            if (a.first != b.first) return a.first < b.first;
            const Point3& na = faceNormals_[facesAround_[first + a.second]];
            const Point3& nb = faceNormals_[facesAround_[first + b.second]];
            return std::tie(na.x, na.y, na.z) < std::tie(nb.x, nb.y, nb.z);
        });
        for (std::size_t m = 0; m < members_.size();) {
            std::size_t end = m;
            Point3 sum;
            const Point3* lastPlane = nullptr;
            for (; end < members_.size() && members_[end].first == members_[m].first; ++end) {
                const Point3& normal = faceNormals_[facesAround_[first + members_[end].second]];
                if (lastPlane != nullptr && Dot(*lastPlane, normal) > kSamePlaneDot) continue;
                sum = sum + normal;
                lastPlane = &normal;
            }
            const double length = Length(sum);
            // Faces back to back cancel out: each then keeps its own.
            if (length == 0.0) {
                for (; m < end; ++m) normalAround_[first + members_[m].second] = OwnNormal(facesAround_[first + members_[m].second]);
                continue;
            }
            const auto index = static_cast<std::uint32_t>(result_.normals.size());
            result_.normals.push_back(Stored(sum * (1.0 / length)));
            for (; m < end; ++m) normalAround_[first + members_[m].second] = index;
        }
    }

    std::uint32_t OwnNormal(std::uint32_t face) {
        if (ownNormal_.empty()) ownNormal_.assign(entities_.faces.size(), kNone);
        std::uint32_t& own = ownNormal_[face];
        if (own == kNone) {
            own = static_cast<std::uint32_t>(result_.normals.size());
            const Point3& normal = faceNormals_[face];
            result_.normals.push_back(Stored(Length(normal) > 0.0 ? normal : kFallbackNormal));
        }
        return own;
    }

    // The normal a face shows at a vertex: its surface's there, or its own
    // where no loop of it runs through the vertex (inside a merged face).
    std::uint32_t NormalAt(std::uint32_t face, std::uint32_t vertex) {
        const auto begin = facesAround_.begin() + faceStart_[vertex], end = facesAround_.begin() + faceStart_[vertex + 1];
        const auto found = std::lower_bound(begin, end, face);
        if (found != end && *found == face) return normalAround_[static_cast<std::size_t>(found - facesAround_.begin())];
        return OwnNormal(face);
    }

    void AssignCorners() {
        result_.normalOfCorner.assign(entities_.corners.size(), CornerNormals::kAny);
        for (std::uint32_t f = 0; f < entities_.faces.size(); ++f) {
            ForEachLoopCorner(f, [&](std::uint32_t c, const Corner& corner, std::uint32_t, std::uint32_t) {
                result_.normalOfCorner[c] = NormalAt(f, corner.vertex);
            });
            for (const Triangle& triangle : entities_.TrianglesOf(entities_.faces[f])) {
                for (const std::uint32_t c : triangle.corners) {
                    result_.normalOfCorner[c] = NormalAt(f, entities_.corners[c].vertex);
                }
            }
        }
    }

    const Entities& entities_;
    FlatHashMap smooth_;
    std::vector<Point3> faceNormals_;
    std::vector<std::uint32_t> faceStart_, facesAround_;  // faces by vertex
    std::vector<std::uint32_t> normalAround_;             // per entry of facesAround_
    std::vector<std::uint32_t> ownNormal_;                // per face, made when first needed
    // Kept across vertices so that their buffers are allocated once.
    std::vector<std::uint32_t> parent_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> sides_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> members_;
    CornerNormals result_;
};

}  // namespace

CornerNormals SmoothCornerNormals(const Entities& entities) {
    if (std::find(entities.smoothEdges.begin(), entities.smoothEdges.end(), 1) == entities.smoothEdges.end()) return {};
    return NormalMaker(entities).Make();
}

}  // namespace korvanta
