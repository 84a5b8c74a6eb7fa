#include "AsAuthoredSummary.h"

#include <lib3ds/material.h>
#include <lib3ds/mesh.h>

#include <charconv>

#include <nlohmann/json.hpp>

#include "scenefile/MapTiling.h"
#include "scenefile/SmoothFaceSides.h"
#include "scenefile/StoredText.h"
#include "utils/Utf8Conversion.h"

namespace kvinfo {

using nlohmann::json;

namespace {

// A value the file stores in single precision, as its shortest decimal
// (0.3 rather than 0.30000001192092896).
double AsStored(float value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    double shortest = 0.0;
    std::from_chars(text, end, shortest);
    return shortest;
}

}  // namespace

json SummarizeAsAuthored(const Lib3dsFile& scene, bool on) {
    std::uint64_t groupedFaces = 0, smoothSides = 0;
    for (const Lib3dsMesh* mesh = scene.meshes; mesh != nullptr; mesh = mesh->next) {
        groupedFaces += hollin::importer::FacesInSmoothingGroups(*mesh);
        hollin::importer::SmoothFaceSides sides(*mesh);
        for (std::uint32_t face = 0; mesh->faceL != nullptr && face < mesh->faces; ++face) sides.SharedWithEarlier(face);
        smoothSides += sides.SmoothSidesFound();
    }
    json tiledMaps = json::array();
    for (const Lib3dsMaterial* material = scene.materials; material != nullptr; material = material->next) {
        const Lib3dsTextureMap& map = material->texture1_map;
        if (map.name[0] == '\0' || !hollin::importer::MapTiling(map).Tiles()) continue;
        tiledMaps.push_back(
            {{"material", hollin::utils::Utf8FromUtf8OrWindows1252(hollin::importer::StoredText(material->name))},
             {"scale", {AsStored(map.scale[0]), AsStored(map.scale[1])}},
             {"offset", {AsStored(map.offset[0]), AsStored(map.offset[1])}},
             {"rotation", AsStored(map.rotation)}});
    }
    return {{"on", on},
            {"facesInSmoothingGroups", groupedFaces},
            {"smoothSides", smoothSides},
            {"tiledMaps", std::move(tiledMaps)}};
}

}  // namespace kvinfo
