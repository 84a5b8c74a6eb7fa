#pragma once

// The first stage of a fill: numbers and welds the input's vertices, checks
// each face and works out its triangles, for the second stage to write.

#include <cstdint>
#include <span>
#include <vector>

#include "FillPoints.h"
#include "GeometryInput.h"
#include "Triangulator.h"

namespace korvanta {

// Faces that passed the checks, as the checking stage hands them to the
// writing stage: per face its input face and triangle count, per loop
// whether the checks reversed it, per corner its point, all in order.
struct CheckedFaces {
    struct CheckedFace {
        std::size_t input = 0;
        std::uint32_t triangleCount = 0;
    };
    std::vector<CheckedFace> faces;
    std::vector<std::uint8_t> loopReversed;
    std::vector<std::uint32_t> points;
    std::vector<TriangleIndices> triangles;  // corner numbers within their face

    void Clear() {
        faces.clear();
        loopReversed.clear();
        points.clear();
        triangles.clear();
    }
};

// A face of holes or more than three corners, as its checks work it out.
struct PreparedFace {
    std::vector<std::vector<std::uint32_t>> loops;  // point numbers
    std::vector<TriangleIndices> triangles;        // corner numbers over all loops
};

class FaceChecker {
public:
    FaceChecker(const GeometryInput& input, PointNumbering& points)
        : input_(input), points_(points), positionOf_{&points} {}

    // Checks the input's faces from `begin` to `end` into the batch.
    void Check(std::size_t begin, std::size_t end, CheckedFaces& batch);

    std::size_t Skipped() const { return skipped_; }

private:
    bool NumberLoops();
    bool CheckFace(std::size_t f, CheckedFaces& batch);
    // Triangles, by far the most common faces, need none of the lists a polygon with holes does.
    bool CheckTriangle(std::size_t f, std::span<const std::size_t> indices, CheckedFaces& batch);

    struct PositionOf {
        const PointNumbering* points;
        const Point3& operator()(std::uint32_t point) const { return points->Position(point); }
    };

    const GeometryInput& input_;
    PointNumbering& points_;
    PositionOf positionOf_;
    std::size_t skipped_ = 0;
    // Kept across faces so that their buffers are allocated once, not per face.
    PreparedFace prepared_;
    std::vector<std::span<const std::size_t>> inputLoops_;
};

}  // namespace korvanta
