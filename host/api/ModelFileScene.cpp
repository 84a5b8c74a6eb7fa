#include "ModelFileScene.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>
#include <unordered_map>

#include <nlohmann/json.hpp>

#include "KorvantaAPI.h"
#include "ModelFileMesh.h"
#include "ModelFileTransform.h"
#include "Parallel.h"
#include "utils/Utf8Conversion.h"

// Names reach the model through the API, which keeps them valid UTF-8; a
// name that got in some other way is still written, never the reason a save fails.
namespace korvanta {
namespace {

using hollin::utils::Utf8FromUtf8OrWindows1252;

// Positions stored again for instances whose transform no node can hold.
constexpr std::size_t kBakedVerticesAlwaysAllowed = std::size_t{1} << 22;
constexpr std::size_t kBakedVerticesPerDrawnVertex = 4;

// Scale to metres, then turn Z-up into Y-up: x stays, z becomes y, y becomes -z.
std::vector<double> RootMatrix() {
    const double s = KV_METRES_PER_INCH;
    return {s, 0, 0, 0, 0, 0, -s, 0, 0, s, 0, 0, 0, 0, 0, 1};
}

// glTF images are PNG or JPEG; the host re-encodes anything else when it loads a texture.
bool IsEmbeddable(const Texture& texture) {
    return texture.image && !texture.image->bytes.empty() &&
           (texture.image->mimeType == "image/png" || texture.image->mimeType == "image/jpeg");
}

int AddImage(const Texture& texture, GltfBufferWriter& buffer, tinygltf::Model& gltf) {
    tinygltf::Image image;
    image.name = Utf8FromUtf8OrWindows1252(texture.fileName);
    image.mimeType = texture.image->mimeType;
    image.bufferView = buffer.AddStored(std::span<const std::uint8_t>(texture.image->bytes));
    gltf.images.push_back(std::move(image));
    return static_cast<int>(gltf.images.size() - 1);
}

int AddTexture(int image, tinygltf::Model& gltf) {
    if (gltf.samplers.empty()) {
        // Host texture coordinates run past 0..1 for tiled textures.
        tinygltf::Sampler sampler;
        sampler.magFilter = TINYGLTF_TEXTURE_FILTER_LINEAR;
        sampler.minFilter = TINYGLTF_TEXTURE_FILTER_LINEAR_MIPMAP_LINEAR;
        sampler.wrapS = TINYGLTF_TEXTURE_WRAP_REPEAT;
        sampler.wrapT = TINYGLTF_TEXTURE_WRAP_REPEAT;
        gltf.samplers.push_back(sampler);
    }
    tinygltf::Texture texture;
    texture.sampler = 0;
    texture.source = image;
    gltf.textures.push_back(texture);
    return static_cast<int>(gltf.textures.size() - 1);
}

tinygltf::Material ToGltfMaterial(const Material& material, int texture) {
    tinygltf::Material gltfMaterial;
    gltfMaterial.name = Utf8FromUtf8OrWindows1252(material.name);
    const double opacity = std::clamp(material.opacity, 0.0, 1.0);
    gltfMaterial.pbrMetallicRoughness.baseColorFactor = {material.color.red / 255.0, material.color.green / 255.0,
                                                          material.color.blue / 255.0, opacity};
    gltfMaterial.pbrMetallicRoughness.metallicFactor = 0.0;
    gltfMaterial.pbrMetallicRoughness.baseColorTexture.index = texture;
    gltfMaterial.alphaMode = opacity < 1.0 ? "BLEND" : "OPAQUE";
    // Host faces are seen from both sides; imported meshes rarely agree on winding.
    gltfMaterial.doubleSided = true;
    return gltfMaterial;
}

// The node tree: a node per placement, as glTF's node tree requires. A
// model may place a definition a million times, so the nodes are never
// held: the tree is laid out once (the meshes of placements whose transform
// no node can hold), and its JSON made each time it is asked for, by an
// explicit walk in the nodes' order (depth first, each node before what it
// places), as the file is written. The saver has checked the nesting and
// the placements.
class NodeTree {
public:
    NodeTree(const Model& model, ViewerScene& scene, GltfBufferWriter& buffer, tinygltf::Model& gltf) : model_(model) {
        std::size_t bakedVerticesLeft = kBakedVerticesAlwaysAllowed;
        for (const auto& [entities, drawn] : scene.drawn) bakedVerticesLeft += kBakedVerticesPerDrawnVertex * drawn.Count();
        for (const auto& definition : model.definitions) {
            definitionMeshes_[definition.get()] = AddFacesMesh(definition->entities, scene.drawn.at(&definition->entities),
                                                               definition->name, scene.materials, nullptr, buffer, gltf);
        }
        topLevelMesh_ = AddFacesMesh(model.entities, scene.drawn.at(&model.entities), "Model", scene.materials, nullptr,
                                     buffer, gltf);
        CountNodes();
        Walk([&](const ComponentInstance& instance, const KVTransformation& transform, bool holdable) {
            if (holdable) return;
            // Each such placement stores the positions again; a model that asks
            // for more of them than it has vertices many times over has the
            // rest left undrawn (its structure keeps them all).
            DrawnEntities& drawn = scene.drawn.at(&instance.definition->entities);
            int mesh = -1;
            if (drawn.Count() <= bakedVerticesLeft) {
                bakedVerticesLeft -= drawn.Count();
                mesh = AddFacesMesh(instance.definition->entities, drawn, instance.definition->name, scene.materials,
                                    &transform, buffer, gltf);
            }
            bakedMeshes_.push_back(mesh);
        });
    }

    // The JSON array of the nodes, handed to `write` piece by piece.
    void Write(const std::function<void(std::string_view)>& write) const {
        write("[");
        nlohmann::json root = {{"name", "Korvanta model"}, {"matrix", RootMatrix()}};
        nlohmann::json rootChildren = nlohmann::json::array();
        std::size_t next = 1;
        if (topLevelMesh_ >= 0) rootChildren.push_back(next++);
        for (const std::size_t child : ChildrenOf(model_.entities, next)) rootChildren.push_back(child);
        if (!rootChildren.empty()) root["children"] = std::move(rootChildren);
        write(root.dump());
        if (topLevelMesh_ >= 0) write("," + nlohmann::json{{"name", "Model"}, {"mesh", topLevelMesh_}}.dump());
        std::size_t index = next;
        std::size_t baked = 0;
        Walk([&](const ComponentInstance& instance, const KVTransformation& transform, bool holdable) {
            const ComponentDefinition& definition = *instance.definition;
            nlohmann::json node = {{"name", Utf8FromUtf8OrWindows1252(instance.name.empty() ? definition.name : instance.name)}};
            const int mesh = holdable ? definitionMeshes_.at(&definition) : bakedMeshes_[baked++];
            if (mesh >= 0) node["mesh"] = mesh;
            if (holdable && !IsIdentity(transform)) node["matrix"] = transform.values;
            const std::vector<std::size_t> children = ChildrenOf(definition.entities, ++index);
            if (!children.empty()) node["children"] = children;
            write("," + node.dump());
        });
        write("]");
    }

private:
    bool Placed(const ComponentInstance& instance) const {
        return instance.definition != nullptr && definitionMeshes_.count(instance.definition) != 0;
    }

    // The numbers of the nodes of the entities' placements, the first at `first`.
    std::vector<std::size_t> ChildrenOf(const Entities& entities, std::size_t first) const {
        std::vector<std::size_t> children;
        for (const auto& instance : entities.instances) {
            if (!Placed(*instance)) continue;
            children.push_back(first);
            first += nodesOf_.at(instance->definition);
        }
        return children;
    }

    // The nodes a placement of each definition makes, itself included,
    // innermost first by an explicit walk.
    void CountNodes() {
        for (const auto& definition : model_.definitions) {
            std::vector<const ComponentDefinition*> pending{definition.get()};
            while (!pending.empty()) {
                const ComponentDefinition* top = pending.back();
                if (nodesOf_.count(top) != 0) {
                    pending.pop_back();
                    continue;
                }
                std::size_t nodes = 1;
                bool counted = true;
                for (const auto& instance : top->entities.instances) {
                    if (!Placed(*instance)) continue;
                    const auto inner = nodesOf_.find(instance->definition);
                    if (inner == nodesOf_.end()) {
                        pending.push_back(instance->definition);
                        counted = false;
                    } else if (counted) {
                        nodes += inner->second;
                    }
                }
                if (counted) nodesOf_.emplace(top, nodes);
            }
        }
    }

    // Calls visit(instance, transform, holdable) for every placement in the
    // nodes' order: its transform in the scene, less what its own node's
    // ancestors hold, and whether a node can hold it. `inherited` carries an
    // ancestor's transform that no node could hold and that therefore goes
    // into the positions of everything below it.
    template <typename Visit>
    void Walk(Visit visit) const {
        struct Level {
            const Entities* entities;
            KVTransformation inherited;
            std::size_t nextInstance = 0;
        };
        std::vector<Level> pending{{&model_.entities, IdentityTransform()}};
        while (!pending.empty()) {
            Level& level = pending.back();
            if (level.nextInstance == level.entities->instances.size()) {
                pending.pop_back();
                continue;
            }
            const ComponentInstance& instance = *level.entities->instances[level.nextInstance++];
            if (!Placed(instance)) continue;
            const KVTransformation transform = Multiply(level.inherited, instance.transform);
            const bool holdable = IsTranslationRotationScale(transform);
            visit(instance, transform, holdable);
            pending.push_back({&instance.definition->entities, holdable ? IdentityTransform() : transform});
        }
    }

    const Model& model_;
    std::unordered_map<const ComponentDefinition*, int> definitionMeshes_;
    std::unordered_map<const ComponentDefinition*, std::size_t> nodesOf_;
    int topLevelMesh_ = -1;
    std::vector<int> bakedMeshes_;  // in the nodes' order
};

}  // namespace

void AddViewerScene(const Model& model, ViewerScene& viewerScene, GltfBufferWriter& buffer, tinygltf::Model& gltf) {
    struct ImageAndTexture {
        int image = -1;
        int texture = -1;
    };
    std::unordered_map<const image::EmbeddableImage*, ImageAndTexture> written;
    for (const auto& material : model.materials) {
        ImageAndTexture embedded;
        if (material->texture && IsEmbeddable(*material->texture)) {
            auto [entry, isNew] = written.try_emplace(material->texture->image.get());
            if (isNew) {
                entry->second.image = AddImage(*material->texture, buffer, gltf);
                entry->second.texture = AddTexture(entry->second.image, gltf);
            }
            embedded = entry->second;
        }
        const int texture = embedded.texture;
        viewerScene.materialImages.push_back(embedded.image);
        viewerScene.materials[material.get()] = static_cast<int>(gltf.materials.size());
        gltf.materials.push_back(ToGltfMaterial(*material, texture));
    }
    std::vector<const Entities*> allEntities{&model.entities};
    for (const auto& definition : model.definitions) allEntities.push_back(&definition->entities);
    std::vector<DrawnEntities> drawn(allEntities.size());
    ForEachInParallel(allEntities.size(), [&](std::size_t i) { drawn[i] = DrawEntities(*allEntities[i], viewerScene.materials); });
    for (std::size_t i = 0; i < allEntities.size(); ++i) viewerScene.drawn.emplace(allEntities[i], std::move(drawn[i]));

    auto nodes = std::make_shared<const NodeTree>(model, viewerScene, buffer, gltf);
    viewerScene.writeNodes = [nodes](const std::function<void(std::string_view)>& write) { nodes->Write(write); };
    tinygltf::Scene scene;
    scene.name = "Korvanta model";
    scene.nodes.push_back(0);
    gltf.scenes.push_back(std::move(scene));
    gltf.defaultScene = 0;
}

}  // namespace korvanta
