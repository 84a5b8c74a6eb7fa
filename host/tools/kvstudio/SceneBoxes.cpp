#include <algorithm>
#include <span>
#include <utility>
#include <vector>

#include "ModelScene.h"

namespace kvstudio {

void IncludeTransformed(std::optional<SceneBox>& box, const SceneBox& inner, const QMatrix4x4& transform) {
    for (int corner = 0; corner < 8; ++corner) {
        const QVector3D point = transform.map(QVector3D((corner & 1) ? inner.high.x() : inner.low.x(),
                                                        (corner & 2) ? inner.high.y() : inner.low.y(),
                                                        (corner & 4) ? inner.high.z() : inner.low.z()));
        if (!box) {
            box = SceneBox{point, point};
            continue;
        }
        box->low = QVector3D(std::min(box->low.x(), point.x()), std::min(box->low.y(), point.y()), std::min(box->low.z(), point.z()));
        box->high = QVector3D(std::max(box->high.x(), point.x()), std::max(box->high.y(), point.y()), std::max(box->high.z(), point.z()));
    }
}

std::optional<std::pair<int, QMatrix4x4>> PlacedPartNode(const ModelScene& scene, const std::vector<int>& instancePath,
                                                         bool topLevelFaces) {
    // Below the file's root node come the top level's own faces, if it has
    // any, and then its instances, each with the instances it places.
    if (scene.roots.empty() || instancePath.empty()) return std::nullopt;
    const SceneNodes& tree = scene.tree;
    int index = scene.roots.front();
    QMatrix4x4 placed = tree.nodes[static_cast<std::size_t>(index)].transform;
    for (std::size_t depth = 0; depth < instancePath.size(); ++depth) {
        const std::span<const int> children = tree.ChildrenOf(tree.nodes[static_cast<std::size_t>(index)]);
        const int child = instancePath[depth] + (depth == 0 && topLevelFaces ? 1 : 0);
        if (child < 0 || static_cast<std::size_t>(child) >= children.size()) return std::nullopt;
        index = children[static_cast<std::size_t>(child)];
        placed = placed * tree.nodes[static_cast<std::size_t>(index)].transform;
    }
    return std::pair{index, placed};
}

std::optional<SceneBox> PlacedPartBox(const ModelScene& scene, const std::vector<int>& instancePath, bool topLevelFaces) {
    const auto part = PlacedPartNode(scene, instancePath, topLevelFaces);
    if (!part) return std::nullopt;
    const SceneNodes& tree = scene.tree;
    const auto& [index, placed] = *part;
    // The reader has checked that the nodes form a tree.
    std::optional<SceneBox> box;
    std::vector<std::pair<int, QMatrix4x4>> pending{{index, placed}};
    while (!pending.empty()) {
        const auto [at, transform] = pending.back();
        pending.pop_back();
        const SceneNode& node = tree.nodes[static_cast<std::size_t>(at)];
        if (node.mesh >= 0 && !scene.meshes[static_cast<std::size_t>(node.mesh)].parts.empty()) {
            IncludeTransformed(box, scene.meshes[static_cast<std::size_t>(node.mesh)].box, transform);
        }
        for (const int child : tree.ChildrenOf(node)) {
            pending.emplace_back(child, transform * tree.nodes[static_cast<std::size_t>(child)].transform);
        }
    }
    return box;
}

std::vector<std::vector<int>> PlacementsOfPart(const ModelScene& scene, const std::vector<int>& instancePath,
                                               bool topLevelFaces) {
    const auto part = PlacedPartNode(scene, instancePath, topLevelFaces);
    if (!part) return {};
    // The part's nodes, then every node in the order of the instance tables.
    std::vector<bool> inPart(scene.tree.nodes.size(), false);
    const int root = part->first;
    WalkScene(scene.tree, std::span<const int>(&root, 1), [&](int index, const SceneNode&, const QMatrix4x4&) { inPart[static_cast<std::size_t>(index)] = true; });
    std::vector<std::vector<int>> chosen(scene.meshes.size());
    std::vector<int> entries(scene.meshes.size(), 0);
    WalkScene(scene.tree, scene.roots, [&](int index, const SceneNode& node, const QMatrix4x4&) {
        if (node.mesh < 0 || scene.meshes[static_cast<std::size_t>(node.mesh)].parts.empty()) return;
        const int entry = entries[static_cast<std::size_t>(node.mesh)]++;
        if (inPart[static_cast<std::size_t>(index)]) chosen[static_cast<std::size_t>(node.mesh)].push_back(entry);
    });
    return chosen;
}

}  // namespace kvstudio
