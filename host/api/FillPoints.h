#pragma once

// The points a fill builds faces on: the input's vertices numbered, welded
// when asked, and made entities vertices once a built face uses them.

#include <cmath>
#include <cstdint>
#include <vector>

#include "GeometryInput.h"
#include "Model.h"
#include "Tolerance.h"
#include "VertexWelder.h"

namespace korvanta {

inline bool IsUsable(const Point3& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z) && std::abs(p.x) <= kMaxCoordinate &&
           std::abs(p.y) <= kMaxCoordinate && std::abs(p.z) <= kMaxCoordinate;
}

// How many points welding an input should leave. An input whose corners
// share their vertices, as a mesh's do, keeps them; one with a vertex for
// nearly every corner is a soup of separate faces, whose corners meet six
// or so at a point.
inline std::size_t DistinctPointsExpected(const GeometryInput& input) {
    const std::size_t corners = input.vertexIndices.size();
    return input.vertices.size() <= corners / 2 ? input.vertices.size() : corners / 6;
}

// Numbers every input vertex a face uses as a point: with welding, points
// within tolerance of each other or of an existing vertex of the entities get
// one number, and the existing vertices keep theirs.
class PointNumbering {
public:
    PointNumbering(const Entities& entities, const GeometryInput& input, bool weld)
        : input_(input), weld_(weld), pointCapacity_(weld ? entities.vertices.size() + input.vertices.size() : input.vertices.size()),
          welder_(weld ? pointCapacity_ : 0, weld ? entities.vertices.size() + DistinctPointsExpected(input) : 0),
          pointOfInput_(input.vertices.size(), kNoIndex) {
        if (weld_) {
            for (const Point3& vertex : entities.vertices) welder_.Insert(vertex);
        }
    }

    bool Welds() const { return weld_; }
    // Every point number is below this.
    std::size_t PointCapacity() const { return pointCapacity_; }

    // The point number of an input vertex, or kNoIndex when the vertex cannot be used.
    std::uint32_t PointOf(std::size_t inputVertex) {
        if (inputVertex >= input_.vertices.size()) return kNoIndex;
        std::uint32_t& point = pointOfInput_[inputVertex];
        if (point != kNoIndex) return point;
        const Point3& position = input_.vertices[inputVertex];
        if (!IsUsable(position)) return kNoIndex;
        return point = weld_ ? welder_.Weld(position) : static_cast<std::uint32_t>(inputVertex);
    }

    // The welder has room for every point from the start, so a point's
    // position stays where it is while later points are numbered.
    const Point3& Position(std::uint32_t point) const {
        return weld_ ? welder_.PointOf(point) : input_.vertices[point];
    }

private:
    const GeometryInput& input_;
    bool weld_;
    std::size_t pointCapacity_;
    VertexWelder welder_;
    std::vector<std::uint32_t> pointOfInput_;
};

// Makes an entities vertex of a point when a built face first uses it, so
// that faces which cannot be built leave no vertices behind.
class EntityVertices {
public:
    EntityVertices(Entities& entities, const PointNumbering& points)
        : entities_(entities), points_(points), vertexOfPoint_(points.PointCapacity(), kNoIndex) {
        if (points.Welds()) {
            for (std::uint32_t i = 0; i < entities.vertices.size(); ++i) vertexOfPoint_[i] = i;
        }
    }

    std::uint32_t VertexOf(std::uint32_t point) {
        std::uint32_t& vertex = vertexOfPoint_[point];
        if (vertex == kNoIndex) {
            vertex = static_cast<std::uint32_t>(entities_.vertices.size());
            entities_.vertices.push_back(points_.Position(point));
        }
        return vertex;
    }

private:
    Entities& entities_;
    const PointNumbering& points_;
    std::vector<std::uint32_t> vertexOfPoint_;
};

}  // namespace korvanta
