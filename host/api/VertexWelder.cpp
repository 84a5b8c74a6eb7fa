#include "VertexWelder.h"

#include <bit>
#include <cmath>

#include "Tolerance.h"

namespace korvanta {

namespace {

// Wide enough that a point needs a second cell along an axis only a quarter
// of the time, narrow enough that cells rarely hold more than one point.
constexpr double kCellSize = 8.0 * kLengthTolerance;
// Cell sides sit off round coordinates, where models put most of their points:
// on a side, a point would look into eight cells instead of one.
constexpr double kCellOffset = 0.381966;

constexpr double kCellsPerUnit = 1.0 / kCellSize;

// Multiplied rather than divided: any monotonic rounding keeps the search
// right, and a division is several times slower.
std::int64_t CellOf(double value) { return static_cast<std::int64_t>(std::floor(value * kCellsPerUnit + kCellOffset)); }

}  // namespace

VertexWelder::VertexWelder(std::size_t capacity, std::size_t expectedDistinct)
    : cellHeads_(expectedDistinct), recent_(kRecentSlots, kNoIndex) {
    points_.reserve(capacity);
    nextInCell_.reserve(capacity);
}

std::uint64_t VertexWelder::CellKey(std::int64_t x, std::int64_t y, std::int64_t z) const {
    // Different cells may share a key; candidates are compared by distance anyway.
    const std::uint64_t key = static_cast<std::uint64_t>(x) * 73856093ULL ^
                              static_cast<std::uint64_t>(y) * 19349663ULL * 1000003ULL ^
                              static_cast<std::uint64_t>(z) * 83492791ULL * 998244353ULL;
    return key & (FlatHashMap::kEmptyKey >> 1);
}

std::uint32_t VertexWelder::Insert(const Point3& point) {
    const std::uint64_t key = CellKey(CellOf(point.x), CellOf(point.y), CellOf(point.z));
    return Append(point, cellHeads_.Insert(key, static_cast<std::uint32_t>(points_.size())));
}

std::uint32_t VertexWelder::Append(const Point3& point, std::pair<std::uint32_t*, bool> cellHead) {
    const auto number = static_cast<std::uint32_t>(points_.size());
    auto [head, inserted] = cellHead;
    nextInCell_.push_back(inserted ? kNoIndex : *head);
    *head = number;
    points_.push_back(point);
    return number;
}

void VertexWelder::NearestInCell(std::uint32_t head, const Point3& point, Nearest& nearest) const {
    for (std::uint32_t i = head; i != kNoIndex; i = nextInCell_[i]) {
        const double dx = points_[i].x - point.x, dy = points_[i].y - point.y, dz = points_[i].z - point.z;
        const double distance = dx * dx + dy * dy + dz * dz;
        // Of points equally near, the earliest, whichever cell it lies in.
        if (distance < nearest.distance ||
            (nearest.number != kNoIndex && distance == nearest.distance && i < nearest.number)) {
            nearest = {i, distance};
        }
    }
}

VertexWelder::CellRange VertexWelder::CellsNear(const Point3& point) {
    // The cells the box of half-width tolerance around the point touches. Rounding
    // is monotonic, so a point inside the box never falls outside this range.
    return {{CellOf(point.x - kLengthTolerance), CellOf(point.y - kLengthTolerance), CellOf(point.z - kLengthTolerance)},
            {CellOf(point.x + kLengthTolerance), CellOf(point.y + kLengthTolerance), CellOf(point.z + kLengthTolerance)}};
}

std::uint32_t VertexWelder::FindNear(const Point3& point, const CellRange& cells) const {
    Nearest nearest;
    for (std::int64_t x = cells.low[0]; x <= cells.high[0]; ++x) {
        for (std::int64_t y = cells.low[1]; y <= cells.high[1]; ++y) {
            for (std::int64_t z = cells.low[2]; z <= cells.high[2]; ++z) {
                if (const std::uint32_t* head = cellHeads_.Find(CellKey(x, y, z))) NearestInCell(*head, point, nearest);
            }
        }
    }
    return nearest.number;
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
    if (recent != kNoIndex) {
        const Point3& seen = points_[recent];
        if (seen.x == point.x && seen.y == point.y && seen.z == point.z) return recent;
    }
    const CellRange cells = CellsNear(point);
    if (cells.low != cells.high) {
        const std::uint32_t near = FindNear(point, cells);
        return recent = near != kNoIndex ? near : Insert(point);
    }
    // Most points lie well inside their cell: one probe of the table finds the
    // cell's points and, when none is near, adds the new one.
    const auto cellHead = cellHeads_.Insert(CellKey(cells.low[0], cells.low[1], cells.low[2]),
                                            static_cast<std::uint32_t>(points_.size()));
    if (!cellHead.second) {
        Nearest nearest;
        NearestInCell(*cellHead.first, point, nearest);
        if (nearest.number != kNoIndex) return recent = nearest.number;
    }
    return recent = Append(point, cellHead);
}

}  // namespace korvanta
