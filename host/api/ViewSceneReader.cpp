#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "InstanceGraph.h"
#include "ModelFileDescription.h"
#include "ModelFileOutline.h"
#include "ViewScene.h"
#include "ViewSceneFile.h"
#include "ViewSceneMeshes.h"
#include "ViewSceneNodes.h"
#include "ViewerDemand.h"

namespace korvanta {

namespace {

using nlohmann::json;

// glTF's codes for its samplers.
constexpr int kNearest = 9728;
constexpr int kLinear = 9729;
constexpr int kClampToEdge = 33071;
constexpr int kMirroredRepeat = 33648;

// Beside a node for each placement, the file's root node and the top level's own.
constexpr std::uint64_t kNodesBesidePlacements = 2;

void IncludeTransformed(std::optional<ViewBox>& box, const ViewBox& inner, const ViewMatrix& m) {
    for (int corner = 0; corner < 8; ++corner) {
        const float in[3] = {(corner & 1) ? inner.high[0] : inner.low[0], (corner & 2) ? inner.high[1] : inner.low[1],
                             (corner & 4) ? inner.high[2] : inner.low[2]};
        float out[3];
        for (std::size_t row = 0; row < 3; ++row) {
            out[row] = m[row] * in[0] + m[4 + row] * in[1] + m[8 + row] * in[2] + m[12 + row];
        }
        const bool first = !box;
        if (first) box = ViewBox{};
        IncludePoint(*box, out, first);
    }
}

double NumberOr(const json& object, const char* key, double absent) {
    const json& value = ValueAt(object, key);
    return value.is_number() ? value.get<double>() : absent;
}

// The scene of a model file, read the way glTF viewers read it.
class SceneReader {
public:
    SceneReader(const std::string& path, const ViewerRates& rates, std::uint64_t memoryAvailable)
        : file_(path), rates_(rates), memoryAvailable_(memoryAvailable) {}

    void Read(ViewScene& scene) {
        const json& document = file_.Document();
        const std::uint64_t placements = CountedPlacements(document);
        // The nodes first, so that their text goes before the arrays come.
        if (!file_.NodesText().empty() && !ReadViewNodes(file_.NodesText(), placements + kNodesBesidePlacements, scene)) {
            ViewSceneFile::Refuse(ViewSceneFault::Member, "/nodes");
        }
        file_.DropNodesText();
        ReadTextures(document, scene);
        const json& materials = ValueAt(document, "materials");
        for (std::size_t i = 0; materials.is_array() && i < materials.size(); ++i) {
            scene.materials.push_back(ReadMaterial(materials[i], MemberOf("/materials", i), scene.textures.size()));
        }
        scene.meshes = ReadViewMeshes(file_, ValueAt(document, "meshes"), scene.materials.size());
        ReadRoots(document, placements, scene);
    }

private:
    // The placements and triangles drawing the model asks for, from its
    // description, set against the memory there is: the placements the
    // scene may make.
    std::uint64_t CountedPlacements(const json& document) const {
        ModelOutline outline;
        std::string member;
        if (!ReadModelOutline(document, outline, &member)) ViewSceneFile::Refuse(ViewSceneFault::NoDescription, member);
        if (FindInstanceGraphFault(outline) != InstanceGraphFault::None) {
            ViewSceneFile::Refuse(ViewSceneFault::NoDescription, MemberOf(kDescriptionPointer, "entities"));
        }
        const ViewerDemand demand = ViewerDemandOf(outline);
        const std::uint64_t needed = rates_.BytesFor(demand);
        if (needed > memoryAvailable_) {
            ViewSceneVerdict verdict;
            verdict.fault = ViewSceneFault::OverMemory;
            verdict.placements = demand.placements;
            verdict.triangles = demand.triangles;
            verdict.memoryNeeded = needed;
            verdict.memoryAvailable = memoryAvailable_;
            throw ViewSceneRefusal{std::move(verdict)};
        }
        // No scene holds more nodes than that.
        return std::min<std::uint64_t>(demand.placements, std::numeric_limits<int>::max());
    }

    ViewMaterial ReadMaterial(const json& description, const std::string& where, std::size_t textureCount) const {
        ViewMaterial material;
        if (const json& name = ValueAt(description, "name"); name.is_string()) material.name = name.get<std::string>();
        const json& pbr = ValueAt(description, "pbrMetallicRoughness");
        const json& factor = ValueAt(pbr, "baseColorFactor");
        if (factor.is_array() && factor.size() == 4) {
            for (std::size_t i = 0; i < 4; ++i) {
                material.baseColour[i] =
                    static_cast<float>(std::clamp(factor[i].is_number() ? factor[i].get<double>() : 0.0, 0.0, 1.0));
            }
        }
        const json& texture = ValueAt(pbr, "baseColorTexture");
        if (texture.is_object()) {
            material.texture =
                static_cast<int>(file_.Number(texture, "index", textureCount, where + "/pbrMetallicRoughness/baseColorTexture"));
        }
        material.metalness = static_cast<float>(std::clamp(NumberOr(pbr, "metallicFactor", 1.0), 0.0, 1.0));
        material.roughness = static_cast<float>(std::clamp(NumberOr(pbr, "roughnessFactor", 1.0), 0.0, 1.0));
        const json& alpha = ValueAt(description, "alphaMode");
        material.alpha = alpha == "BLEND"  ? ViewMaterial::Alpha::Blend
                         : alpha == "MASK" ? ViewMaterial::Alpha::Mask
                                           : ViewMaterial::Alpha::Opaque;
        material.alphaCutoff = static_cast<float>(NumberOr(description, "alphaCutoff", 0.5));
        const json& doubleSided = ValueAt(description, "doubleSided");
        material.doubleSided = doubleSided.is_boolean() && doubleSided.get<bool>();
        return material;
    }

    static ViewTexture::Filter FilterOf(double code) {
        // glTF's filters alternate between nearest and linear, the mipmapped ones too.
        return std::fmod(code - kNearest, 2.0) == 0.0 ? ViewTexture::Filter::Nearest : ViewTexture::Filter::Linear;
    }
    static ViewTexture::Wrap WrapOf(double code) {
        return code == kClampToEdge      ? ViewTexture::Wrap::ClampToEdge
               : code == kMirroredRepeat ? ViewTexture::Wrap::MirroredRepeat
                                         : ViewTexture::Wrap::Repeat;
    }

    // The images the textures show, PNG and JPEG embedded as they are; an
    // image no texture shows is not read.
    void ReadTextures(const json& document, ViewScene& scene) {
        const json& images = ValueAt(document, "images");
        const json& samplers = ValueAt(document, "samplers");
        const json& textures = ValueAt(document, "textures");
        const std::size_t imageCount = images.is_array() ? images.size() : 0;
        const std::size_t samplerCount = samplers.is_array() ? samplers.size() : 0;
        scene.images.resize(imageCount);
        std::vector<bool> shown(imageCount, false);
        for (std::size_t i = 0; textures.is_array() && i < textures.size(); ++i) {
            const std::string at = MemberOf("/textures", i);
            ViewTexture texture;
            texture.image = static_cast<int>(file_.NumberOr(textures[i], "source", imageCount, -1, at));
            const std::int64_t sampler = file_.NumberOr(textures[i], "sampler", samplerCount, -1, at);
            if (sampler >= 0) {
                const json& chosen = samplers[static_cast<std::size_t>(sampler)];
                texture.magnification = FilterOf(NumberOr(chosen, "magFilter", kLinear));
                texture.minification = FilterOf(NumberOr(chosen, "minFilter", kLinear));
                texture.wrapS = WrapOf(NumberOr(chosen, "wrapS", 0));
                texture.wrapT = WrapOf(NumberOr(chosen, "wrapT", 0));
            }
            if (texture.image >= 0) shown[static_cast<std::size_t>(texture.image)] = true;
            scene.textures.push_back(texture);
        }
        for (std::size_t i = 0; i < imageCount; ++i) {
            ViewImage& image = scene.images[i];
            const json& description = images[i];
            if (const json& name = ValueAt(description, "name"); name.is_string()) image.name = name.get<std::string>();
            if (const json& type = ValueAt(description, "mimeType"); type.is_string()) image.mimeType = type.get<std::string>();
            if (shown[i] && ValueAt(description, "bufferView").is_number() &&
                (image.mimeType == "image/png" || image.mimeType == "image/jpeg")) {
                const std::string at = MemberOf("/images", i);
                image.bytes =
                    file_.ViewBytes(file_.Number(description, "bufferView", std::numeric_limits<std::uint32_t>::max(), at), at);
            }
        }
    }

    // Checks that the nodes name meshes and nodes there are, and places the
    // meshes below the roots of the scene shown.
    void ReadRoots(const json& document, std::uint64_t placements, ViewScene& scene) {
        const std::size_t nodeCount = scene.nodes.size();
        for (std::size_t i = 0; i < nodeCount; ++i) {
            if (scene.nodes[i].mesh >= static_cast<int>(scene.meshes.size())) {
                ViewSceneFile::Refuse(ViewSceneFault::Member, MemberOf("/nodes", i) + "/mesh");
            }
        }
        for (const int child : scene.children) {
            if (static_cast<std::size_t>(child) >= nodeCount) ViewSceneFile::Refuse(ViewSceneFault::Member, "/nodes");
        }
        const json& scenes = ValueAt(document, "scenes");
        if (!scenes.is_array() || scenes.empty()) return;
        const auto shown = static_cast<std::size_t>(file_.NumberOr(document, "scene", scenes.size(), 0, ""));
        const std::string at = MemberOf("/scenes", shown);
        const json& roots = ValueAt(scenes[shown], "nodes");
        for (std::size_t i = 0; roots.is_array() && i < roots.size(); ++i) {
            if (!roots[i].is_number_unsigned() || roots[i].get<std::uint64_t>() >= nodeCount) {
                ViewSceneFile::Refuse(ViewSceneFault::Member, MemberOf(at + "/nodes", i));
            }
            scene.roots.push_back(static_cast<int>(roots[i].get<std::uint64_t>()));
        }
        PlaceMeshes(placements, scene);
    }

    // Walks the tree once to check it is one, its placements and their
    // count, then fills each mesh's placements made to measure.
    void PlaceMeshes(std::uint64_t placements, ViewScene& scene) {
        std::vector<bool> reached(scene.nodes.size(), false);
        std::vector<std::size_t> counts(scene.meshes.size(), 0);
        std::uint64_t placed = 0;
        std::vector<int> pending(scene.roots.begin(), scene.roots.end());
        while (!pending.empty()) {
            const auto index = static_cast<std::size_t>(pending.back());
            pending.pop_back();
            if (reached[index]) ViewSceneFile::Refuse(ViewSceneFault::NotATree, MemberOf("/nodes", index));
            reached[index] = true;
            const ViewNode& node = scene.nodes[index];
            if (node.mesh >= 0 && !scene.meshes[static_cast<std::size_t>(node.mesh)].parts.empty()) {
                if (++placed > placements + 1) ViewSceneFile::Refuse(ViewSceneFault::Placement, MemberOf("/nodes", index));
                ++counts[static_cast<std::size_t>(node.mesh)];
            }
            for (const int child : scene.ChildrenOf(node)) pending.push_back(child);
        }
        for (std::size_t mesh = 0; mesh < counts.size(); ++mesh) {
            scene.meshes[mesh].placements.reserve(counts[mesh] * ViewMesh::kPlacementFloats);
        }
        WalkViewScene(scene, [&](int index, const ViewNode& node, const ViewMatrix& m) {
            if (node.mesh < 0 || scene.meshes[static_cast<std::size_t>(node.mesh)].parts.empty()) return;
            ViewMesh& mesh = scene.meshes[static_cast<std::size_t>(node.mesh)];
            // A placement that flattens the mesh, or is not a number, draws nothing a viewer can show.
            for (std::size_t column = 0; column < 3; ++column) {
                const float length = std::hypot(m[column * 4], m[column * 4 + 1], m[column * 4 + 2]);
                if (!std::isfinite(length) || length == 0.0f || !std::isfinite(m[12 + column])) {
                    ViewSceneFile::Refuse(ViewSceneFault::Placement, MemberOf("/nodes", static_cast<std::size_t>(index)));
                }
            }
            for (std::size_t row = 0; row < 3; ++row) {
                for (std::size_t column = 0; column < 4; ++column) mesh.placements.push_back(m[column * 4 + row]);
            }
            IncludeTransformed(scene.box, mesh.box, m);
        });
    }

    ViewSceneFile file_;
    const ViewerRates& rates_;
    std::uint64_t memoryAvailable_;
};

}  // namespace

ViewMatrix Multiply(const ViewMatrix& a, const ViewMatrix& b) {
    ViewMatrix product{};
    for (std::size_t column = 0; column < 4; ++column) {
        for (std::size_t row = 0; row < 4; ++row) {
            float sum = 0;
            for (std::size_t k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[column * 4 + k];
            product[column * 4 + row] = sum;
        }
    }
    return product;
}

ViewSceneVerdict ReadViewScene(const std::string& path, const ViewerRates& rates, std::uint64_t memoryAvailable,
                               ViewScene& scene) {
    scene = {};
    try {
        SceneReader(path, rates, memoryAvailable).Read(scene);
        return {};
    } catch (const ViewSceneRefusal& refusal) {
        scene = {};
        return refusal.verdict;
    } catch (const std::bad_alloc&) {
        scene = {};
        ViewSceneVerdict verdict;
        verdict.fault = ViewSceneFault::OutOfMemory;
        return verdict;
    }
}

}  // namespace korvanta
