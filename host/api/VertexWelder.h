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
    // FindNear, falling back to Insert.
    std::uint32_t Weld(const Point3& point);
    const Point3& PointOf(std::uint32_t number) const { return points_[number]; }
    std::size_t Size() const { return points_.size(); }

private:
    std::uint64_t CellKey(std::int64_t x, std::int64_t y, std::int64_t z) const;

    FlatHashMap cellHeads_;
    LargeVector<Point3> points_;
    LargeVector<std::uint32_t> nextInCell_;
};

}  // namespace korvanta
