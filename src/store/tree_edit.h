#pragma once
// The changes to the node table that the editing commands are made of: linking a new item,
// deleting a subtree and putting it back, and copying a subtree into a buffer and out again.

#include <array>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "store/node_table.h"
#include "store/progress.h"

namespace qm {

/// Items handled between two progress reports of a long edit.
constexpr std::int32_t kEditProgressInterval = 4096;
/// The deepest Level a paste may give an item.
constexpr int kMaxPasteLevel = 30;

// A long edit reports start once it knows how many items it will handle, then a step with
// the number done so far every kEditProgressInterval items.

/// One change made by the operations below, with what it takes to make it again.
struct TreeChange {
    enum Kind : std::uint8_t { Add = 1, Rename, Delete, Restore, RemoveLast, Paste };
    Kind kind = Add;
    std::int32_t item = 0;          // the item changed; the parent for Add and Paste
    std::int32_t slot = 0;          // the slot an Add or a Paste's top item was given
    NameField name{};               // for Add and Rename
    std::span<const Node> buffer{}; // for Paste
};

/// Told of every change the operations below make to a table that has it as its recorder.
/// Commands change the session's table only through them, so each change is recorded.
class EditRecorder {
public:
    /// An Add or a Rename as it waits to be recorded.
    struct NamedChange {
        TreeChange::Kind kind;
        std::int32_t item;
        std::int32_t slot;
        NameField name;
    };

    virtual ~EditRecorder() = default;

    /// The table is about to change and still holds what it held before.
    void aboutToChange(const NodeTable& table) {
        // Asked for seldom, and changes come by the thousand.
        if (m_wantsTableBefore) {
            handOn();
            tableBefore(table);
        }
    }
    /// An Add or a Rename, most changes: kept here, without a call, and recorded together
    /// before anything else is or once the room for them is full. A call for each would
    /// cost about as much as the edit itself.
    void changedWithName(TreeChange::Kind kind, std::int32_t item, std::int32_t slot,
                         const NameField& name) {
        if (m_waiting == kWaitingRoom) [[unlikely]]
            handOn();
        m_named[m_waiting++] = {kind, item, slot, name};
    }
    void changed(const TreeChange& change) {
        handOn();
        record(change);
    }

protected:
    /// While true, aboutToChange hands the table to tableBefore.
    void setWantsTableBefore(bool wants) { m_wantsTableBefore = wants; }
    bool wantsTableBefore() const { return m_wantsTableBefore; }
    virtual void tableBefore(const NodeTable& table) = 0;
    virtual void record(const TreeChange& change) = 0;
    /// The Adds and Renames that waited, in the order they were made.
    virtual void recordNamed(std::span<const NamedChange> changes) = 0;
    /// Records the changes that wait; a recorder calls it before it records anything of its own.
    void handOn() {
        if (m_waiting > 0)
            recordNamed({m_named.data(), std::exchange(m_waiting, 0)});
    }
    std::size_t waiting() const { return m_waiting; }
    void dropWaiting() { m_waiting = 0; }

private:
    static constexpr std::size_t kWaitingRoom = 512;
    std::array<NamedChange, kWaitingRoom> m_named;
    std::size_t m_waiting = 0;
    bool m_wantsTableBefore = true;
};

/// Makes a recorded change again on a table in the state it was recorded in: the same slots
/// come out. False, changing nothing, when it does not fit the table.
bool applyChange(NodeTable& table, const TreeChange& change);

/// Adds a new item named `name` as the last child of `parent`. Returns its slot, or 0,
/// changing nothing, when the parent is no item or lies 255 levels deep.
std::int32_t addChild(NodeTable& table, std::int32_t parent, const NameField& name);

/// Gives an item a new name; false when it is no item.
bool renameItem(NodeTable& table, std::int32_t item, const NameField& name);

/// Links `child` as the last child of `parent` (at the end of the sibling chain) and gives
/// it its Parent and Level. False, changing nothing, when its Level would exceed 255.
bool linkLastChild(NodeTable& table, std::int32_t parent, std::int32_t child);

/// Unlinks an item from its siblings and frees it and everything below it. The freed
/// records keep all their links, so restoreSubtree can put them back. Returns the number of
/// items freed (reported to `start` before any is freed); 0 for the top item or a free slot.
std::int32_t deleteSubtree(NodeTable& table, std::int32_t item, Progress* progress = nullptr);

/// Puts a subtree freed by deleteSubtree back where it was and marks it in use. Returns the
/// number of items restored; 0, changing nothing, when the item is not free or its former
/// neighbours no longer sit side by side. Reports steps only.
std::int32_t restoreSubtree(NodeTable& table, std::int32_t item, Progress* progress = nullptr);

/// Unlinks an item that is the last child of its parent and frees its subtree (taking back
/// an add or a paste). Returns the number freed; 0, changing nothing, when it is not the
/// last child. Reports steps only.
std::int32_t removeLastChild(NodeTable& table, std::int32_t item, Progress* progress = nullptr);

/// Replaces the buffer's contents with whole copies of the records of the item's subtree
/// in walk order, the item first. Returns the number of records (0 for a free slot).
std::int32_t copySubtree(const NodeTable& table, std::int32_t item, std::vector<Node>& buffer,
                         Progress* progress = nullptr);

enum class PasteCheck {
    Ok,
    Empty,     // nothing buffered
    BadParent, // the parent is not an item
    TooDeep,   // an item would land below kMaxPasteLevel
    Malformed, // the buffer's flags do not describe one subtree
};
/// Whether pasteSubtree can rebuild the buffer under `parent`; allocates nothing.
PasteCheck checkPaste(const NodeTable& table, std::int32_t parent, std::span<const Node> buffer);

/// Rebuilds a buffer filled by copySubtree as the new last child of `parent`: the top gets
/// its buffered name trimmed, every other item its name as stored; the shape comes from the
/// buffered FirstChild and NextSibling flags (above 0 means set). Returns the new top's
/// slot, or 0, having allocated nothing, when checkPaste refuses.
std::int32_t pasteSubtree(NodeTable& table, std::int32_t parent, std::span<const Node> buffer,
                          Progress* progress = nullptr);

} // namespace qm
