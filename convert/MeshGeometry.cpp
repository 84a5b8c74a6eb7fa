#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "convert/C3DSImporter.h"
#include "convert/OptionalHostApi.h"
#include "scenefile/MapTiling.h"
#include "scenefile/SmoothFaceSides.h"
#include "scenefile/StoredText.h"
#include "utils/Format.h"

namespace hollin::importer {
namespace {

// About ten reports per mesh: every 10 faces below 100, else every tenth.
std::uint32_t ReportInterval(std::uint32_t faceCount) {
    if (faceCount < 100) return 10;
    return static_cast<std::uint32_t>(static_cast<float>(faceCount) * 0.1f);
}

bool HasTexture(const Lib3dsMaterial& material) { return material.texture1_map.name[0] != '\0'; }

// Texture coordinates only when every corner has one: the texel list may be
// shorter than the point list, and nothing past its end is read. `tiling`,
// when given, lays the material's map on them as the file says.
void FillTextureCoordinates(const Lib3dsMesh& mesh, const Lib3dsFace& face, const MapTiling* tiling,
                            KVMaterialInput& record) {
    if (mesh.texelL == nullptr) return;
    for (const Lib3dsWord vertex : face.points) {
        if (vertex >= mesh.texels) return;
    }
    for (std::size_t corner = 0; corner < 3; ++corner) {
        const Lib3dsWord vertex = face.points[corner];
        record.vertex_indices[corner] = vertex;
        record.uv_coords[corner][0] = static_cast<double>(mesh.texelL[vertex][0]);
        record.uv_coords[corner][1] = static_cast<double>(mesh.texelL[vertex][1]);
        if (tiling != nullptr) tiling->Apply(record.uv_coords[corner][0], record.uv_coords[corner][1]);
    }
    record.num_uv_coords = 3;
}

}  // namespace

std::int32_t C3DSImporter::BuildMeshGeometry(KVComponentDefinitionRef definition, Lib3dsMesh* mesh) {
    if (mesh == nullptr) return 0;
    KVGeometryInputRef input{};
    KVGeometryInputCreate(&input);

    const std::uint32_t pointCount = mesh->pointL != nullptr ? mesh->points : 0;
    for (std::uint32_t index = 0; index < pointCount; ++index) {
        const Lib3dsVector& position = mesh->pointL[index].pos;
        const KVPoint3D point{static_cast<double>(position[0] * unitScale_),
                              static_cast<double>(position[1] * unitScale_),
                              static_cast<double>(position[2] * unitScale_)};
        KVGeometryInputAddVertex(input, &point);
    }
    if (mesh->points != 0) ++meshCount_;

    const std::uint32_t faceCount = mesh->faceL != nullptr ? mesh->faces : 0;
    const std::uint32_t interval = ReportInterval(faceCount);
    const Utf16String meshName = StoredTextUtf16(mesh->name);
    std::optional<SmoothFaceSides> smoothSides;
    if (settings_.asAuthored && HostMarksSmoothEdges()) smoothSides.emplace(*mesh);
    // Faces come in runs of one material: the lookups are made once a run.
    std::string_view runMaterialName;
    const Lib3dsMaterial* sceneMaterial = nullptr;
    const KVMaterialRef* hostMaterial = nullptr;
    std::optional<MapTiling> tiling;  // of the run's material, as authored
    std::uint32_t facesToReport = 0;
    for (std::uint32_t faceIndex = 0; faceIndex < faceCount; ++faceIndex) {
        ++facesProcessed_;
        if (facesToReport-- == 0) {
            facesToReport = interval - 1;
            const float share = static_cast<float>(facesProcessed_) / static_cast<float>(totalFaceCount_);
            const double percent = 40.0 + 60.0 * static_cast<double>(share);
            ReportProgress(percent, hollin::utils::Formatted(progressMessages_[BuildingMesh], meshName,
                                                             static_cast<std::int32_t>(faceIndex),
                                                             static_cast<std::int32_t>(faceCount)));
            if (IsCancelled()) break;
        }

        const Lib3dsFace& face = mesh->faceL[faceIndex];
        KVLoopInputRef loop{};
        KVLoopInputCreate(&loop);
        for (const Lib3dsWord vertex : face.points) KVLoopInputAddVertexIndex(loop, vertex);
        if (smoothSides) {
            const std::uint8_t smooth = smoothSides->SharedWithEarlier(faceIndex);
            for (std::size_t side = 0; side < 3; ++side) {
                if ((smooth >> side & 1u) != 0) KVLoopInputEdgeSetSmooth(loop, side, true);
            }
        }
        std::size_t addedFace = 0;
        KVGeometryInputAddFace(input, &loop, &addedFace);

        const bool sameBytesAsBefore =
            faceIndex != 0 && std::memcmp(face.material, mesh->faceL[faceIndex - 1].material, sizeof face.material) == 0;
        const std::string_view materialName = sameBytesAsBefore ? runMaterialName : StoredName(face.material);
        if (faceIndex == 0 || materialName != runMaterialName) {
            runMaterialName = materialName;
            sceneMaterial = sceneNames_->Material(materialName);
            const auto mapped =
                sceneMaterial != nullptr ? materialMap_.find(StoredText(sceneMaterial->name)) : materialMap_.end();
            hostMaterial = mapped != materialMap_.end() ? &mapped->second : nullptr;
            tiling.reset();
            if (settings_.asAuthored && sceneMaterial != nullptr) {
                const MapTiling laid(sceneMaterial->texture1_map);
                // A map laid once, as it is, leaves the coordinates alone.
                if (laid.Tiles()) tiling = laid;
            }
        }
        if (hostMaterial == nullptr) continue;

        KVMaterialInput record{};
        record.material = *hostMaterial;
        if (HasTexture(*sceneMaterial)) FillTextureCoordinates(*mesh, face, tiling ? &*tiling : nullptr, record);
        KVGeometryInputFaceSetFrontMaterial(input, faceIndex, &record);
    }

    // Once cancelled, the faces gathered so far are dropped with the input.
    if (!IsCancelled()) {
        KVEntitiesRef entities{};
        KVComponentDefinitionGetEntities(definition, &entities);
        KVEntitiesFill(entities, input, true);
    }
    KVGeometryInputRelease(&input);
    return 0;
}

}  // namespace hollin::importer
