#include "ModelSummary.h"

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ApiLists.h"

namespace kvinfo {
namespace {

using kvhost::ReadList;
using kvhost::ReadText;
using nlohmann::json;

struct Bounds {
    std::array<double, 3> min{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::infinity()};
    std::array<double, 3> max{-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity()};

    void Add(const KVPoint3D& p) {
        const double coordinates[3] = {p.x, p.y, p.z};
        for (int axis = 0; axis < 3; ++axis) {
            min[axis] = std::min(min[axis], coordinates[axis]);
            max[axis] = std::max(max[axis], coordinates[axis]);
        }
    }

    bool Empty() const { return min[0] > max[0]; }

    json ToJson() const {
        if (Empty()) return nullptr;
        return json::array({min, max});
    }
};

KVPoint3D Transform(const KVTransformation& m, const KVPoint3D& p) {
    const double* v = m.values;
    return {v[0] * p.x + v[4] * p.y + v[8] * p.z + v[12], v[1] * p.x + v[5] * p.y + v[9] * p.z + v[13],
            v[2] * p.x + v[6] * p.y + v[10] * p.z + v[14]};
}

KVTransformation Compose(const KVTransformation& a, const KVTransformation& b) {
    KVTransformation product{};
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            for (int k = 0; k < 4; ++k) product.values[column * 4 + row] += a.values[k * 4 + row] * b.values[column * 4 + k];
        }
    }
    return product;
}

std::string MaterialName(KVMaterialRef material) { return ReadText(material, KVMaterialGetName); }

std::vector<KVComponentInstanceRef> InstancesOf(KVEntitiesRef entities) {
    return ReadList<KVComponentInstanceRef>(entities, KVEntitiesGetNumInstances, KVEntitiesGetInstances);
}

struct Placement {
    void* definition = nullptr;
    KVTransformation transform{};
};

// What one set of entities holds, with the points of its faces and the
// definitions it places, for the boxes.
struct EntitiesSummary {
    json description;
    std::vector<KVPoint3D> facePoints;
    std::vector<Placement> placements;
    std::size_t faces = 0, edges = 0, vertices = 0, triangles = 0, skippedFaces = 0, smoothEdges = 0;
};

using DefinitionSummaries = std::map<void*, EntitiesSummary>;
using DefinitionBoxes = std::map<void*, Bounds>;

void AddPlacedBox(Bounds& bounds, const Bounds& placed, const KVTransformation& transform) {
    if (placed.Empty()) return;
    for (int corner = 0; corner < 8; ++corner) {
        bounds.Add(Transform(transform, {corner & 1 ? placed.max[0] : placed.min[0],
                                         corner & 2 ? placed.max[1] : placed.min[1],
                                         corner & 4 ? placed.max[2] : placed.min[2]}));
    }
}

// The face points, and the boxes of the definitions placed, where they are placed.
Bounds BoxOf(const EntitiesSummary& summary, const DefinitionBoxes& boxes) {
    Bounds bounds;
    for (const auto& point : summary.facePoints) bounds.Add(point);
    for (const auto& placement : summary.placements) {
        const auto inner = boxes.find(placement.definition);
        if (inner != boxes.end()) AddPlacedBox(bounds, inner->second, placement.transform);
    }
    return bounds;
}

// Every definition's box in its own coordinates, each made once after the
// boxes of the definitions it places, by an explicit walk: neither deep
// nesting nor a definition placed many times costs more than the definitions.
DefinitionBoxes BoxDefinitions(const DefinitionSummaries& summaries) {
    DefinitionBoxes boxes;
    struct Visit {
        void* definition;
        std::size_t nextPlacement = 0;
    };
    for (const auto& [start, unused] : summaries) {
        // Entered once: an empty box stands in until it is done.
        if (!boxes.emplace(start, Bounds{}).second) continue;
        std::vector<Visit> pending{{start}};
        while (!pending.empty()) {
            Visit& visit = pending.back();
            const EntitiesSummary& summary = summaries.at(visit.definition);
            if (visit.nextPlacement < summary.placements.size()) {
                void* inner = summary.placements[visit.nextPlacement++].definition;
                if (summaries.count(inner) != 0 && boxes.emplace(inner, Bounds{}).second) pending.push_back({inner});
                continue;
            }
            boxes[visit.definition] = BoxOf(summary, boxes);
            pending.pop_back();
        }
    }
    return boxes;
}

// Transforming every point of a definition placed at the top level gives
// the tightest box; a file that places large definitions very many times
// gets the placed boxes' corners instead, which cost the same for any size.
constexpr std::size_t kExactWorldPointsAtMost = std::size_t{1} << 24;

Bounds WorldBox(const EntitiesSummary& topLevel, const DefinitionSummaries& summaries, const DefinitionBoxes& boxes) {
    std::size_t exactPoints = 0;
    for (const auto& placement : topLevel.placements) {
        const auto summary = summaries.find(placement.definition);
        if (summary != summaries.end()) exactPoints += summary->second.facePoints.size();
    }
    if (exactPoints > kExactWorldPointsAtMost) return BoxOf(topLevel, boxes);

    Bounds world;
    for (const auto& point : topLevel.facePoints) world.Add(point);
    for (const auto& placement : topLevel.placements) {
        const auto summary = summaries.find(placement.definition);
        if (summary == summaries.end()) continue;
        for (const auto& point : summary->second.facePoints) world.Add(Transform(placement.transform, point));
        for (const auto& inner : summary->second.placements) {
            const auto box = boxes.find(inner.definition);
            if (box != boxes.end()) AddPlacedBox(world, box->second, Compose(placement.transform, inner.transform));
        }
    }
    return world;
}

EntitiesSummary SummarizeEntities(KVEntitiesRef entities) {
    EntitiesSummary summary;
    KVEntitiesGetNumVertices(entities, &summary.vertices);
    KVEntitiesGetNumEdges(entities, &summary.edges);
    KVEntitiesGetNumSkippedFaces(entities, &summary.skippedFaces);
    KVEntitiesGetNumSmoothEdges(entities, &summary.smoothEdges);
    for (const KVComponentInstanceRef instance : InstancesOf(entities)) {
        Placement placement;
        KVComponentDefinitionRef definition{nullptr};
        KVComponentInstanceGetDefinition(instance, &definition);
        KVComponentInstanceGetTransform(instance, &placement.transform);
        placement.definition = definition.ptr;
        summary.placements.push_back(placement);
    }

    std::map<std::string, std::size_t> facesPerMaterial;
    std::size_t texturedFaces = 0;
    const auto faces = ReadList<KVFaceRef>(entities, KVEntitiesGetNumFaces, KVEntitiesGetFaces);
    summary.faces = faces.size();
    for (const KVFaceRef face : faces) {
        KVMaterialRef material{nullptr};
        KVFaceGetFrontMaterial(face, &material);
        ++facesPerMaterial[KV_IS_VALID(material) ? MaterialName(material) : std::string()];
        bool textured = false;
        if (KVFaceIsTextured(face, &textured) == KV_SUCCESS && textured) ++texturedFaces;
        std::size_t triangles = 0;
        if (KVFaceGetNumTriangles(face, &triangles) == KV_SUCCESS) summary.triangles += triangles;
        std::size_t loops = 0;
        KVFaceGetNumLoops(face, &loops);
        for (std::size_t loop = 0; loop < loops; ++loop) {
            std::size_t count = 0;
            if (KVFaceGetLoopVertexCount(face, loop, &count) != KV_SUCCESS) continue;
            std::vector<KVPoint3D> points(count);
            if (KVFaceGetLoopVertices(face, loop, points.size(), points.data(), &count) != KV_SUCCESS) continue;
            summary.facePoints.insert(summary.facePoints.end(), points.begin(), points.begin() + static_cast<long>(count));
        }
    }
    summary.description = {{"vertices", summary.vertices},
                           {"faces", summary.faces},
                           {"edges", summary.edges},
                           {"triangles", summary.triangles},
                           {"facesPerMaterial", facesPerMaterial},
                           {"texturedFaces", texturedFaces},
                           {"skippedFaces", summary.skippedFaces},
                           {"smoothEdges", summary.smoothEdges},
                           {"instances", summary.placements.size()}};
    return summary;
}

json SummarizeMaterial(KVMaterialRef material) {
    KVColor color{};
    double opacity = 1.0;
    KVMaterialGetColor(material, &color);
    KVMaterialGetOpacity(material, &opacity);
    json texture = nullptr;
    KVTextureRef textureRef{nullptr};
    std::size_t width = 0, height = 0;
    double sScale = 0.0, tScale = 0.0;
    if (KVMaterialGetTexture(material, &textureRef) == KV_SUCCESS && KV_IS_VALID(textureRef) &&
        KVTextureGetDimensions(textureRef, &width, &height, &sScale, &tScale) == KV_SUCCESS) {
        texture = {width, height};
    }
    return {{"name", MaterialName(material)},
            {"color", {color.red, color.green, color.blue, color.alpha}},
            {"opacity", opacity},
            {"texture", texture}};
}

}  // namespace

json SummarizeModel(KVModelRef model) {
    json materials = json::array();
    const auto materialRefs = ReadList<KVMaterialRef>(model, KVModelGetNumMaterials, KVModelGetMaterials);
    for (const KVMaterialRef material : materialRefs) materials.push_back(SummarizeMaterial(material));

    std::size_t faces = 0, edges = 0, vertices = 0, triangles = 0, skippedFaces = 0, smoothEdges = 0, instanceCount = 0;
    const auto count = [&](const EntitiesSummary& summary) {
        faces += summary.faces;
        edges += summary.edges;
        vertices += summary.vertices;
        triangles += summary.triangles;
        skippedFaces += summary.skippedFaces;
        smoothEdges += summary.smoothEdges;
        instanceCount += summary.placements.size();
    };

    DefinitionSummaries definitionSummaries;
    std::map<void*, std::string> definitionNames;
    const auto definitionRefs =
        ReadList<KVComponentDefinitionRef>(model, KVModelGetNumComponentDefinitions, KVModelGetComponentDefinitions);
    for (const KVComponentDefinitionRef definition : definitionRefs) {
        KVEntitiesRef entities{nullptr};
        KVComponentDefinitionGetEntities(definition, &entities);
        EntitiesSummary summary = SummarizeEntities(entities);
        count(summary);
        definitionNames[definition.ptr] = ReadText(definition, KVComponentDefinitionGetName);
        definitionSummaries.emplace(definition.ptr, std::move(summary));
    }
    KVEntitiesRef topLevel{nullptr};
    KVModelGetEntities(model, &topLevel);
    EntitiesSummary topLevelSummary = SummarizeEntities(topLevel);
    count(topLevelSummary);

    const DefinitionBoxes boxes = BoxDefinitions(definitionSummaries);
    json definitions = json::array();
    for (const KVComponentDefinitionRef definition : definitionRefs) {
        json description = {{"name", definitionNames.at(definition.ptr)}};
        description.update(definitionSummaries.at(definition.ptr).description);
        description["bbox"] = boxes.at(definition.ptr).ToJson();
        definitions.push_back(std::move(description));
    }
    topLevelSummary.description["bbox"] = BoxOf(topLevelSummary, boxes).ToJson();

    json instances = json::array();
    for (const Placement& placement : topLevelSummary.placements) {
        const auto name = definitionNames.find(placement.definition);
        instances.push_back({{"definition", name == definitionNames.end() ? json(nullptr) : json(name->second)},
                             {"transform", placement.transform.values}});
    }

    return {{"materials", std::move(materials)},
            {"definitions", std::move(definitions)},
            {"topLevel", topLevelSummary.description},
            {"instances", std::move(instances)},
            {"totals",
             {{"materials", materialRefs.size()},
              {"definitions", definitionRefs.size()},
              {"instances", instanceCount},
              {"faces", faces},
              {"edges", edges},
              {"vertices", vertices},
              {"triangles", triangles},
              {"skippedFaces", skippedFaces},
              {"smoothEdges", smoothEdges}}},
            // The model file gives normals exactly where an edge is smooth.
            {"normals", smoothEdges != 0},
            {"bbox", WorldBox(topLevelSummary, definitionSummaries, boxes).ToJson()}};
}

}  // namespace kvinfo
