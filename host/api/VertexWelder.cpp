#include "VertexWelder.h"

#include <cmath>

#include "Tolerance.h"

namespace korvanta {

namespace {

constexpr double kCellSize = 2.0 * kLengthTolerance;

struct CellCoordinate {
    std::int64_t cell;
    std::int64_t neighbour;  // the adjacent cell on the side nearer to the point
};

CellCoordinate CellOf(double value) {
    const double scaled = value / kCellSize;
    const double cell = std::floor(scaled);
    const auto index = static_cast<std::int64_t>(cell);
    return {index, scaled - cell < 0.5 ? index - 1 : index + 1};
}

}  // namespace

VertexWelder::VertexWelder(std::size_t expectedPoints) : cellHeads_(expectedPoints) {
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
    const std::uint64_t key = CellKey(CellOf(point.x).cell, CellOf(point.y).cell, CellOf(point.z).cell);
    auto [head, inserted] = cellHeads_.Insert(key, number);
    nextInCell_.push_back(inserted ? kNone : *head);
    *head = number;
    points_.push_back(point);
    return number;
}

std::uint32_t VertexWelder::FindNear(const Point3& point) const {
    const CellCoordinate cx = CellOf(point.x), cy = CellOf(point.y), cz = CellOf(point.z);
    const std::int64_t xs[2] = {cx.cell, cx.neighbour};
    const std::int64_t ys[2] = {cy.cell, cy.neighbour};
    const std::int64_t zs[2] = {cz.cell, cz.neighbour};
    constexpr double limit = kLengthTolerance * kLengthTolerance;
    std::uint32_t nearest = kNone;
    double nearestDistance = limit;
    for (std::int64_t x : xs) {
        for (std::int64_t y : ys) {
            for (std::int64_t z : zs) {
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

std::uint32_t VertexWelder::Weld(const Point3& point) {
    const std::uint32_t near = FindNear(point);
    return near != kNone ? near : Insert(point);
}

}  // namespace korvanta
