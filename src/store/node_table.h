#pragma once
// The node table: every item of one tree, addressed by slot number.

#include <cstdint>
#include <string_view>
#include <vector>

#include "store/large_array.h"
#include "store/node.h"

namespace qm {

class EditRecorder;

/// The slots of a table, in memory that a tree of millions of items fills quickly.
using NodeSlots = LargeVector<Node>;

/// A slot kept while the user may change the tree, with the generation that tells whether it
/// still holds the same item.
struct KeptSlot {
    std::int32_t slot = 0;
    std::uint32_t generation = 0;
};

/// Owns the slots, NodeCount and FreeCount, and hands out slots for new items.
class NodeTable {
public:
    NodeTable();

    /// The empty table of a freshly loaded main window: slots 0..1001, all zero.
    void resetEmpty();
    /// A new tree: the signature in slot 0 and a top item of the given name in slot 1.
    void resetNew(const NameField& topName);
    /// Adopts slots read from a data file (slot 0 is replaced by the signature);
    /// the table is sized by the load rule and FreeCount is counted.
    void adopt(NodeSlots slots, std::int32_t nodeCount);
    /// What the loader counted while reading, so adopting needs no pass of its own.
    struct SlotCounts {
        std::int32_t freeCount = 0;
        std::int32_t lowestFree = 0; // 0: none
        std::int32_t outside = 0;    // items in use that cannot be reached from the top item
    };
    void adopt(NodeSlots slots, std::int32_t nodeCount, const SlotCounts& counts);

    /// Hands out the lowest free slot, or a new one above NodeCount, cleared and in use.
    std::int32_t Node_Alloc();
    /// The slot the next Node_Alloc will hand out.
    std::int32_t nextAlloc() const;
    /// Marks a slot free after its item was unlinked; its other fields stay as they are.
    void freeSlot(std::int32_t slot);
    /// Marks a freed slot in use again (undo of a delete).
    void reuseSlot(std::int32_t slot);
    /// Told apart whenever a slot is handed out or freed, so a slot kept while the user edits
    /// can be checked to still hold the same item; a slot Undo puts back gets its item's
    /// number back. Kept in memory only, and restarted with every new table.
    std::uint32_t generation(std::int32_t slot) const {
        return slot >= 0 && static_cast<std::size_t>(slot) < m_generations.size()
                   ? m_generations[static_cast<std::size_t>(slot)]
                   : 0;
    }
    KeptSlot keep(std::int32_t slot) const { return {slot, generation(slot)}; }
    /// True while the kept slot still holds the item it held when kept.
    bool holds(const KeptSlot& kept) const {
        return isItem(kept.slot) && generation(kept.slot) == kept.generation;
    }

    Node& operator[](std::int32_t slot);
    const Node& operator[](std::int32_t slot) const;
    /// Number of slots the table holds (upper bound + 1).
    std::int32_t capacity() const { return static_cast<std::int32_t>(m_nodes.size()); }
    const NodeSlots& records() const { return m_nodes; }

    std::int32_t NodeCount() const { return m_nodeCount; }
    std::int32_t FreeCount() const { return m_freeCount; }
    /// Items of the tree other than the top item (0 when there is no tree at all).
    std::int32_t itemCount() const {
        return hasTree() ? m_nodeCount - m_freeCount - m_outside - 1 : 0;
    }
    /// Records of a damaged file that are in use but cannot be reached from the top item.
    /// No edit reaches or reuses them, so they are saved as they were read.
    std::int32_t outsideCount() const { return m_outside; }
    /// True when slot 1 holds a top item.
    bool hasTree() const { return m_nodes[1].inUse(); }
    /// True when the slot is within 1..NodeCount and holds an item.
    bool isItem(std::int32_t slot) const {
        return slot >= 1 && slot <= m_nodeCount && m_nodes[slot].inUse();
    }

    /// Upper bound of a table that must hold the given number of file records.
    static std::int32_t capacityForRecords(std::int64_t records);

    /// Told of every change the edit operations (tree_edit.h) make to this table.
    void setRecorder(EditRecorder* recorder) { m_recorder.to = recorder; }
    EditRecorder* recorder() const { return m_recorder.to; }

private:
    // The recorder belongs to the table object, not to its records: a copy records nothing,
    // and a table assigned new records keeps recording into its own.
    struct RecorderLink {
        EditRecorder* to = nullptr;
        RecorderLink() = default;
        RecorderLink(const RecorderLink&) {}
        RecorderLink& operator=(const RecorderLink&) { return *this; }
    };

    /// The first free slot at or after `slot`, or NodeCount + 1 when there is none.
    std::int32_t lowestFreeFrom(std::int32_t slot) const;
    /// Grown only as far as a slot that was ever handed out or freed.
    std::uint32_t& generationOf(std::int32_t slot);

    NodeSlots m_nodes;
    std::int32_t m_nodeCount = 0;
    std::int32_t m_freeCount = 0;
    std::int32_t m_outside = 0;
    // No slot below this is free, so allocation never rescans the front of the table.
    std::int32_t m_lowestFree = 1;
    std::vector<std::uint32_t> m_generations; // beside the slots, never written to a file
    RecorderLink m_recorder;
};

} // namespace qm
