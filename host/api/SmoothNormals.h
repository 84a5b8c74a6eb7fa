#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "Model.h"

namespace korvanta {

// The normals a drawing shows at the corners of the entities' faces. At each
// vertex the faces around it fall into surfaces, faces joined across the
// smooth edges that meet there; every corner of a surface at that vertex
// gets one normal, the sum of the different planes of its faces (a plane
// counted once however many faces lie in it, so that merging coplanar
// faces changes nothing), made unit. A face alone at a vertex shows its own
// normal there.
struct CornerNormals {
    static constexpr std::uint32_t kAny = 0xffffffffu;
    std::vector<std::uint32_t> normalOfCorner;  // per corner; kAny for corners no face uses
    std::vector<std::array<float, 3>> normals;
    // A bit per loop corner, the faces' loops' corners in order (bit k of
    // byte k / 8, low bits first): set where the loop's side from that corner
    // to the next is smooth. The model file keeps smooth edges so.
    std::vector<std::uint8_t> smoothSides;
};

// Empty when no edge is smooth: then every face is drawn flat, as glTF
// viewers draw a mesh without normals.
CornerNormals SmoothCornerNormals(const Entities& entities);

}  // namespace korvanta
