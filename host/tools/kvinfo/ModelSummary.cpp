#include "ModelSummary.h"

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ApiLists.h"

namespace kvinfo {
namespace {

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

    json ToJson() const {
        if (min[0] > max[0]) return nullptr;
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

// What one set of entities holds, and the points of its faces for the world box.
struct EntitiesSummary {
    json description;
    std::vector<KVPoint3D> facePoints;
    std::size_t faces = 0, edges = 0, vertices = 0, triangles = 0, skippedFaces = 0, instances = 0;
};

EntitiesSummary SummarizeEntities(KVEntitiesRef entities) {
    EntitiesSummary summary;
    KVEntitiesGetNumVertices(entities, &summary.vertices);
    KVEntitiesGetNumEdges(entities, &summary.edges);
    KVEntitiesGetNumSkippedFaces(entities, &summary.skippedFaces);
    summary.instances = InstancesOf(entities).size();

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

    KVBoundingBox3D box{};
    json bbox = nullptr;
    if (KVEntitiesGetBoundingBox(entities, &box) == KV_SUCCESS) {
        bbox = {{box.min_point.x, box.min_point.y, box.min_point.z}, {box.max_point.x, box.max_point.y, box.max_point.z}};
    }
    summary.description = {{"vertices", summary.vertices},
                           {"faces", summary.faces},
                           {"edges", summary.edges},
                           {"triangles", summary.triangles},
                           {"facesPerMaterial", facesPerMaterial},
                           {"texturedFaces", texturedFaces},
                           {"skippedFaces", summary.skippedFaces},
                           {"instances", summary.instances},
                           {"bbox", bbox}};
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

class WorldBounds {
public:
    explicit WorldBounds(const std::map<void*, EntitiesSummary>& definitions) : definitions_(definitions) {}

    void AddEntities(KVEntitiesRef entities, const std::vector<KVPoint3D>& facePoints, const KVTransformation& placed) {
        for (const auto& point : facePoints) bounds_.Add(Transform(placed, point));
        for (const KVComponentInstanceRef instance : InstancesOf(entities)) {
            KVComponentDefinitionRef definition{nullptr};
            KVTransformation transform{};
            if (KVComponentInstanceGetDefinition(instance, &definition) != KV_SUCCESS ||
                KVComponentInstanceGetTransform(instance, &transform) != KV_SUCCESS) {
                continue;
            }
            const auto summary = definitions_.find(definition.ptr);
            // A definition inside itself would place copies without end; they add nothing new to the box.
            if (summary == definitions_.end() || std::count(path_.begin(), path_.end(), definition.ptr) > 0) continue;
            KVEntitiesRef inner{nullptr};
            KVComponentDefinitionGetEntities(definition, &inner);
            path_.push_back(definition.ptr);
            AddEntities(inner, summary->second.facePoints, Compose(placed, transform));
            path_.pop_back();
        }
    }

    json ToJson() const { return bounds_.ToJson(); }

private:
    const std::map<void*, EntitiesSummary>& definitions_;
    std::vector<void*> path_;
    Bounds bounds_;
};

}  // namespace

json SummarizeModel(KVModelRef model) {
    json materials = json::array();
    const auto materialRefs = ReadList<KVMaterialRef>(model, KVModelGetNumMaterials, KVModelGetMaterials);
    for (const KVMaterialRef material : materialRefs) materials.push_back(SummarizeMaterial(material));

    std::size_t faces = 0, edges = 0, vertices = 0, triangles = 0, skippedFaces = 0, instanceCount = 0;
    const auto count = [&](const EntitiesSummary& summary) {
        faces += summary.faces;
        edges += summary.edges;
        vertices += summary.vertices;
        triangles += summary.triangles;
        skippedFaces += summary.skippedFaces;
        instanceCount += summary.instances;
    };

    json definitions = json::array();
    std::map<void*, EntitiesSummary> definitionSummaries;
    std::map<void*, std::string> definitionNames;
    const auto definitionRefs =
        ReadList<KVComponentDefinitionRef>(model, KVModelGetNumComponentDefinitions, KVModelGetComponentDefinitions);
    for (const KVComponentDefinitionRef definition : definitionRefs) {
        KVEntitiesRef entities{nullptr};
        KVComponentDefinitionGetEntities(definition, &entities);
        EntitiesSummary summary = SummarizeEntities(entities);
        const std::string name = ReadText(definition, KVComponentDefinitionGetName);
        json description = {{"name", name}};
        description.update(summary.description);
        definitions.push_back(std::move(description));
        count(summary);
        definitionNames[definition.ptr] = name;
        definitionSummaries.emplace(definition.ptr, std::move(summary));
    }

    KVEntitiesRef topLevel{nullptr};
    KVModelGetEntities(model, &topLevel);
    const EntitiesSummary topLevelSummary = SummarizeEntities(topLevel);
    count(topLevelSummary);

    json instances = json::array();
    for (const KVComponentInstanceRef instance : InstancesOf(topLevel)) {
        KVComponentDefinitionRef definition{nullptr};
        KVTransformation transform{};
        KVComponentInstanceGetDefinition(instance, &definition);
        KVComponentInstanceGetTransform(instance, &transform);
        const auto name = definitionNames.find(definition.ptr);
        instances.push_back({{"definition", name == definitionNames.end() ? json(nullptr) : json(name->second)},
                             {"transform", transform.values}});
    }

    WorldBounds world(definitionSummaries);
    world.AddEntities(topLevel, topLevelSummary.facePoints, {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}});

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
              {"skippedFaces", skippedFaces}}},
            {"bbox", world.ToJson()}};
}

}  // namespace kvinfo
