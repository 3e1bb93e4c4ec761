#pragma once
// The pre-order walk of a subtree with each node's children in name order.

#include <cstdint>
#include <vector>

#include "store/large_array.h"
#include "store/node.h"
#include "store/sort_key.h"

namespace qm {

class NodeTable;
class Progress;

/// Lists every node below the start node, parents before children, siblings sorted by
/// their padded names on decoded character codes; equal names keep their stored order.
/// Any depth and any number of children.
class SortWalk {
public:
    explicit SortWalk(const NodeTable& nodes) : m_nodes(nodes) {}
    /// Hears how far the sorting of a very long list of children has come: it can take
    /// seconds, before the walk returns any of them.
    void setProgress(Progress* progress) { m_progress = progress; }

    /// Moves to the first node below `root`; false when it has no children (then nothing
    /// else changes).
    bool SortWalk_Start(std::int32_t root);
    /// Moves to the next node; false at the end (SortNod 0, SortLevel -1).
    bool SortWalk_Next();

    std::int32_t SortNod() const { return m_nod; }
    /// The padded name of SortNod, from the walk's own copy: a search that tests every name
    /// need not reach back into the table for it. Only while the walk runs.
    NameField SortName() const;
    /// 0 for a child of the start node, 1 for a grandchild, ...; -1 after the end.
    std::int32_t SortLevel() const { return m_level; }

private:
    const Node& node(std::int32_t slot) const;
    /// The children from `firstChild` on, sorted, each key tagged with its slot.
    void fillLevel(std::int32_t firstChild, std::int32_t level);
    using KeyList = LargeVector<SortKey>;
    void sortLevel(KeyList& list);

    const NodeTable& m_nodes;
    Progress* m_progress = nullptr;
    std::int32_t m_nod = 0;
    std::int32_t m_level = -1;
    std::vector<KeyList> m_lists; // per level, kept to reuse their storage
    std::vector<std::size_t> m_pos;
    LargeVector<std::int32_t> m_slots; // a level's slots in stored order, while it is sorted
};

} // namespace qm
