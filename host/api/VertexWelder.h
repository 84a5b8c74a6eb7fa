#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "FlatHashMap.h"
#include "Model.h"
#include "Tolerance.h"

namespace korvanta {

// Finds points within the length tolerance of points seen before, through a
// spatial hash. Cells are several times the tolerance wide, so most points
// lie well inside their cell and only its own cell needs looking at; a point
// nearer than the tolerance to a cell side looks across that side too.
class VertexWelder {
public:
    // Room for `capacity` points, which are never moved; the cell table is
    // made for `expectedDistinct` of them and grows when there are more.
    VertexWelder(std::size_t capacity, std::size_t expectedDistinct);

    // Adds a point without looking for neighbours and returns its number.
    std::uint32_t Insert(const Point3& point);
    // The number of the nearest earlier point closer than the tolerance, or
    // else of the point added now. A point seen lately at exactly this
    // position answers first: triangle soups give every position several
    // times, a few triangles apart, and the cell table is far larger than
    // the processor's caches.
    std::uint32_t Weld(const Point3& point);
    const Point3& PointOf(std::uint32_t number) const { return points_[number]; }
    std::size_t Size() const { return points_.size(); }

private:
    struct CellRange {
        std::array<std::int64_t, 3> low, high;
    };
    static CellRange CellsNear(const Point3& point);
    // The number of the nearest earlier point closer than the tolerance, or kNoIndex.
    std::uint32_t FindNear(const Point3& point, const CellRange& cells) const;
    std::uint64_t CellKey(std::int64_t x, std::int64_t y, std::int64_t z) const;
    // Adds the point at the head of its cell's list, given the table's entry for the cell.
    std::uint32_t Append(const Point3& point, std::pair<std::uint32_t*, bool> cellHead);
    // The nearest point found so far and its squared distance; none until one is closer than the tolerance.
    struct Nearest {
        std::uint32_t number = kNoIndex;
        double distance = kLengthTolerance * kLengthTolerance;
    };
    // Makes `nearest` the point of the cell's list nearest to `point` when it is nearer.
    void NearestInCell(std::uint32_t head, const Point3& point, Nearest& nearest) const;

    static constexpr std::size_t kRecentSlots = std::size_t{1} << 15;
    std::uint32_t& RecentSlot(const Point3& point);

    FlatHashMap cellHeads_;
    std::vector<std::uint32_t> recent_;  // point numbers by a hash of their exact position
    std::vector<Point3> points_;
    std::vector<std::uint32_t> nextInCell_;
};

}  // namespace korvanta
