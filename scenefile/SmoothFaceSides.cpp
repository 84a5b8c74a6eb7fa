#include "scenefile/SmoothFaceSides.h"

#include <algorithm>

namespace hollin::importer {
namespace {

constexpr std::uint32_t kNoSide = 0xffffffffu;

// Sides a vertex may have for its list to be looked through side by side.
constexpr std::uint32_t kShortList = 16;

// A face whose corners name three different vertices of the mesh; any other
// has no area, and has each of its sides at most once.
bool IsProperTriangle(const Lib3dsMesh& mesh, const Lib3dsFace& face) {
    const auto [a, b, c] = face.points;
    return mesh.pointL != nullptr && a < mesh.points && b < mesh.points && c < mesh.points && a != b && b != c &&
           a != c;
}

std::uint32_t KeyOf(Lib3dsWord lower, Lib3dsWord higher) { return std::uint32_t{lower} << 16 | higher; }

}  // namespace

SmoothFaceSides::SmoothFaceSides(const Lib3dsMesh& mesh)
    : mesh_(mesh), newest_(mesh.points, kNoSide), listed_(mesh.points, 0) {
    // A mesh has about one side between two vertices for every two corners.
    sides_.reserve(mesh.faceL != nullptr ? std::size_t{mesh.faces} * 3 / 2 + 16 : 0);
}

std::uint8_t SmoothFaceSides::SharedWithEarlier(std::uint32_t face) {
    const Lib3dsFace& record = mesh_.faceL[face];
    if (record.smoothing == 0 || !IsProperTriangle(mesh_, record)) return 0;
    std::uint8_t smooth = 0;
    for (std::uint8_t corner = 0; corner < 3; ++corner) {
        const Lib3dsWord a = record.points[corner], b = record.points[(corner + 1) % 3];
        Side& side = SideBetween(std::min(a, b), std::max(a, b));
        if ((side.groups & record.smoothing) != 0) {
            smooth |= static_cast<std::uint8_t>(1u << corner);
            if (!side.smooth) ++smoothSidesFound_;
            side.smooth = true;
        }
        side.groups |= record.smoothing;
    }
    return smooth;
}

SmoothFaceSides::Side& SmoothFaceSides::SideBetween(Lib3dsWord lower, Lib3dsWord higher) {
    if (listed_[lower] > kShortList) {
        const auto [found, added] = crowded_.try_emplace(KeyOf(lower, higher), static_cast<std::uint32_t>(sides_.size()));
        if (added) sides_.push_back({higher, false, 0, kNoSide});
        return sides_[found->second];
    }
    for (std::uint32_t s = newest_[lower]; s != kNoSide; s = sides_[s].earlier) {
        if (sides_[s].higherVertex == higher) return sides_[s];
    }
    const auto added = static_cast<std::uint32_t>(sides_.size());
    sides_.push_back({higher, false, 0, newest_[lower]});
    newest_[lower] = added;
    if (++listed_[lower] > kShortList) {
        for (std::uint32_t s = added; s != kNoSide; s = sides_[s].earlier) crowded_.emplace(KeyOf(lower, sides_[s].higherVertex), s);
    }
    return sides_[added];
}

std::uint32_t FacesInSmoothingGroups(const Lib3dsMesh& mesh) {
    if (mesh.faceL == nullptr) return 0;
    return static_cast<std::uint32_t>(
        std::count_if(mesh.faceL, mesh.faceL + mesh.faces, [](const Lib3dsFace& face) { return face.smoothing != 0; }));
}

}  // namespace hollin::importer
