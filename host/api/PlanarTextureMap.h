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
    TextureCoordinate originUv;
    Point3 gradientU, gradientV;

    TextureCoordinate At(const Point3& p) const {
        const Point3 d = p - origin;
        return {originUv.u + Dot(gradientU, d), originUv.v + Dot(gradientV, d)};
    }
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
    const TextureCoordinate& t0 = c0.uv;
    const TextureCoordinate& t1 = c1.uv;
    const TextureCoordinate& t2 = c2.uv;
    map = {p0, t0, gradient(t1.u - t0.u, t2.u - t0.u), gradient(t1.v - t0.v, t2.v - t0.v)};
    return true;
}

// Whether the map gives the triangle's own texture coordinates, within a
// tolerance that grows with their size.
inline bool MapPredicts(const Entities& entities, const TextureMap& map, const Triangle& triangle) {
    for (std::uint32_t index : triangle.corners) {
        const Corner& corner = entities.corners[index];
        const TextureCoordinate predicted = map.At(entities.vertices[corner.vertex]);
        const double slackU = kUvTolerance * (1.0 + std::abs(corner.uv.u));
        const double slackV = kUvTolerance * (1.0 + std::abs(corner.uv.v));
        if (std::abs(predicted.u - corner.uv.u) > slackU || std::abs(predicted.v - corner.uv.v) > slackV) return false;
    }
    return true;
}

}  // namespace korvanta
