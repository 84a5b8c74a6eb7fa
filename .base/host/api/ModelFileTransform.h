#pragma once

#include <cmath>

#include "KorvantaAPI.h"
#include "Model.h"

// Column-major 4x4 transforms, as instances and glTF nodes both hold them.
namespace korvanta {

inline KVTransformation IdentityTransform() { return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}; }

inline bool IsIdentity(const KVTransformation& m) {
    const KVTransformation identity = IdentityTransform();
    for (int i = 0; i < 16; ++i) {
        if (m.values[i] != identity.values[i]) return false;
    }
    return true;
}

inline KVTransformation Multiply(const KVTransformation& a, const KVTransformation& b) {
    KVTransformation product{};
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += a.values[k * 4 + row] * b.values[column * 4 + k];
            product.values[column * 4 + row] = sum;
        }
    }
    return product;
}

inline Point3 TransformPoint(const KVTransformation& m, const Point3& p) {
    const double* v = m.values;
    const double w = v[3] * p.x + v[7] * p.y + v[11] * p.z + v[15];
    const double scale = w != 0.0 ? 1.0 / w : 1.0;
    return {(v[0] * p.x + v[4] * p.y + v[8] * p.z + v[12]) * scale,
            (v[1] * p.x + v[5] * p.y + v[9] * p.z + v[13]) * scale,
            (v[2] * p.x + v[6] * p.y + v[10] * p.z + v[14]) * scale};
}

// Whether the matrix is a translation, rotation and (possibly negative)
// scale, the only kind a glTF node may hold: no shear, no projection, no
// zero scale.
inline bool IsTranslationRotationScale(const KVTransformation& m) {
    const double* v = m.values;
    for (double value : m.values) {
        if (!std::isfinite(value)) return false;
    }
    if (v[3] != 0.0 || v[7] != 0.0 || v[11] != 0.0 || v[15] != 1.0) return false;
    const double columns[3][3] = {{v[0], v[1], v[2]}, {v[4], v[5], v[6]}, {v[8], v[9], v[10]}};
    double lengths[3];
    for (int i = 0; i < 3; ++i) {
        lengths[i] = std::sqrt(columns[i][0] * columns[i][0] + columns[i][1] * columns[i][1] +
                               columns[i][2] * columns[i][2]);
        if (lengths[i] < 1e-12) return false;
    }
    constexpr double kOrthogonalityTolerance = 1e-7;
    for (int i = 0; i < 3; ++i) {
        for (int j = i + 1; j < 3; ++j) {
            const double dot = columns[i][0] * columns[j][0] + columns[i][1] * columns[j][1] +
                               columns[i][2] * columns[j][2];
            if (std::fabs(dot) > kOrthogonalityTolerance * lengths[i] * lengths[j]) return false;
        }
    }
    return true;
}

}  // namespace korvanta
