#include "store/tree_check.h"

#include <algorithm>
#include <bit>
#include <numeric>
#include <string_view>
#include <utility>

#include "store/large_array.h"
#include "store/message_text.h"
#include "store/name_codec.h"
#include "store/progress.h"

namespace qm {

namespace {

constexpr int kMaxLevel = 255;
// A load lists this many findings of a kind and counts the rest, so a badly damaged file
// costs neither time nor memory.
constexpr std::int64_t kListedOnLoad = 20;
constexpr std::int32_t kProgressInterval = 1 << 16;

// A pre-order walk in stored order that climbs by Parent links it has already checked, so
// it needs no stack and touches each record about once.
class Walker {
public:
    Walker(std::span<Node> nodes, std::int32_t nodeCount, Examine mode, std::int32_t inUse,
           Examination& ex, Progress* progress, std::int64_t progressBase)
        : m_nodes(nodes), m_n(nodes.data()), m_count(nodeCount), m_mode(mode), m_inUse(inUse),
          m_ex(ex), m_progress(progress), m_base(progressBase) {}

    void run() {
        m_ex.inTree.assign(m_nodes.size(), false);
        Node& top = m_n[1];
        if (!top.inUse()) {
            note({Fault::TopItemFree, 1});
            return;
        }
        if (top.Parent >= 1 || top.PrevSibling >= 1 || top.NextSibling >= 1) {
            note({Fault::TopItemLinked, 1, 0, 0, Mend::Cleared});
            if (m_stop)
                return;
            top.Parent = top.PrevSibling = top.NextSibling = 0;
        }
        m_ex.inTree[1] = true;
        m_ex.reached = 1;
        if (top.Level != 0) {
            note({Fault::LevelWrong, 1, 0, top.Level, Mend::Set, 0});
            top.Level = 0;
        }
        walkFrom(1, 1, 0);
        if (m_stop)
            return;
        if (m_mode != Examine::Load)
            rescue();
        findOutside();
        if (m_mode != Examine::Load) {
            checkInUse();
            checkNames();
        }
    }

private:
    const std::span<Node> m_nodes;
    Node* const m_n;
    const std::int32_t m_count;
    const Examine m_mode;
    const std::int32_t m_inUse;
    Examination& m_ex;
    Progress* const m_progress;
    const std::int64_t m_base;
    bool m_stop = false;
    bool m_rescuing = false;
    // While rescuing: the lost items by the parent they name, in slot order (a list through
    // m_nextLost), the parents in the tree with lost items to take back, and the last child
    // of each item as far as known, so no list is walked twice.
    std::vector<std::int32_t> m_firstLost, m_nextLost, m_tail, m_ready;
    // Items cut from a stray link that points at them, with the parent the link gave them.
    std::vector<std::pair<std::int32_t, std::int32_t>> m_strays;

    void note(const Finding& f) {
        const std::int64_t n = ++m_ex.counts[static_cast<int>(f.fault)];
        if (m_mode != Examine::Load || n <= kListedOnLoad)
            m_ex.findings.push_back(f);
        if (refusesLoad(f.fault) && !m_rescuing) {
            if (!m_ex.refused)
                m_ex.refusal = f.fault;
            m_ex.refused = true;
            if (m_mode == Examine::Load || f.fault == Fault::TopItemFree)
                m_stop = true;
        }
    }

    bool isSlot(std::int32_t k) const { return k >= 1 && k <= m_count; }

    // Whether the Parent of `c` is borne out by its siblings' links or by that parent's
    // FirstChild, against the one link from `holder` the walk came by.
    bool ownParentAgrees(std::int32_t c, std::int32_t holder, std::int32_t which) const {
        const Node& node = m_n[c];
        const std::int32_t p = node.Parent;
        if (!isSlot(p) || !m_n[p].inUse() || (which == 1 && node.PrevSibling == holder))
            return false;
        const std::int32_t prev = node.PrevSibling;
        const std::int32_t next = node.NextSibling;
        if (isSlot(prev) && m_n[prev].inUse() && m_n[prev].NextSibling == c &&
            m_n[prev].Parent == p)
            return true;
        if (isSlot(next) && m_n[next].inUse() && m_n[next].PrevSibling == c &&
            m_n[next].Parent == p)
            return true;
        return prev < 1 && m_n[p].FirstChild == c;
    }

    // Takes `c`, linked from `holder` (its FirstChild when `which` is 0, else its
    // NextSibling), into the tree as the child of `parent` after `prev`, at `depth`.
    // False when it cannot be taken; the link is then cut. A stray link into another
    // item's list is cut too, unless `trustLink` says it is the only home left.
    bool admit(std::int32_t c, std::int32_t parent, std::int32_t prev, int depth,
               std::int32_t holder, std::int32_t which, bool trustLink = false) {
        // Nearly every link of a file is sound: that case stays inline, a load of millions
        // of items spends most of its walk here.
        if (c <= m_count && !m_rescuing) {
            const Node& node = m_n[c];
            if (node.inUse() && node.Parent == parent && std::max(node.PrevSibling, 0) == prev &&
                node.Level == depth && !m_ex.inTree[c]) {
                m_ex.inTree[c] = true;
                if (++m_ex.reached % kProgressInterval == 0 && m_progress)
                    m_progress->step(m_base + m_ex.reached);
                return true;
            }
        }
        return admitFaulty(c, parent, prev, depth, holder, which, trustLink);
    }

    [[gnu::noinline]] bool admitFaulty(std::int32_t c, std::int32_t parent, std::int32_t prev,
                                       int depth, std::int32_t holder, std::int32_t which,
                                       bool trustLink) {
        const auto cut = [&](Fault fault) {
            note({fault, holder, c, which, Mend::Cut});
            (which == 0 ? m_n[holder].FirstChild : m_n[holder].NextSibling) = 0;
            return false;
        };
        if (c > m_count)
            return cut(Fault::LinkBeyondEnd);
        Node& node = m_n[c];
        if (!node.inUse())
            return cut(Fault::LinkToFree);
        if (m_ex.inTree[c])
            return cut(Fault::ReachedTwice);
        if (depth > kMaxLevel)
            return cut(Fault::TooDeep);
        if (node.Parent != parent) {
            const bool stray = !trustLink && ownParentAgrees(c, holder, which);
            note({Fault::ParentDisagrees, c, parent, node.Parent,
                  stray ? Mend::Cut : Mend::Relinked, parent});
            if (m_stop)
                return false;
            if (stray) {
                // It stays in the list its own links agree on; should that never be reached,
                // it comes back here rather than be lost.
                (which == 0 ? m_n[holder].FirstChild : m_n[holder].NextSibling) = 0;
                m_strays.emplace_back(c, parent);
                return false;
            }
            node.Parent = parent;
        }
        if (std::max(node.PrevSibling, 0) != prev) {
            note({Fault::PrevDisagrees, c, prev, node.PrevSibling, Mend::Set, prev});
            if (m_stop)
                return false;
            node.PrevSibling = prev;
        }
        m_ex.inTree[c] = true;
        if (node.Level != depth) {
            note({Fault::LevelWrong, c, depth, node.Level, Mend::Set, depth});
            node.Level = static_cast<std::uint8_t>(depth);
        }
        if (m_rescuing && m_firstLost[c] != 0)
            m_ready.push_back(c);
        if (++m_ex.reached % kProgressInterval == 0 && m_progress)
            m_progress->step(m_base + m_ex.reached);
        return true;
    }

    // From `x`, in the tree at `depth`: everything below it and after it, never above `root`.
    void walkFrom(std::int32_t root, std::int32_t x, int depth) {
        for (;;) {
            const std::int32_t child = m_n[x].FirstChild;
            if (child >= 1 && admit(child, x, 0, depth + 1, x, 0)) {
                x = child;
                ++depth;
                continue;
            }
            if (m_stop)
                return;
            for (;;) {
                if (x == root)
                    return;
                const std::int32_t next = m_n[x].NextSibling;
                if (next >= 1 && admit(next, m_n[x].Parent, x, depth, x, 1)) {
                    x = next;
                    break;
                }
                if (m_stop)
                    return;
                x = m_n[x].Parent;
                --depth;
            }
        }
    }

    // Puts each lost run of siblings back as the last children of the item their Parent
    // names, once that item is in the tree: a run put back can hold the parent of another.
    // Each lost item is looked at a few times at most, however the lists are broken.
    void rescue() {
        // Every item in use was reached: nothing is lost, and a tree of millions is spared
        // the lists below.
        if (m_inUse >= 0 && m_ex.reached >= m_inUse)
            return;
        m_rescuing = true;
        const auto slots = static_cast<std::size_t>(m_count) + 1;
        m_firstLost.assign(slots, 0);
        m_nextLost.assign(slots, 0);
        m_tail.assign(slots, 0);
        for (std::int32_t k = m_count; k >= 2; --k) {
            const std::int32_t p = m_n[k].Parent;
            if (!m_n[k].inUse() || m_ex.inTree[k] || !isSlot(p))
                continue;
            m_nextLost[k] = m_firstLost[p];
            m_firstLost[p] = k;
        }
        for (std::int32_t p = 1; p <= m_count; ++p)
            if (m_firstLost[p] != 0 && m_ex.inTree[p])
                m_ready.push_back(p);
        std::size_t stray = 0;
        while (!m_ready.empty() || stray < m_strays.size()) {
            if (!m_ready.empty()) {
                const std::int32_t p = m_ready.back();
                m_ready.pop_back();
                rescueUnder(p);
                continue;
            }
            // Only when nothing else can take it back does a stray link give an item its home.
            const auto [c, parent] = m_strays[stray++];
            if (!m_ex.inTree[c] && m_ex.inTree[parent] && m_n[parent].Level < kMaxLevel)
                putBack(c, parent, true);
        }
        m_rescuing = false;
    }

    void rescueUnder(std::int32_t p) {
        if (m_n[p].Level >= kMaxLevel)
            return;
        for (std::int32_t k = m_firstLost[p]; k != 0; k = m_nextLost[k])
            if (!m_ex.inTree[k])
                putBack(runStart(k, p), p);
    }

    // The first of the lost siblings before `k` under `p` whose links agree both ways; in a
    // ring of them, `k` itself (the walk cuts the ring where it closes).
    std::int32_t runStart(std::int32_t k, std::int32_t p) const {
        std::int32_t head = k;
        for (;;) {
            const std::int32_t prev = m_n[head].PrevSibling;
            if (!isSlot(prev) || prev == k || m_ex.inTree[prev] || !m_n[prev].inUse() ||
                m_n[prev].Parent != p || m_n[prev].NextSibling != head)
                return head;
            head = prev;
        }
    }

    // The last child of an item in the tree, walking on from the last one known.
    std::int32_t lastChild(std::int32_t p) {
        std::int32_t x = m_tail[p] >= 1 ? m_tail[p] : m_n[p].FirstChild;
        if (x < 1)
            return 0;
        while (m_n[x].NextSibling >= 1)
            x = m_n[x].NextSibling;
        return m_tail[p] = x;
    }

    void putBack(std::int32_t head, std::int32_t p, bool trustLink = false) {
        const std::int32_t last = lastChild(p);
        (last >= 1 ? m_n[last].NextSibling : m_n[p].FirstChild) = head;
        m_n[head].PrevSibling = last;
        const std::size_t at = m_ex.findings.size();
        const std::int32_t before = m_ex.reached;
        note({Fault::Unreachable, head, p, 0, Mend::Rescued, p});
        const int depth = m_n[p].Level + 1;
        if (admit(head, p, last, depth, last >= 1 ? last : p, last >= 1 ? 1 : 0, trustLink))
            walkFrom(p, head, depth);
        m_ex.findings[at].value = m_ex.reached - before;
    }

    void findOutside() {
        std::int32_t inUse = m_inUse;
        if (inUse < 0) {
            inUse = 0;
            for (std::int32_t k = 1; k <= m_count; ++k)
                inUse += m_n[k].inUse() ? 1 : 0;
        }
        m_ex.outside = inUse - m_ex.reached;
        if (m_ex.outside <= 0)
            return;
        for (std::int32_t k = 2; k <= m_count; ++k) {
            if (!m_n[k].inUse() || m_ex.inTree[k])
                continue;
            if (m_mode == Examine::Mend) {
                note({Fault::Unreachable, k, 0, 0, Mend::LeftOut});
                m_n[k].InUse = kSlotFree;
            } else {
                note({Fault::Unreachable, k});
            }
        }
        if (m_mode == Examine::Mend)
            m_ex.outside = 0;
    }

    // Items outside the tree are reported as such, and mending leaves them out.
    void checkInUse() {
        for (std::int32_t k = 1; k <= m_count; ++k) {
            const std::uint8_t v = m_n[k].InUse;
            if (v == kSlotFree || v == kSlotInUse || !m_ex.inTree[k])
                continue;
            note({Fault::OddInUse, k, 0, v, Mend::Set, kSlotInUse});
            if (m_mode == Examine::Mend)
                m_n[k].InUse = kSlotInUse;
        }
    }

    void checkNames() {
        // 16 bytes a child, sorted in place: a list of millions needs little beside the table,
        // and most comparisons end at the first bytes, without reading the table again.
        struct Sibling {
            std::uint64_t head; // the name's first bytes, the first one highest
            std::int32_t slot;
            std::int32_t place; // in the chain: equal names keep their order
        };
        const auto name = [this](const Sibling& s) { return trimmedName(m_n[s.slot].Name); };
        LargeVector<Sibling> names;
        std::int64_t compared = 0;
        for (std::int32_t x = 1; x <= m_count; ++x) {
            if (!m_ex.inTree[x] || m_n[x].FirstChild < 1)
                continue;
            // Counted first: a list grown by doubling would hold twice its size at its peak.
            std::size_t count = 0;
            for (std::int32_t c = m_n[x].FirstChild; c >= 1; c = m_n[c].NextSibling)
                ++count;
            names.resize(count);
            std::int32_t place = 0;
            for (std::int32_t c = m_n[x].FirstChild; c >= 1; c = m_n[c].NextSibling, ++place)
                names[static_cast<std::size_t>(place)] = {nameHead(trimmedName(m_n[c].Name)), c,
                                                          place};
            // A list of millions takes seconds to sort: its progress is told by the
            // comparisons made of the about n log n it needs.
            const auto n = static_cast<std::int64_t>(names.size());
            const double expected = static_cast<double>(n) * std::bit_width(std::uint64_t(n));
            std::int64_t comparisons = 0;
            std::sort(names.begin(), names.end(), [&](const Sibling& a, const Sibling& b) {
                if (m_progress && ++comparisons % kProgressInterval == 0)
                    m_progress->step(m_base + m_ex.reached + compared +
                                     std::min(n - 1, static_cast<std::int64_t>(
                                                         static_cast<double>(comparisons) /
                                                         expected * static_cast<double>(n))));
                if (a.head != b.head)
                    return a.head < b.head;
                const std::string_view na = name(a), nb = name(b);
                return na != nb ? na < nb : a.place < b.place;
            });
            for (std::size_t i = 0; i < names.size();) {
                std::size_t j = i + 1;
                while (j < names.size() && names[j].head == names[i].head &&
                       name(names[j]) == name(names[i]))
                    ++j;
                if (j - i > 1)
                    note({Fault::SameName, x, names[i].slot, static_cast<std::int32_t>(j - i)});
                i = j;
            }
            const std::int64_t before = compared;
            compared += n;
            if (m_progress && before / kProgressInterval != compared / kProgressInterval)
                m_progress->step(m_base + m_ex.reached + compared);
        }
    }

    // The first eight bytes of a name as a number that orders as the bytes do.
    static std::uint64_t nameHead(std::string_view name) {
        std::uint64_t head = 0;
        for (std::size_t i = 0; i < 8; ++i)
            head = head << 8 | (i < name.size() ? static_cast<unsigned char>(name[i]) : 0u);
        return head;
    }
};

// A hostile name must not break the report's lines or drive a terminal.
std::string nameText(std::span<const Node> nodes, std::int32_t slot) {
    return shownText(bytesToUtf8(trimmedName(nodes[static_cast<std::size_t>(slot)].Name)));
}

std::string itemText(std::span<const Node> nodes, std::int32_t slot, std::int32_t nodeCount) {
    std::string text = "slot " + std::to_string(slot);
    if (slot >= 1 && slot <= nodeCount && static_cast<std::size_t>(slot) < nodes.size()) {
        const std::string name = nameText(nodes, slot);
        if (!name.empty())
            text += " (" + name + ")";
    }
    return text;
}

std::string plural(std::int64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

std::int64_t Examination::total() const {
    return std::accumulate(counts.begin(), counts.end(), std::int64_t(0));
}

Examination examineTree(std::span<Node> nodes, std::int32_t nodeCount, Examine mode,
                        std::int32_t inUse, Progress* progress, std::int64_t progressBase) {
    Examination ex;
    Walker(nodes, nodeCount, mode, inUse, ex, progress, progressBase).run();
    return ex;
}

std::string describeFinding(const Finding& f, std::span<const Node> nodes, std::int32_t nodeCount) {
    const auto item = [&](std::int32_t slot) { return itemText(nodes, slot, nodeCount); };
    const std::string link = f.value == 0 ? "first child" : "next sibling";
    switch (f.fault) {
    case Fault::TopItemFree:
        return "slot 1, the top item, is free";
    case Fault::TopItemLinked:
        return item(1) + ", the top item, names a parent or a sibling";
    case Fault::LinkBeyondEnd:
        return item(f.slot) + " links to slot " + std::to_string(f.other) + " as its " + link +
               ", beyond the last slot " + std::to_string(nodeCount);
    case Fault::LinkToFree:
        return item(f.slot) + " links to free slot " + std::to_string(f.other) + " as its " + link;
    case Fault::ReachedTwice:
        return item(f.slot) + " links to " + item(f.other) + " as its " + link +
               ", which is already in the tree (a loop or crossed lists)";
    case Fault::ParentDisagrees:
        return item(f.slot) + " names parent " + std::to_string(f.value) + " but is listed under " +
               item(f.other);
    case Fault::PrevDisagrees:
        return item(f.slot) + " names previous sibling " + std::to_string(f.value) + " but " +
               (f.other >= 1 ? "follows " + item(f.other)
                             : "is the first child of " +
                                   item(nodes[static_cast<std::size_t>(f.slot)].Parent));
    case Fault::TooDeep:
        return item(f.other) + ", the " + link + " of " + item(f.slot) +
               ", would lie deeper than 255 levels";
    case Fault::LevelWrong:
        return item(f.slot) + " has Level " + std::to_string(f.value) + " but lies at depth " +
               std::to_string(f.other);
    case Fault::Unreachable:
        return item(f.slot) +
               (f.value > 1
                    ? " and " + plural(f.value - 1, "more item", "more items") + " with it are"
                    : " is") +
               " in use but cannot be reached from the top item";
    case Fault::OddInUse:
        return item(f.slot) + " has InUse " + std::to_string(f.value) +
               ", neither 0 (free) nor 255 (in use)";
    case Fault::SameName:
        return std::to_string(f.value) + " children of " + item(f.slot) + " are named " +
               nameText(nodes, f.other) + " (the first is slot " + std::to_string(f.other) + ")";
    }
    return {};
}

std::string describeMend(const Finding& f, std::span<const Node> nodes) {
    const auto item = [&](std::int32_t slot) {
        return itemText(nodes, slot, static_cast<std::int32_t>(nodes.size()) - 1);
    };
    switch (f.mend) {
    case Mend::None:
        return {};
    case Mend::Cut:
        return "link cut";
    case Mend::Cleared:
        return "its links cleared";
    case Mend::Relinked:
        return "kept under " + item(f.mended);
    case Mend::Set:
        return "set to " + std::to_string(f.mended);
    case Mend::Rescued:
        return "put back under " + item(f.mended);
    case Mend::LeftOut:
        return "left out";
    }
    return {};
}

} // namespace qm
