#pragma once

// Small vector arithmetic on model points, enough for the geometry of fills
// and merges.

#include <cmath>

#include "Model.h"

namespace korvanta {

inline Point3 operator+(const Point3& a, const Point3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Point3 operator-(const Point3& a, const Point3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Point3 operator*(const Point3& a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double Dot(const Point3& a, const Point3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Point3 Cross(const Point3& a, const Point3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Length(const Point3& a) { return std::sqrt(Dot(a, a)); }

// Twice the vector area of a closed polygon (Newell's method): its direction
// is the polygon's normal by the right-hand rule, its length twice the area.
template <typename PointAt>
Point3 DoubleVectorArea(std::size_t count, PointAt pointAt) {
    Point3 sum;
    for (std::size_t i = 0; i < count; ++i) {
        const Point3& a = pointAt(i);
        const Point3& b = pointAt(i + 1 < count ? i + 1 : 0);
        sum.x += (a.y - b.y) * (a.z + b.z);
        sum.y += (a.z - b.z) * (a.x + b.x);
        sum.z += (a.x - b.x) * (a.y + b.y);
    }
    return sum;
}

}  // namespace korvanta
