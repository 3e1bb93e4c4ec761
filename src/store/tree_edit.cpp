#include "store/tree_edit.h"

#include <algorithm>
#include <array>

#include "store/walk.h"

namespace qm {

namespace {

constexpr int kMaxLevel = 255;

/// Calls the step report every kEditProgressInterval items, not for each one.
class Stepper {
public:
    explicit Stepper(Progress* progress) : m_progress(progress) {}
    void operator()(std::int32_t done) const {
        if (m_progress && done % kEditProgressInterval == 0)
            m_progress->step(done);
    }

private:
    Progress* m_progress;
};

void startReport(Progress* progress, std::int32_t total) {
    if (progress)
        progress->start(total);
}

// Takes an item out of its parent's child chain; the item's own links stay as they were.
void unlink(NodeTable& table, std::int32_t item) {
    const Node& s = table[item];
    const std::int32_t p = std::max(s.PrevSibling, 0);
    const std::int32_t q = std::max(s.NextSibling, 0);
    if (q > 0)
        table[q].PrevSibling = p;
    if (p > 0)
        table[p].NextSibling = q;
    else
        table[s.Parent].FirstChild = q;
}

// Applies `mark` to every item below `item` in walk order; returns the subtree's size.
template <typename Mark>
std::int32_t markBelow(NodeTable& table, std::int32_t item, Progress* progress, Mark mark) {
    SubtreeWalk walk(table);
    const Stepper step(progress);
    for (std::int32_t x = walk.Walk_Next(walk.Walk_Start(item)); x >= 1; x = walk.Walk_Next(x)) {
        step(walk.WalkCount());
        mark(x);
    }
    return walk.WalkCount();
}

bool hasParentItem(const NodeTable& table, std::int32_t item) {
    return item >= 2 && table.isItem(table[item].Parent);
}

// Called once a change is sure to be made, before the table is touched.
EditRecorder* changing(const NodeTable& table) {
    EditRecorder* recorder = table.recorder();
    if (recorder)
        recorder->aboutToChange(table);
    return recorder;
}

void changed(EditRecorder* recorder, const TreeChange& change) {
    if (recorder)
        recorder->changed(change);
}

} // namespace

bool applyChange(NodeTable& table, const TreeChange& c) {
    switch (c.kind) {
    case TreeChange::Add:
        return table.nextAlloc() == c.slot && addChild(table, c.item, c.name) == c.slot;
    case TreeChange::Rename:
        return renameItem(table, c.item, c.name);
    case TreeChange::Delete:
        return deleteSubtree(table, c.item) > 0;
    case TreeChange::Restore:
        return restoreSubtree(table, c.item) > 0;
    case TreeChange::RemoveLast:
        return removeLastChild(table, c.item) > 0;
    case TreeChange::Paste:
        return table.nextAlloc() == c.slot && pasteSubtree(table, c.item, c.buffer) == c.slot;
    }
    return false;
}

std::int32_t addChild(NodeTable& table, std::int32_t parent, const NameField& name) {
    if (!table.isItem(parent) || table[parent].Level >= kMaxLevel)
        return 0;
    EditRecorder* recorder = changing(table);
    const std::int32_t n = table.Node_Alloc();
    table[n].Name = name;
    linkLastChild(table, parent, n);
    if (recorder)
        recorder->changedWithName(TreeChange::Add, parent, n, name);
    return n;
}

bool renameItem(NodeTable& table, std::int32_t item, const NameField& name) {
    if (!table.isItem(item))
        return false;
    EditRecorder* recorder = changing(table);
    table[item].Name = name;
    if (recorder)
        recorder->changedWithName(TreeChange::Rename, item, 0, name);
    return true;
}

bool linkLastChild(NodeTable& table, std::int32_t parent, std::int32_t child) {
    if (table[parent].Level >= kMaxLevel)
        return false;
    Node& n = table[child];
    n.Parent = parent;
    n.Level = static_cast<std::uint8_t>(table[parent].Level + 1);
    n.NextSibling = 0;
    std::int32_t last = table[parent].FirstChild;
    if (last < 1) {
        n.PrevSibling = 0;
        table[parent].FirstChild = child;
        return true;
    }
    // Bounded, so a chain that runs in a circle cannot hang the program.
    for (std::int32_t steps = 0; table[last].NextSibling > 0 && steps <= table.NodeCount(); ++steps)
        last = table[last].NextSibling;
    table[last].NextSibling = child;
    n.PrevSibling = last;
    return true;
}

std::int32_t deleteSubtree(NodeTable& table, std::int32_t item, Progress* progress) {
    if (!table.isItem(item) || !hasParentItem(table, item))
        return 0;
    const std::int32_t count = SubtreeWalk::subtreeSize(table, item);
    startReport(progress, count);
    EditRecorder* recorder = changing(table);
    table.freeSlot(item);
    unlink(table, item);
    markBelow(table, item, progress, [&table](std::int32_t x) { table.freeSlot(x); });
    changed(recorder, {TreeChange::Delete, item});
    return count;
}

std::int32_t restoreSubtree(NodeTable& table, std::int32_t item, Progress* progress) {
    if (item < 2 || item > table.NodeCount() || table[item].inUse() || !hasParentItem(table, item))
        return 0;
    const Node& d = table[item];
    const std::int32_t parent = d.Parent;
    const std::int32_t p = std::max(d.PrevSibling, 0);
    const std::int32_t q = std::max(d.NextSibling, 0);
    // The neighbours the item kept must still be neighbours under the same parent.
    const auto sibling = [&](std::int32_t s) {
        return table.isItem(s) && table[s].Parent == parent;
    };
    if (p > 0 ? !sibling(p) || std::max(table[p].NextSibling, 0) != q
              : std::max(table[parent].FirstChild, 0) != q)
        return 0;
    if (q > 0 && (!sibling(q) || std::max(table[q].PrevSibling, 0) != p))
        return 0;

    EditRecorder* recorder = changing(table);
    if (p > 0)
        table[p].NextSibling = item;
    else
        table[parent].FirstChild = item;
    if (q > 0)
        table[q].PrevSibling = item;
    table.reuseSlot(item);
    const std::int32_t count =
        markBelow(table, item, progress, [&table](std::int32_t x) { table.reuseSlot(x); });
    changed(recorder, {TreeChange::Restore, item});
    return count;
}

std::int32_t removeLastChild(NodeTable& table, std::int32_t item, Progress* progress) {
    if (!table.isItem(item) || !hasParentItem(table, item))
        return 0;
    const Node& n = table[item];
    const bool linked = n.PrevSibling > 0 ? table[n.PrevSibling].NextSibling == item
                                          : table[n.Parent].FirstChild == item;
    if (n.NextSibling > 0 || !linked)
        return 0;
    EditRecorder* recorder = changing(table);
    unlink(table, item);
    table.freeSlot(item);
    const std::int32_t count =
        markBelow(table, item, progress, [&table](std::int32_t x) { table.freeSlot(x); });
    changed(recorder, {TreeChange::RemoveLast, item});
    return count;
}

std::int32_t copySubtree(const NodeTable& table, std::int32_t item, std::vector<Node>& buffer,
                         Progress* progress) {
    buffer.clear();
    if (!table.isItem(item))
        return 0;
    const std::int32_t count = SubtreeWalk::subtreeSize(table, item);
    buffer.resize(static_cast<std::size_t>(count));
    startReport(progress, count);
    SubtreeWalk walk(table);
    const Stepper step(progress);
    std::size_t k = 0;
    for (std::int32_t x = walk.Walk_Start(item); x >= 1 && k < buffer.size();
         x = walk.Walk_Next(x)) {
        buffer[k++] = table[x];
        step(walk.WalkCount());
    }
    return count;
}

PasteCheck checkPaste(const NodeTable& table, std::int32_t parent, std::span<const Node> buffer) {
    if (buffer.empty())
        return PasteCheck::Empty;
    if (!table.isItem(parent))
        return PasteCheck::BadParent;
    const int topLevel = table[parent].Level + 1;
    if (topLevel > kMaxPasteLevel)
        return PasteCheck::TooDeep;
    // The same climb as the paste itself, on the flags alone.
    std::array<bool, kMaxPasteLevel + 1> lastNext{};
    int lv = topLevel;
    for (std::size_t i = 1; i < buffer.size(); ++i) {
        if (buffer[i - 1].FirstChild > 0) {
            if (++lv > kMaxPasteLevel)
                return PasteCheck::TooDeep;
        } else {
            while (!lastNext[static_cast<std::size_t>(lv)]) {
                if (--lv <= topLevel)
                    return PasteCheck::Malformed; // a sibling of the top was never buffered
            }
        }
        lastNext[static_cast<std::size_t>(lv)] = buffer[i].NextSibling > 0;
    }
    return PasteCheck::Ok;
}

std::int32_t pasteSubtree(NodeTable& table, std::int32_t parent, std::span<const Node> buffer,
                          Progress* progress) {
    if (checkPaste(table, parent, buffer) != PasteCheck::Ok)
        return 0;
    const auto count = static_cast<std::int32_t>(buffer.size());
    startReport(progress, count);
    const Stepper step(progress);
    EditRecorder* recorder = changing(table);

    const std::int32_t top = table.Node_Alloc();
    table[top].Name = makeName(trimmedName(buffer[0].Name));
    linkLastChild(table, parent, top);

    // For each level, whether the record placed there last has a next sibling still to come.
    // A stored link below 1 means none, so only a flag above 0 counts.
    std::array<bool, kMaxPasteLevel + 1> lastNext{};
    std::int32_t prev = top;
    int lv = table[top].Level;
    for (std::int32_t i = 1; i < count; ++i) {
        step(i);
        // Allocation may grow the table: no reference into it is kept across this call.
        const std::int32_t n = table.Node_Alloc();
        Node& node = table[n];
        node.Name = buffer[static_cast<std::size_t>(i)].Name;
        if (buffer[static_cast<std::size_t>(i) - 1].FirstChild > 0) {
            node.Parent = prev;
            table[prev].FirstChild = n;
            ++lv;
        } else {
            while (!lastNext[static_cast<std::size_t>(lv)]) {
                --lv;
                prev = table[prev].Parent;
            }
            node.Parent = table[prev].Parent;
            node.PrevSibling = prev;
            table[prev].NextSibling = n;
        }
        node.Level = static_cast<std::uint8_t>(lv);
        lastNext[static_cast<std::size_t>(lv)] =
            buffer[static_cast<std::size_t>(i)].NextSibling > 0;
        prev = n;
    }
    changed(recorder, {TreeChange::Paste, parent, top, {}, buffer});
    return top;
}

} // namespace qm
