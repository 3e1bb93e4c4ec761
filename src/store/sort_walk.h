#pragma once
// The pre-order walk of a subtree with each node's children in name order.

#include <cstdint>
#include <string>
#include <vector>

#include "store/large_array.h"
#include "store/node.h"

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

    /// The padded name of the first node, or the empty text when the start node has no
    /// children (then nothing else changes).
    std::string SortWalk_Start(std::int32_t root);
    /// The padded name of the next node, or the empty text at the end (SortNod 0,
    /// level -1). `level` is the caller's SortLevel, updated in place.
    std::string SortWalk_Next(std::int32_t& level);
    /// Advances without building the name: returns false at the end.
    bool next();
    bool start(std::int32_t root);

    std::int32_t SortRoot() const { return m_root; }
    std::int32_t SortNod() const { return m_nod; }
    /// The padded name of SortNod, from the walk's own copy: a search that tests every name
    /// need not reach back into the table for it. Only while the walk runs.
    NameField SortName() const;
    /// 0 for a child of the start node, 1 for a grandchild, ...; -1 after the end.
    std::int32_t SortLevel() const { return m_level; }

private:
    // The name's sort ranks packed big-endian into three words, the last one ending in the
    // stored position: keys are unique and compare as integers, so a plain sort is stable.
    struct Entry {
        std::uint64_t key[3];
        std::int32_t slot;
    };
    const Node& node(std::int32_t slot) const;
    void fillLevel(std::int32_t firstChild, std::int32_t level);
    using EntryList = LargeVector<Entry>;
    void sortEntries(EntryList& list);
    std::string nameOf(std::int32_t slot) const;

    const NodeTable& m_nodes;
    Progress* m_progress = nullptr;
    std::int32_t m_root = 0;
    std::int32_t m_nod = 0;
    std::int32_t m_level = -1;
    std::vector<EntryList> m_lists; // per level, kept to reuse their storage
    std::vector<std::size_t> m_pos;
};

} // namespace qm
