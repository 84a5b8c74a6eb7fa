#include "scenefile/MapTiling.h"

#include <cmath>
#include <numbers>

namespace hollin::importer {

MapTiling::MapTiling(const Lib3dsTextureMap& map) {
    const double scaleU = map.scale[0], scaleV = map.scale[1];
    const double offsetU = map.offset[0], offsetV = map.offset[1];
    const double turn = static_cast<double>(map.rotation) * std::numbers::pi / 180.0;
    // A map that is not finite lies as it is rather than nowhere.
    if (!std::isfinite(scaleU) || !std::isfinite(scaleV) || !std::isfinite(offsetU) || !std::isfinite(offsetV) ||
        !std::isfinite(turn)) {
        return;
    }
    tiles_ = scaleU != 1.0 || scaleV != 1.0 || offsetU != 0.0 || offsetV != 0.0 || turn != 0.0;
    // About the middle: turned, then scaled, then moved back and shifted.
    const double cosine = std::cos(turn), sine = std::sin(turn);
    a_ = scaleU * cosine;
    b_ = scaleU * sine;
    d_ = -scaleV * sine;
    e_ = scaleV * cosine;
    c_ = 0.5 + offsetU - 0.5 * (a_ + b_);
    f_ = 0.5 + offsetV - 0.5 * (d_ + e_);
}

void MapTiling::Apply(double& u, double& v) const {
    const double mappedU = a_ * u + b_ * v + c_;
    v = d_ * u + e_ * v + f_;
    u = mappedU;
}

}  // namespace hollin::importer
