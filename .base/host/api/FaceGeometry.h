#pragma once

// Measures of faces and loops of an entities.

#include "Model.h"
#include "Vector3.h"

namespace korvanta {

inline Point3 LoopDoubleVectorArea(const Entities& entities, std::span<const Corner> loop) {
    return DoubleVectorArea(loop.size(), [&](std::size_t i) -> const Point3& { return entities.vertices[loop[i].vertex]; });
}

inline Point3 LoopDoubleVectorArea(const Entities& entities, const Loop& loop) {
    return LoopDoubleVectorArea(entities, entities.CornersOf(loop));
}

// Unit normal of the face's front (from its outer loop), or zero for a degenerate face.
inline Point3 FaceNormal(const Entities& entities, const Face& face) {
    if (face.loopCount == 0) return {};
    const Point3 area = LoopDoubleVectorArea(entities, entities.loops[face.firstLoop]);
    const double length = Length(area);
    return length > 0.0 ? area * (1.0 / length) : Point3{};
}

// Area of the outer loop less the holes.
inline double FaceArea(const Entities& entities, const Face& face) {
    const Point3 normal = FaceNormal(entities, face);
    double area = 0.0;
    bool outer = true;
    for (const Loop& loop : entities.LoopsOf(face)) {
        const double loopArea = std::abs(Dot(LoopDoubleVectorArea(entities, loop), normal)) / 2.0;
        area += outer ? loopArea : -loopArea;
        outer = false;
    }
    return area;
}

}  // namespace korvanta
