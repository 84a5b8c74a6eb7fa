#pragma once

// Whether two textured faces on one plane continue one texture mapping.

#include <cmath>

#include "Model.h"
#include "Vector3.h"

namespace korvanta {

inline constexpr double kUvTolerance = 1e-4;

// The affine map from positions on a face's plane to texture coordinates,
// taken from one of its triangles.
struct TextureMap {
    Point3 origin;
    double originU = 0.0, originV = 0.0;
    Point3 gradientU, gradientV;

    double UAt(const Point3& p) const { return originU + Dot(gradientU, p - origin); }
    double VAt(const Point3& p) const { return originV + Dot(gradientV, p - origin); }
};

// The map of the triangle's texture coordinates; false for a triangle too thin to have one.
inline bool MapOf(const Entities& entities, const Triangle& triangle, TextureMap& map) {
    const Corner& c0 = entities.corners[triangle.corners[0]];
    const Corner& c1 = entities.corners[triangle.corners[1]];
    const Corner& c2 = entities.corners[triangle.corners[2]];
    const Point3& p0 = entities.vertices[c0.vertex];
    const Point3 e1 = entities.vertices[c1.vertex] - p0;
    const Point3 e2 = entities.vertices[c2.vertex] - p0;
    const double a = Dot(e1, e1), b = Dot(e1, e2), c = Dot(e2, e2);
    const double determinant = a * c - b * b;
    if (!(determinant > 0.0)) return false;
    const auto gradient = [&](double d1, double d2) {
        const double alpha = (c * d1 - b * d2) / determinant;
        const double beta = (a * d2 - b * d1) / determinant;
        return e1 * alpha + e2 * beta;
    };
    const double u0 = c0.uv.u, v0 = c0.uv.v;
    map = {p0, u0, v0, gradient(c1.uv.u - u0, c2.uv.u - u0), gradient(c1.uv.v - v0, c2.uv.v - v0)};
    return true;
}

// Whether the map gives the triangle's own texture coordinates, within a
// tolerance that grows with their size.
inline bool MapPredicts(const Entities& entities, const TextureMap& map, const Triangle& triangle) {
    for (std::uint32_t index : triangle.corners) {
        const Corner& corner = entities.corners[index];
        const Point3& position = entities.vertices[corner.vertex];
        const double u = corner.uv.u, v = corner.uv.v;
        const double slackU = kUvTolerance * (1.0 + std::abs(u));
        const double slackV = kUvTolerance * (1.0 + std::abs(v));
        if (std::abs(map.UAt(position) - u) > slackU || std::abs(map.VAt(position) - v) > slackV) return false;
    }
    return true;
}

}  // namespace korvanta
