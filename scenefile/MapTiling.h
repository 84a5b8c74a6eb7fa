#pragma once

#include <lib3ds/material.h>

namespace hollin::importer {

// How a material's texture map lies on its faces' texture coordinates:
// repeated `scale` times (a negative scale mirrors it), shifted by
// `offset` repeats and turned by `rotation` degrees, the scale and the
// turn about the middle of the image, as 3D Studio lays a map.
class MapTiling {
public:
    explicit MapTiling(const Lib3dsTextureMap& map);

    // Whether the map is laid other than once, as it is, across coordinates 0 to 1.
    bool Tiles() const { return tiles_; }
    // Where in the image a face's texture coordinate (u, v) falls.
    void Apply(double& u, double& v) const;

private:
    bool tiles_ = false;
    // u' = a u + b v + c, v' = d u + e v + f
    double a_ = 1.0, b_ = 0.0, c_ = 0.0, d_ = 0.0, e_ = 1.0, f_ = 0.0;
};

}  // namespace hollin::importer
