#include "FaceChecker.h"

#include <algorithm>
#include <array>

#include "Vector3.h"

namespace korvanta {

namespace {

// A face thinner than this (inches, area over longest edge) has no area.
constexpr double kMinFaceHeight = kLengthTolerance * 1e-3;

bool HasRepeatedPoint(const std::vector<std::vector<std::uint32_t>>& loops) {
    std::vector<std::uint32_t> points;
    for (const auto& loop : loops) points.insert(points.end(), loop.begin(), loop.end());
    std::sort(points.begin(), points.end());
    return std::adjacent_find(points.begin(), points.end()) != points.end();
}

template <typename PositionOf>
Point3 DoubleArea(std::span<const std::uint32_t> loop, PositionOf positionOf) {
    return DoubleVectorArea(loop.size(), [&](std::size_t i) -> const Point3& { return positionOf(loop[i]); });
}

// Whether a loop of `count` points is thicker than the minimum height, and
// its doubled vector area.
template <typename PointAt>
bool HasArea(std::size_t count, PointAt pointAt, Point3& doubleArea) {
    doubleArea = DoubleVectorArea(count, pointAt);
    double longestEdgeSquared = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const Point3 edge = pointAt(i + 1 < count ? i + 1 : 0) - pointAt(i);
        longestEdgeSquared = std::max(longestEdgeSquared, Dot(edge, edge));
    }
    // Compared squared, which spares the square roots of millions of triangles.
    return longestEdgeSquared != 0.0 &&
           Dot(doubleArea, doubleArea) >= kMinFaceHeight * kMinFaceHeight * longestEdgeSquared;
}

// Checks a face of holes or more than three corners and works out its
// tessellation; false when it has to be skipped.
template <typename PositionOf>
bool Prepare(PreparedFace& face, PositionOf positionOf) {
    if (HasRepeatedPoint(face.loops)) return false;
    Point3 doubleArea;
    const std::vector<std::uint32_t>& outer = face.loops[0];
    const auto outerPoint = [&](std::size_t i) -> const Point3& { return positionOf(outer[i]); };
    if (!HasArea(outer.size(), outerPoint, doubleArea)) return false;
    const Point3 normal = doubleArea * (1.0 / Length(doubleArea));
    for (std::size_t i = 1; i < face.loops.size(); ++i) {
        const double holeDoubleArea = Dot(DoubleArea(face.loops[i], positionOf), normal);
        if (std::abs(holeDoubleArea) < kMinFaceHeight * kMinFaceHeight) return false;
        // Holes run clockwise seen from the front.
        if (holeDoubleArea > 0.0) std::reverse(face.loops[i].begin(), face.loops[i].end());
    }
    const Point3 helper = std::abs(normal.x) < 0.9 ? Point3{1, 0, 0} : Point3{0, 1, 0};
    const Point3 axisU = Cross(helper, normal) * (1.0 / Length(Cross(helper, normal)));
    const Point3 axisV = Cross(normal, axisU);
    std::vector<std::vector<Point2>> projected;
    for (const auto& loop : face.loops) {
        std::vector<Point2>& points = projected.emplace_back();
        for (std::uint32_t point : loop) points.push_back({Dot(positionOf(point), axisU), Dot(positionOf(point), axisV)});
    }
    face.triangles = Triangulate(projected);
    return !face.triangles.empty();
}

}  // namespace

void FaceChecker::Check(std::size_t begin, std::size_t end, CheckedFaces& batch) {
    for (std::size_t f = begin; f < end; ++f) {
        if (!CheckFace(f, batch)) ++skipped_;
    }
}

bool FaceChecker::NumberLoops() {
    if (inputLoops_.empty()) return false;
    prepared_.loops.resize(inputLoops_.size());
    for (std::size_t l = 0; l < inputLoops_.size(); ++l) {
        if (inputLoops_[l].size() < 3) return false;
        std::vector<std::uint32_t>& points = prepared_.loops[l];
        points.clear();
        for (std::size_t vertex : inputLoops_[l]) {
            const std::uint32_t point = points_.PointOf(vertex);
            if (point == kNoIndex) return false;
            points.push_back(point);
        }
    }
    return true;
}

bool FaceChecker::CheckFace(std::size_t f, CheckedFaces& batch) {
    const FaceInput& face = input_.faces[f];
    if (face.loopCount == 1 && input_.loops[face.outerLoop].indexCount == 3) {
        return CheckTriangle(f, input_.IndicesOf(input_.loops[face.outerLoop]), batch);
    }
    inputLoops_.clear();
    input_.ForEachLoop(face, [&](const InputLoop& loop) { inputLoops_.push_back(input_.IndicesOf(loop)); });
    prepared_.triangles.clear();
    if (!NumberLoops() || !Prepare(prepared_, positionOf_)) return false;

    batch.faces.push_back({f, StoredIndex(prepared_.triangles.size())});
    for (std::size_t l = 0; l < prepared_.loops.size(); ++l) {
        const std::vector<std::uint32_t>& loop = prepared_.loops[l];
        batch.loopReversed.push_back(loop[0] != points_.PointOf(inputLoops_[l][0]));
        batch.points.insert(batch.points.end(), loop.begin(), loop.end());
    }
    for (const TriangleIndices& triangle : prepared_.triangles) batch.triangles.push_back(triangle);
    return true;
}

bool FaceChecker::CheckTriangle(std::size_t f, std::span<const std::size_t> indices, CheckedFaces& batch) {
    std::array<std::uint32_t, 3> points{};
    for (std::size_t c = 0; c < 3; ++c) {
        points[c] = points_.PointOf(indices[c]);
        if (points[c] == kNoIndex) return false;
    }
    if (points[0] == points[1] || points[1] == points[2] || points[0] == points[2]) return false;
    const std::array<Point3, 3> corners{positionOf_(points[0]), positionOf_(points[1]), positionOf_(points[2])};
    Point3 doubleArea;
    if (!HasArea(3, [&](std::size_t c) -> const Point3& { return corners[c]; }, doubleArea)) return false;
    batch.faces.push_back({f, 1});
    batch.loopReversed.push_back(false);
    for (std::uint32_t point : points) batch.points.push_back(point);
    batch.triangles.push_back({0, 1, 2});
    return true;
}

}  // namespace korvanta
