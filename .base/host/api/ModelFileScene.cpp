#include "ModelFileScene.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>
#include <unordered_map>

#include "ModelFileMesh.h"
#include "ModelFileTransform.h"
#include "Parallel.h"
#include "utils/Utf8Conversion.h"

// Names reach the model through the API, which keeps them valid UTF-8; a
// name that got in some other way is still written, never the reason a save fails.
namespace korvanta {
namespace {

using hollin::utils::Utf8FromUtf8OrWindows1252;

constexpr double kMetresPerInch = 0.0254;

// Positions stored again for instances whose transform no node can hold.
constexpr std::size_t kBakedVerticesAlwaysAllowed = std::size_t{1} << 22;
constexpr std::size_t kBakedVerticesPerDrawnVertex = 4;

// Scale to metres, then turn Z-up into Y-up: x stays, z becomes y, y becomes -z.
std::vector<double> RootMatrix() {
    const double s = kMetresPerInch;
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

class NodeTreeWriter {
public:
    NodeTreeWriter(const Model& model, ViewerScene& scene, GltfBufferWriter& buffer, tinygltf::Model& gltf)
        : materials_(scene.materials), scene_(scene), buffer_(buffer), gltf_(gltf) {
        bakedVerticesLeft_ = kBakedVerticesAlwaysAllowed;
        for (const auto& [entities, drawn] : scene_.drawn) bakedVerticesLeft_ += kBakedVerticesPerDrawnVertex * drawn.Count();
        for (const auto& definition : model.definitions) {
            definitionMeshes_[definition.get()] = AddFacesMesh(definition->entities, scene_.drawn.at(&definition->entities),
                                                               definition->name, materials_, nullptr, buffer_, gltf_);
        }
    }

    // A node per placement, as glTF's node tree requires, made by an
    // explicit walk: the saver has checked the nesting and the placements.
    int AddRoot(const Model& model) {
        tinygltf::Node root;
        root.name = "Korvanta model";
        root.matrix = RootMatrix();
        const int rootNode = PushNode(std::move(root));
        const int topLevelMesh =
            AddFacesMesh(model.entities, scene_.drawn.at(&model.entities), "Model", materials_, nullptr, buffer_, gltf_);
        if (topLevelMesh >= 0) {
            tinygltf::Node faces;
            faces.name = "Model";
            faces.mesh = topLevelMesh;
            const int facesNode = PushNode(std::move(faces));
            NodeAt(rootNode).children.push_back(facesNode);
        }
        // `inherited` carries an ancestor's transform that no node could hold
        // and that therefore goes into the positions of everything below it.
        struct Level {
            const Entities* entities;
            KVTransformation inherited;
            int node;
            std::size_t nextInstance = 0;
        };
        std::vector<Level> pending{{&model.entities, IdentityTransform(), rootNode}};
        while (!pending.empty()) {
            Level& level = pending.back();
            if (level.nextInstance == level.entities->instances.size()) {
                pending.pop_back();
                continue;
            }
            const ComponentInstance& instance = *level.entities->instances[level.nextInstance++];
            if (instance.definition == nullptr || definitionMeshes_.count(instance.definition) == 0) continue;
            const auto [node, passedDown] = AddInstanceNode(instance, level.inherited);
            NodeAt(level.node).children.push_back(node);
            pending.push_back({&instance.definition->entities, passedDown, node});
        }
        return rootNode;
    }

private:
    // The instance's node, and the transform its children inherit.
    std::pair<int, KVTransformation> AddInstanceNode(const ComponentInstance& instance,
                                                     const KVTransformation& inherited) {
        const ComponentDefinition& definition = *instance.definition;
        const KVTransformation transform = Multiply(inherited, instance.transform);
        tinygltf::Node node;
        node.name = Utf8FromUtf8OrWindows1252(instance.name.empty() ? definition.name : instance.name);
        KVTransformation passedDown = IdentityTransform();
        if (IsTranslationRotationScale(transform)) {
            if (!IsIdentity(transform)) node.matrix.assign(std::begin(transform.values), std::end(transform.values));
            node.mesh = definitionMeshes_.at(&definition);
        } else {
            DrawnEntities& drawn = scene_.drawn.at(&definition.entities);
            // Each such placement stores the positions again; a model that asks
            // for more of them than it has vertices many times over has the
            // rest left undrawn (its structure keeps them all).
            if (drawn.Count() <= bakedVerticesLeft_) {
                bakedVerticesLeft_ -= drawn.Count();
                node.mesh = AddFacesMesh(definition.entities, drawn, definition.name, materials_, &transform, buffer_, gltf_);
            }
            passedDown = transform;
        }
        return {PushNode(std::move(node)), passedDown};
    }

    tinygltf::Node& NodeAt(int index) { return gltf_.nodes[static_cast<std::size_t>(index)]; }

    int PushNode(tinygltf::Node node) {
        gltf_.nodes.push_back(std::move(node));
        return static_cast<int>(gltf_.nodes.size() - 1);
    }

    const GltfMaterialIndices& materials_;
    ViewerScene& scene_;
    GltfBufferWriter& buffer_;
    tinygltf::Model& gltf_;
    std::unordered_map<const ComponentDefinition*, int> definitionMeshes_;
    std::size_t bakedVerticesLeft_ = 0;
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

    NodeTreeWriter nodes(model, viewerScene, buffer, gltf);
    tinygltf::Scene scene;
    scene.name = "Korvanta model";
    scene.nodes.push_back(nodes.AddRoot(model));
    gltf.scenes.push_back(std::move(scene));
    gltf.defaultScene = 0;
}

}  // namespace korvanta
