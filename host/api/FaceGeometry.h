#pragma once

// Measures of faces and loops of an entities.

#include "Model.h"
#include "Vector3.h"

namespace korvanta {

inline Point3 LoopDoubleVectorArea(const Entities& entities, const Loop& loop) {
    return DoubleVectorArea(loop.corners.size(),
                            [&](std::size_t i) -> const Point3& { return entities.vertices[loop.corners[i].vertex]; });
}

// Unit normal of the face's front (from its outer loop), or zero for a degenerate face.
inline Point3 FaceNormal(const Entities& entities, const Face& face) {
    if (face.loops.empty()) return {};
    const Point3 area = LoopDoubleVectorArea(entities, face.loops[0]);
    const double length = Length(area);
    return length > 0.0 ? area * (1.0 / length) : Point3{};
}

// Area of the outer loop less the holes.
inline double FaceArea(const Entities& entities, const Face& face) {
    const Point3 normal = FaceNormal(entities, face);
    double area = 0.0;
    for (std::size_t i = 0; i < face.loops.size(); ++i) {
        const double loopArea = std::abs(Dot(LoopDoubleVectorArea(entities, face.loops[i]), normal)) / 2.0;
        area += i == 0 ? loopArea : -loopArea;
    }
    return area;
}

}  // namespace korvanta
