#include "Triangulator.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvanta {

namespace {

struct Vertex {
    Point2 point;
    std::uint32_t index;
};

using Ring = std::vector<Vertex>;

double Cross(const Point2& o, const Point2& a, const Point2& b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

double SignedArea(const Ring& ring) {
    double sum = 0.0;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        sum += ring[j].point.x * ring[i].point.y - ring[i].point.x * ring[j].point.y;
    }
    return sum / 2.0;
}

bool SamePoint(const Point2& a, const Point2& b) { return a.x == b.x && a.y == b.y; }

bool InsideTriangle(const Point2& a, const Point2& b, const Point2& c, const Point2& p) {
    return Cross(a, b, p) >= 0.0 && Cross(b, c, p) >= 0.0 && Cross(c, a, p) >= 0.0;
}

// Where the hole's rightmost vertex can see the outer ring: cast a ray towards
// +x, take the nearest edge it hits, and prefer a reflex vertex inside the
// triangle between the hit and that edge's right end if one blocks the view.
std::size_t FindBridge(const Ring& outer, const Point2& m) {
    double nearestX = std::numeric_limits<double>::infinity();
    std::size_t candidate = outer.size();
    for (std::size_t i = 0; i < outer.size(); ++i) {
        const Point2& a = outer[i].point;
        const Point2& b = outer[(i + 1) % outer.size()].point;
        if (std::min(a.y, b.y) > m.y || std::max(a.y, b.y) < m.y || a.y == b.y) continue;
        const double x = a.x + (m.y - a.y) * (b.x - a.x) / (b.y - a.y);
        if (x < m.x || x >= nearestX) continue;
        nearestX = x;
        candidate = a.x > b.x ? i : (i + 1) % outer.size();
    }
    if (candidate == outer.size()) {
        // No edge to the right (degenerate input): join the nearest vertex.
        double best = std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < outer.size(); ++i) {
            const double dx = outer[i].point.x - m.x, dy = outer[i].point.y - m.y;
            if (dx * dx + dy * dy < best) {
                best = dx * dx + dy * dy;
                candidate = i;
            }
        }
        return candidate;
    }
    const Point2 hit{nearestX, m.y};
    const Point2 p = outer[candidate].point;
    double bestTangent = std::numeric_limits<double>::infinity();
    std::size_t best = candidate;
    for (std::size_t i = 0; i < outer.size(); ++i) {
        const Point2& q = outer[i].point;
        if (q.x < m.x || SamePoint(q, p)) continue;
        const bool inside = p.y >= m.y ? InsideTriangle(m, hit, p, q) : InsideTriangle(m, p, hit, q);
        if (!inside) continue;
        const Point2& prev = outer[(i + outer.size() - 1) % outer.size()].point;
        const Point2& next = outer[(i + 1) % outer.size()].point;
        if (Cross(prev, q, next) > 0.0) continue;  // convex vertices cannot block the view
        const double tangent = std::abs(q.y - m.y) / std::max(q.x - m.x, 1e-300);
        if (tangent < bestTangent) {
            bestTangent = tangent;
            best = i;
        }
    }
    return best;
}

void JoinHole(Ring& outer, const Ring& hole) {
    std::size_t rightmost = 0;
    for (std::size_t i = 1; i < hole.size(); ++i) {
        if (hole[i].point.x > hole[rightmost].point.x) rightmost = i;
    }
    const std::size_t bridge = FindBridge(outer, hole[rightmost].point);
    Ring joined;
    joined.reserve(outer.size() + hole.size() + 2);
    joined.insert(joined.end(), outer.begin(), outer.begin() + static_cast<std::ptrdiff_t>(bridge) + 1);
    for (std::size_t k = 0; k <= hole.size(); ++k) joined.push_back(hole[(rightmost + k) % hole.size()]);
    joined.insert(joined.end(), outer.begin() + static_cast<std::ptrdiff_t>(bridge), outer.end());
    outer.swap(joined);
}

bool IsEar(const Ring& ring, std::size_t previous, std::size_t current, std::size_t next) {
    const Point2& a = ring[previous].point;
    const Point2& b = ring[current].point;
    const Point2& c = ring[next].point;
    if (Cross(a, b, c) <= 0.0) return false;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const Point2& p = ring[i].point;
        if (i == previous || i == current || i == next) continue;
        if (SamePoint(p, a) || SamePoint(p, b) || SamePoint(p, c)) continue;
        if (InsideTriangle(a, b, c, p)) return false;
    }
    return true;
}

std::vector<TriangleIndices> ClipEars(Ring ring) {
    std::vector<TriangleIndices> triangles;
    triangles.reserve(ring.size());
    while (ring.size() > 3) {
        std::size_t ear = ring.size();
        for (std::size_t i = 0; i < ring.size() && ear == ring.size(); ++i) {
            if (IsEar(ring, (i + ring.size() - 1) % ring.size(), i, (i + 1) % ring.size())) ear = i;
        }
        if (ear == ring.size()) {
            // Rounding left no clean ear: cut the most convex corner so the
            // polygon still shrinks and the loop ends.
            double bestTurn = -std::numeric_limits<double>::infinity();
            for (std::size_t i = 0; i < ring.size(); ++i) {
                const double turn = Cross(ring[(i + ring.size() - 1) % ring.size()].point, ring[i].point,
                                          ring[(i + 1) % ring.size()].point);
                if (turn > bestTurn) {
                    bestTurn = turn;
                    ear = i;
                }
            }
        }
        const std::size_t previous = (ear + ring.size() - 1) % ring.size();
        const std::size_t next = (ear + 1) % ring.size();
        if (Cross(ring[previous].point, ring[ear].point, ring[next].point) > 0.0) {
            triangles.push_back({ring[previous].index, ring[ear].index, ring[next].index});
        }
        ring.erase(ring.begin() + static_cast<std::ptrdiff_t>(ear));
    }
    if (Cross(ring[0].point, ring[1].point, ring[2].point) > 0.0) {
        triangles.push_back({ring[0].index, ring[1].index, ring[2].index});
    }
    return triangles;
}

}  // namespace

std::vector<TriangleIndices> Triangulate(const std::vector<std::vector<Point2>>& loops) {
    std::vector<Ring> rings;
    std::uint32_t index = 0;
    for (const auto& loop : loops) {
        Ring ring;
        for (const Point2& point : loop) ring.push_back({point, index++});
        rings.push_back(std::move(ring));
    }
    if (rings.empty() || rings[0].size() < 3) return {};
    Ring outer = std::move(rings[0]);
    if (SignedArea(outer) < 0.0) std::reverse(outer.begin(), outer.end());
    std::vector<Ring> holes;
    for (std::size_t i = 1; i < rings.size(); ++i) {
        if (rings[i].size() < 3) continue;
        if (SignedArea(rings[i]) > 0.0) std::reverse(rings[i].begin(), rings[i].end());
        holes.push_back(std::move(rings[i]));
    }
    const auto maxX = [](const Ring& ring) {
        double x = -std::numeric_limits<double>::infinity();
        for (const Vertex& v : ring) x = std::max(x, v.point.x);
        return x;
    };
    std::sort(holes.begin(), holes.end(), [&](const Ring& a, const Ring& b) { return maxX(a) > maxX(b); });
    for (const Ring& hole : holes) JoinHole(outer, hole);
    return ClipEars(std::move(outer));
}

}  // namespace korvanta
