#pragma once

#include <lib3ds/mesh.h>

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace hollin::importer {

// The sides of a mesh's faces that 3D Studio draws smooth. Two faces are
// smooth across a side when both have that side (the same two vertex
// numbers, in either order) and their smoothing groups share a bit. Group 0
// is never smooth, and faces that only meet at equal positions, with vertex
// numbers of their own, stay hard: that is how authors keep a crease. Faces
// naming a vertex the mesh does not have, or one vertex twice, are never
// smooth.
//
// The faces are taken once each, in order, as an import builds them: each
// smooth side is found from the later of the faces along it, which is all
// a model needs whose edges are smooth where any face marks them.
class SmoothFaceSides {
public:
    explicit SmoothFaceSides(const Lib3dsMesh& mesh);

    // The sides of `face` along which a face before it shares a group: bit
    // k for the side from its corner k to corner k + 1 (corner 2 back to
    // corner 0). Each face is asked about once, after those before it.
    std::uint8_t SharedWithEarlier(std::uint32_t face);

    // How many sides were found smooth so far, each pair of vertex numbers once.
    std::uint64_t SmoothSidesFound() const { return smoothSidesFound_; }

private:
    // A side between two vertex numbers, listed under the lower one.
    struct Side {
        Lib3dsWord higherVertex;
        bool smooth;
        Lib3dsDword groups;     // of the faces along it so far
        std::uint32_t earlier;  // the lower vertex's side listed before this one
    };

    Side& SideBetween(Lib3dsWord lower, Lib3dsWord higher);

    const Lib3dsMesh& mesh_;
    std::vector<Side> sides_;
    std::vector<std::uint32_t> newest_;   // per vertex, its side listed last
    std::vector<std::uint32_t> listed_;   // per vertex, how many sides it has
    // Sides of the few vertices that many sides meet (a fan's centre, or a
    // damaged mesh whose faces all name one point), by both their vertices.
    std::unordered_map<std::uint32_t, std::uint32_t> crowded_;
    std::uint64_t smoothSidesFound_ = 0;
};

// Faces whose smoothing group is not 0.
std::uint32_t FacesInSmoothingGroups(const Lib3dsMesh& mesh);

}  // namespace hollin::importer
