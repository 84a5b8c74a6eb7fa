#include "VertexWelder.h"

#include <bit>
#include <cmath>

#include "Tolerance.h"

namespace korvanta {

namespace {

// Wide enough that a point needs a second cell along an axis only a quarter
// of the time, narrow enough that cells rarely hold more than one point.
constexpr double kCellSize = 8.0 * kLengthTolerance;

std::int64_t CellOf(double value) { return static_cast<std::int64_t>(std::floor(value / kCellSize)); }

}  // namespace

// The cell table starts small and grows: inputs that share their points (triangle
// soups) weld down to a fraction of the expected count, and clearing a table
// sized for all of them costs more than growing one.
VertexWelder::VertexWelder(std::size_t expectedPoints)
    : cellHeads_(expectedPoints / 8), recent_(kRecentSlots, kNone) {
    points_.reserve(expectedPoints);
    nextInCell_.reserve(expectedPoints);
}

std::uint64_t VertexWelder::CellKey(std::int64_t x, std::int64_t y, std::int64_t z) const {
    // Different cells may share a key; candidates are compared by distance anyway.
    const std::uint64_t key = static_cast<std::uint64_t>(x) * 73856093ULL ^
                              static_cast<std::uint64_t>(y) * 19349663ULL * 1000003ULL ^
                              static_cast<std::uint64_t>(z) * 83492791ULL * 998244353ULL;
    return key & (FlatHashMap::kEmptyKey >> 1);
}

std::uint32_t VertexWelder::Insert(const Point3& point) {
    const auto number = static_cast<std::uint32_t>(points_.size());
    const std::uint64_t key = CellKey(CellOf(point.x), CellOf(point.y), CellOf(point.z));
    auto [head, inserted] = cellHeads_.Insert(key, number);
    nextInCell_.push_back(inserted ? kNone : *head);
    *head = number;
    points_.push_back(point);
    return number;
}

std::uint32_t VertexWelder::FindNear(const Point3& point) const {
    // The cells the box of half-width tolerance around the point touches. Rounding
    // is monotonic, so a point inside the box never falls outside this range.
    const std::int64_t x0 = CellOf(point.x - kLengthTolerance), x1 = CellOf(point.x + kLengthTolerance);
    const std::int64_t y0 = CellOf(point.y - kLengthTolerance), y1 = CellOf(point.y + kLengthTolerance);
    const std::int64_t z0 = CellOf(point.z - kLengthTolerance), z1 = CellOf(point.z + kLengthTolerance);
    constexpr double limit = kLengthTolerance * kLengthTolerance;
    std::uint32_t nearest = kNone;
    double nearestDistance = limit;
    for (std::int64_t x = x0; x <= x1; ++x) {
        for (std::int64_t y = y0; y <= y1; ++y) {
            for (std::int64_t z = z0; z <= z1; ++z) {
                const std::uint32_t* head = cellHeads_.Find(CellKey(x, y, z));
                for (std::uint32_t i = head ? *head : kNone; i != kNone; i = nextInCell_[i]) {
                    const double dx = points_[i].x - point.x, dy = points_[i].y - point.y,
                                 dz = points_[i].z - point.z;
                    const double distance = dx * dx + dy * dy + dz * dz;
                    if (distance < nearestDistance) {
                        nearestDistance = distance;
                        nearest = i;
                    }
                }
            }
        }
    }
    return nearest;
}

std::uint32_t& VertexWelder::RecentSlot(const Point3& point) {
    const auto bits = [](double value) { return std::bit_cast<std::uint64_t>(value); };
    std::uint64_t hash = bits(point.x) * 0x9e3779b97f4a7c15ULL;
    hash = (hash ^ bits(point.y)) * 0xff51afd7ed558ccdULL;
    hash = (hash ^ bits(point.z)) * 0xc4ceb9fe1a85ec53ULL;
    return recent_[(hash >> 40) & (kRecentSlots - 1)];
}

std::uint32_t VertexWelder::Weld(const Point3& point) {
    std::uint32_t& recent = RecentSlot(point);
    if (recent != kNone) {
        const Point3& seen = points_[recent];
        if (seen.x == point.x && seen.y == point.y && seen.z == point.z) return recent;
    }
    const std::uint32_t near = FindNear(point);
    recent = near != kNone ? near : Insert(point);
    return recent;
}

}  // namespace korvanta
