#include "scenefile/NodeLinks.h"

#include <cstring>

namespace hollin::importer {
namespace {

// Linking one node can move nodes that were read before it under it, and each
// of those looks for its own children again; real files go two levels deep.
constexpr std::size_t kMaxNodeLinkDepth = 64;

constexpr std::uint16_t kNoParent = LIB3DS_NO_PARENT;

}  // namespace

NodeLinks::Node& NodeLinks::Add(Lib3dsNodeTypes type) {
    Node& node = nodes_.emplace_back();
    node.type = type;
    node.id = static_cast<std::uint16_t>(nodeNumber_++);
    return node;
}

// lib3ds_file_insert_node: the node goes under the node of its parent id (or
// to the top), sorted by name among its siblings; then every top-level node
// whose parent id is this node's id is taken out and inserted again, each of
// those doing the same in turn.
bool NodeLinks::LinkNode(int node) {
    if (!PlaceNode(node)) return false;
    std::vector<Linking>& linking = linking_;
    linking.assign(1, Linking{node, nodes_[node].id != kNoParent ? topNode_ : kNone});
    while (!linking.empty()) {
        Linking& current = linking.back();
        if (current.scan == kNone) {
            linking.pop_back();
            continue;
        }
        const int candidate = current.scan;
        current.scan = nodes_[candidate].next;
        if (!budget_.Spend(1)) return false;
        if (nodes_[candidate].parentId != nodes_[current.node].id) continue;
        UnlinkNode(candidate);
        if (!PlaceNode(candidate)) return false;
        if (linking.size() >= kMaxNodeLinkDepth) return budget_.Fail(SceneFileFault::EndlessNodeLinking);
        linking.push_back(Linking{candidate, nodes_[candidate].id != kNoParent ? topNode_ : kNone});
    }
    return true;
}

bool NodeLinks::PlaceNode(int node) {
    int parent = kNone;
    if (nodes_[node].parentId != kNoParent && !FindNode(nodes_[node].parentId, parent)) return false;
    nodes_[node].parent = parent;
    int& head = parent == kNone ? topNode_ : nodes_[parent].firstChild;
    int previous = kNone;
    int sibling = head;
    for (; sibling != kNone; previous = sibling, sibling = nodes_[sibling].next) {
        if (!budget_.Spend(1)) return false;
        if (std::strcmp(nodes_[sibling].name.data(), nodes_[node].name.data()) > 0) break;
    }
    if (previous == kNone) {
        nodes_[node].next = head;
        head = node;
    } else {
        nodes_[node].next = nodes_[previous].next;
        nodes_[previous].next = node;
    }
    return true;
}

// lib3ds_file_remove_node, which leaves the lists alone when the node is not
// in the list it expects.
void NodeLinks::UnlinkNode(int node) {
    int& head = nodes_[node].parent == kNone ? topNode_ : nodes_[nodes_[node].parent].firstChild;
    int previous = kNone;
    int sibling = head;
    for (; sibling != kNone && sibling != node; previous = sibling, sibling = nodes_[sibling].next) {
        if (!budget_.Spend(1)) return;
    }
    if (sibling == kNone || budget_.Failed()) return;
    if (previous == kNone) {
        head = nodes_[node].next;
    } else {
        nodes_[previous].next = nodes_[node].next;
    }
}

// The node tree depth first, a node before its children, in the order
// lib3ds_file_node_by_id searches it, until `visit` returns true. False when
// the tree is deeper than kMaxNodeDepth or the work too much.
template <typename Visit>
bool NodeLinks::WalkNodeTree(Visit visit) {
    std::vector<int>& pending = pending_;
    pending.assign(1, topNode_);
    while (!pending.empty()) {
        const int node = pending.back();
        if (node == kNone) {
            pending.pop_back();
            continue;
        }
        if (!budget_.Spend(1)) return false;
        pending.back() = nodes_[node].next;
        if (visit(node)) return true;
        if (pending.size() > kMaxNodeDepth) return budget_.Fail(SceneFileFault::NodeTreeTooDeep);
        pending.push_back(nodes_[node].firstChild);
    }
    return true;
}

bool NodeLinks::FindNode(std::uint16_t id, int& found) {
    found = kNone;
    return WalkNodeTree([&](int node) {
        if (nodes_[node].id != id) return false;
        found = node;
        return true;
    });
}

bool NodeLinks::TreeWithinDepth() {
    return WalkNodeTree([](int) { return false; });
}

}  // namespace hollin::importer
