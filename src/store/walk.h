#pragma once
// The pre-order walk of a subtree in stored child order.

#include <cstdint>

namespace qm {

class NodeTable;

/// One running walk; Walk_Start abandons the previous one. The walk reads the links as
/// they stand at each step, so callers may change InUse and the links around the start node.
class SubtreeWalk {
public:
    explicit SubtreeWalk(const NodeTable& nodes) : m_nodes(nodes) {}

    /// Returns the start node, or -1 when it is below 1.
    std::int32_t Walk_Start(std::int32_t start);
    /// Returns the node after `last`, or -1 when the subtree is done.
    std::int32_t Walk_Next(std::int32_t last);

    std::int32_t WalkCount() const { return m_count; }

    /// Number of nodes in the subtree of `start`, start included (0 for none).
    static std::int32_t subtreeSize(const NodeTable& nodes, std::int32_t start);

private:
    const NodeTable& m_nodes;
    std::int32_t m_root = 0;
    std::int32_t m_count = 0;
};

} // namespace qm
