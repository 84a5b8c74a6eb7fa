#pragma once

#include <QByteArray>
#include <QMatrix4x4>

#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

// The node tree of a model file's scene. A model places a part a million
// times and the file has a node for each placement, so the nodes are read
// from their JSON straight into small records, as the text goes by: a
// JSON value for each would cost the view more than drawing the part.
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

// The nodes of a glTF "nodes" array; nothing when the text is not one, or a
// node is not as glTF has it (a transform given as a matrix and as parts, a
// number where an index belongs that is not one). Numbers that name other
// things are not checked against them here.
std::optional<SceneNodes> ReadSceneNodes(std::string_view json);

// Where the value of the member `key` of the JSON object whose text is
// `document` lies: its first byte and its length; nothing when the document
// is not an object or has no such member. The value itself is not checked.
std::optional<std::pair<qsizetype, qsizetype>> MemberValue(const QByteArray& document, std::string_view key);

}  // namespace kvstudio
