#pragma once

#include <cstdint>
#include <vector>

#include "FlatHashMap.h"
#include "Model.h"

namespace korvanta {

// Finds points within the length tolerance of points seen before, through a
// spatial hash. Cells are several times the tolerance wide, so most points
// lie well inside their cell and only its own cell needs looking at; a point
// nearer than the tolerance to a cell side looks across that side too.
class VertexWelder {
public:
    static constexpr std::uint32_t kNone = 0xffffffffu;

    explicit VertexWelder(std::size_t expectedPoints);

    // Adds a point without looking for neighbours and returns its number.
    std::uint32_t Insert(const Point3& point);
    // The number of an earlier point closer than the tolerance, or kNone.
    std::uint32_t FindNear(const Point3& point) const;
    // FindNear, falling back to Insert. A point seen lately at exactly this
    // position answers first: triangle soups give every position several
    // times, a few triangles apart, and the cell table is far larger than
    // the processor's caches.
    std::uint32_t Weld(const Point3& point);
    const Point3& PointOf(std::uint32_t number) const { return points_[number]; }
    std::size_t Size() const { return points_.size(); }

private:
    std::uint64_t CellKey(std::int64_t x, std::int64_t y, std::int64_t z) const;

    static constexpr std::size_t kRecentSlots = std::size_t{1} << 15;
    std::uint32_t& RecentSlot(const Point3& point);

    FlatHashMap cellHeads_;
    std::vector<std::uint32_t> recent_;  // point numbers by a hash of their exact position
    LargeVector<Point3> points_;
    LargeVector<std::uint32_t> nextInCell_;
};

}  // namespace korvanta
