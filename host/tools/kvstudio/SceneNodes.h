#pragma once

#include <QMatrix4x4>

#include <span>
#include <utility>
#include <vector>

// The node tree of a model file's scene as the view walks it, made from
// the one the library reads (ViewScene.h).
namespace kvstudio {

// A glTF node: its transform, its mesh, and its children, which are a run
// of SceneNodes::children.
struct SceneNode {
    QMatrix4x4 transform;
    int mesh = -1;  // in ModelScene::meshes
    int firstChild = 0;
    int childCount = 0;
};

struct SceneNodes {
    std::vector<SceneNode> nodes;  // numbered as in the file
    std::vector<int> children;     // the nodes' children, node after node

    std::span<const int> ChildrenOf(const SceneNode& node) const {
        return std::span<const int>(children).subspan(static_cast<std::size_t>(node.firstChild),
                                                     static_cast<std::size_t>(node.childCount));
    }
};

// Calls visit(index, node, its transform in the scene) for every node below
// `roots`, down the tree, in the order in which each mesh's instance table
// lists its placements; false, stopped there, when a node is reached twice,
// which would make the tree a graph. The children are numbers of nodes there are.
template <typename Visit>
bool WalkScene(const SceneNodes& tree, std::span<const int> roots, Visit visit) {
    std::vector<bool> reached(tree.nodes.size(), false);
    std::vector<std::pair<int, QMatrix4x4>> pending;
    for (const int root : roots) pending.emplace_back(root, QMatrix4x4());
    while (!pending.empty()) {
        const auto [index, above] = pending.back();
        pending.pop_back();
        if (reached[static_cast<std::size_t>(index)]) return false;
        reached[static_cast<std::size_t>(index)] = true;
        const SceneNode& node = tree.nodes[static_cast<std::size_t>(index)];
        const QMatrix4x4 placed = above * node.transform;
        visit(index, node, placed);
        for (const int child : tree.ChildrenOf(node)) pending.emplace_back(child, placed);
    }
    return true;
}

}  // namespace kvstudio
