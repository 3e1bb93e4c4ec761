#include "store/walk.h"

#include "store/node_table.h"

namespace qm {

std::int32_t SubtreeWalk::Walk_Start(std::int32_t start) {
    if (start < 1) {
        m_root = 0;
        m_count = 0;
        return -1;
    }
    m_root = start;
    m_count = 1;
    return start;
}

std::int32_t SubtreeWalk::Walk_Next(std::int32_t last) {
    const Node& c = m_nodes[last];
    if (c.hasChildren()) {
        ++m_count;
        return c.FirstChild;
    }
    if (m_count == 1)
        return -1;
    std::int32_t n = last;
    for (;;) {
        const Node& node = m_nodes[n];
        if (node.hasNext()) {
            ++m_count;
            return node.NextSibling;
        }
        n = node.Parent;
        if (n == m_root || n < 1)
            return -1;
    }
}

std::int32_t SubtreeWalk::subtreeSize(const NodeTable& nodes, std::int32_t start) {
    SubtreeWalk walk(nodes);
    for (std::int32_t n = walk.Walk_Start(start); n >= 1; n = walk.Walk_Next(n)) {
    }
    return walk.WalkCount();
}

} // namespace qm
