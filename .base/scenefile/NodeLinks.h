#pragma once

#include <lib3ds/node.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "scenefile/CheckBudget.h"
#include "scenefile/ChunkTables.h"

namespace hollin::importer {

// The keyframer's node tree as lib3ds links it while reading, node by node,
// to find the files whose linking would recurse without end or whose tree
// would be deeper than kMaxNodeDepth. Nodes are indices into one list.
class NodeLinks {
public:
    static constexpr int kNone = -1;

    struct Node {
        Lib3dsNodeTypes type = LIB3DS_UNKNOWN_NODE;
        std::uint16_t id = 0;
        std::uint16_t parentId = 0;
        std::array<char, kNameCapacity + 1> name{};
        int parent = kNone;
        int next = kNone;
        int firstChild = kNone;
    };

    explicit NodeLinks(CheckBudget& budget) : budget_(budget) {}

    // A node chunk starts: lib3ds numbers its nodes in reading order.
    Node& Add(Lib3dsNodeTypes type);
    Node& Last() { return nodes_.back(); }
    // Calls visit(node) for every node of the finished tree, depth first, a
    // node before its children, as a conversion walks lib3ds's tree.
    template <typename Visit>
    void ForEachInTreeOrder(Visit visit) const {
        std::vector<int> pending{topNode_};
        while (!pending.empty()) {
            const int node = pending.back();
            if (node == kNone) {
                pending.pop_back();
                continue;
            }
            pending.back() = nodes_[node].next;
            visit(nodes_[node]);
            pending.push_back(nodes_[node].firstChild);
        }
    }
    // The node chunk read last ends: lib3ds_file_insert_node.
    bool LinkLast() { return LinkNode(static_cast<int>(nodes_.size()) - 1); }
    // The finished tree is within kMaxNodeDepth.
    bool TreeWithinDepth();

private:
    // One node being linked, and the next top-level node it still has to look at.
    struct Linking {
        int node;
        int scan;
    };

    bool LinkNode(int node);
    bool PlaceNode(int node);
    void UnlinkNode(int node);
    bool FindNode(std::uint16_t id, int& found);
    template <typename Visit>
    bool WalkNodeTree(Visit visit);

    CheckBudget& budget_;
    std::vector<Node> nodes_;
    int topNode_ = kNone;
    std::uint32_t nodeNumber_ = 0;
    std::vector<int> pending_;
    std::vector<Linking> linking_;
};

}  // namespace hollin::importer
