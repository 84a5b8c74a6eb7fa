#include "scenefile/SmoothFaceSides.h"

#include <algorithm>
#include <array>
#include <bit>
#include <memory>
#include <span>

namespace hollin::importer {
namespace {

// One side of a face in smoothing groups, listed under its lower vertex.
struct Side {
    Lib3dsWord higherVertex;
    std::uint8_t corner;
    std::uint32_t face;
    Lib3dsDword groups;
};

// A face whose corners name three different vertices of the mesh; any other
// has no area, and has each of its sides at most once.
bool IsProperTriangle(const Lib3dsMesh& mesh, const Lib3dsFace& face) {
    const auto [a, b, c] = face.points;
    return mesh.pointL != nullptr && a < mesh.points && b < mesh.points && c < mesh.points && a != b && b != c &&
           a != c;
}

// Sides a vertex may have for each pair of them to be compared.
constexpr std::size_t kFewSides = 16;

void MarkSmooth(const Side& side, std::vector<std::uint8_t>& smooth) {
    smooth[side.face] |= static_cast<std::uint8_t>(1u << side.corner);
}

// A side is smooth when another face along it shares a group with it.
void MarkFew(std::span<const Side> sides, std::vector<std::uint8_t>& smooth) {
    for (std::size_t i = 1; i < sides.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (sides[i].higherVertex != sides[j].higherVertex || (sides[i].groups & sides[j].groups) == 0) continue;
            MarkSmooth(sides[i], smooth);
            MarkSmooth(sides[j], smooth);
        }
    }
}

// The same for a vertex that many sides share, by runs of sides between the
// same two vertices counted by group, so that a damaged file whose faces
// all share one side costs no more than a mesh.
void MarkMany(std::span<Side> sides, std::vector<std::uint8_t>& smooth) {
    std::sort(sides.begin(), sides.end(), [](const Side& a, const Side& b) { return a.higherVertex < b.higherVertex; });
    for (auto run = sides.begin(); run != sides.end();) {
        const auto runEnd = std::find_if(run, sides.end(), [&](const Side& side) { return side.higherVertex != run->higherVertex; });
        std::array<std::uint32_t, 32> facesInGroup{};
        for (auto side = run; side != runEnd; ++side) {
            for (std::uint32_t bits = side->groups; bits != 0; bits &= bits - 1) {
                ++facesInGroup[static_cast<std::size_t>(std::countr_zero(bits))];
            }
        }
        for (auto side = run; side != runEnd; ++side) {
            for (std::uint32_t bits = side->groups; bits != 0; bits &= bits - 1) {
                if (facesInGroup[static_cast<std::size_t>(std::countr_zero(bits))] < 2) continue;
                MarkSmooth(*side, smooth);
                break;
            }
        }
        run = runEnd;
    }
}

}  // namespace

std::vector<std::uint8_t> SmoothFaceSides(const Lib3dsMesh& mesh) {
    const std::uint32_t faceCount = mesh.faceL != nullptr ? mesh.faces : 0;
    std::vector<std::uint8_t> smooth(faceCount, 0);
    // The faces in groups, read once from lib3ds's large face records.
    struct GroupedFace {
        std::array<Lib3dsWord, 3> points;
        std::uint32_t face;
        Lib3dsDword groups;
    };
    std::vector<GroupedFace> grouped;
    grouped.reserve(faceCount);
    // Sides are listed by their lower vertex (a mesh has at most 65,536
    // vertices): counted at v + 2, so that placing them moves each start
    // from v + 1 to v's end.
    std::vector<std::uint32_t> start(std::size_t{mesh.points} + 2, 0);
    for (std::uint32_t f = 0; f < faceCount; ++f) {
        const Lib3dsFace& face = mesh.faceL[f];
        if (face.smoothing == 0 || !IsProperTriangle(mesh, face)) continue;
        const GroupedFace& added =
            grouped.emplace_back(GroupedFace{{face.points[0], face.points[1], face.points[2]}, f, face.smoothing});
        for (std::size_t corner = 0; corner < 3; ++corner) {
            ++start[std::size_t{std::min(added.points[corner], added.points[(corner + 1) % 3])} + 2];
        }
    }
    for (std::size_t v = 2; v < start.size(); ++v) start[v] += start[v - 1];
    // Every side is written below: the array is not cleared first.
    const auto sides = std::make_unique_for_overwrite<Side[]>(start.back());
    for (const GroupedFace& face : grouped) {
        for (std::uint8_t corner = 0; corner < 3; ++corner) {
            const Lib3dsWord a = face.points[corner], b = face.points[(corner + 1) % 3];
            sides[start[std::size_t{std::min(a, b)} + 1]++] = Side{std::max(a, b), corner, face.face, face.groups};
        }
    }
    // Then each vertex's few sides by the other one.
    for (std::size_t v = 0; v + 2 < start.size(); ++v) {
        const std::span<Side> atVertex(sides.get() + start[v], start[v + 1] - start[v]);
        if (atVertex.size() <= kFewSides) {
            MarkFew(atVertex, smooth);
        } else {
            MarkMany(atVertex, smooth);
        }
    }
    return smooth;
}

std::uint32_t FacesInSmoothingGroups(const Lib3dsMesh& mesh) {
    if (mesh.faceL == nullptr) return 0;
    return static_cast<std::uint32_t>(
        std::count_if(mesh.faceL, mesh.faceL + mesh.faces, [](const Lib3dsFace& face) { return face.smoothing != 0; }));
}

}  // namespace hollin::importer
