#include "store/sort_walk.h"

#include <array>
#include <cstring>

#include "store/node_table.h"
#include "store/progress.h"

namespace qm {

namespace {

// The byte of every rank: undoes the packing.
const std::array<unsigned char, 256>& byteOfRankTable() {
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[codeRanks().rank[b]] = static_cast<unsigned char>(b);
        return t;
    }();
    return table;
}

} // namespace

NameField SortWalk::SortName() const {
    const SortKey& k =
        m_lists[static_cast<std::size_t>(m_level)][m_pos[static_cast<std::size_t>(m_level)]];
    // The key holds the ranks big-endian; swapped back they are the name's bytes wherever
    // those are below 80h, which rank as themselves.
    const std::uint64_t head[2] = {__builtin_bswap64(k.head), __builtin_bswap64(k.middle)};
    const std::uint32_t tail = __builtin_bswap32(static_cast<std::uint32_t>(k.tail >> 32));
    NameField name;
    std::memcpy(name.data(), head, 16);
    std::memcpy(name.data() + 16, &tail, 4);
    if (((head[0] | head[1] | tail) & 0x8080808080808080ull) != 0) {
        const auto& byteOf = byteOfRankTable();
        for (char& c : name)
            c = static_cast<char>(byteOf[static_cast<unsigned char>(c)]);
    }
    return name;
}

const Node& SortWalk::node(std::int32_t slot) const {
    // The walk's hot loops read the table directly; a slot outside it still gets the
    // table's own range error.
    const NodeSlots& nodes = m_nodes.records();
    return static_cast<std::size_t>(slot) < nodes.size() ? nodes[static_cast<std::size_t>(slot)]
                                                         : m_nodes[slot];
}

void SortWalk::fillLevel(std::int32_t firstChild, std::int32_t level) {
    if (static_cast<std::size_t>(level) >= m_lists.size()) {
        m_lists.resize(level + 1);
        m_pos.resize(level + 1);
    }
    auto& list = m_lists[level];
    list.clear();
    m_slots.clear();
    // Counted first: a list of millions grown by doubling would need twice its size.
    std::size_t count = 0;
    for (std::int32_t c = firstChild; c >= 1; c = node(c).NextSibling)
        ++count;
    list.reserve(count);
    m_slots.reserve(count);
    const RankTable& ranks = codeRanks();
    for (std::int32_t c = firstChild; c >= 1;) {
        const Node& n = node(c);
        // Tagged with the stored position, so equal names keep their stored order.
        list.push_back(sortKey(n.Name, static_cast<std::uint32_t>(m_slots.size()), ranks));
        m_slots.push_back(c);
        c = n.NextSibling;
    }
    sortLevel(list);
    for (SortKey& k : list)
        k.setTag(static_cast<std::uint32_t>(m_slots[k.tag()]));
    m_pos[level] = 0;
}

void SortWalk::sortLevel(KeyList& list) {
    // Sorting millions of children takes seconds before the walk returns any of them.
    constexpr std::size_t kReportFrom = 1 << 16;
    constexpr std::size_t kReportEvery = 1 << 16;
    if (list.size() < kReportFrom || !m_progress) {
        sortKeys(list.data(), list.data() + list.size());
        return;
    }
    Progress& progress = *m_progress;
    progress.start(static_cast<std::int64_t>(list.size()));
    std::size_t done = 0, reported = 0;
    sortKeys(list.data(), list.data() + list.size(), [&](std::size_t sorted) {
        done += sorted;
        if (done - reported >= kReportEvery || done == list.size()) {
            progress.step(static_cast<std::int64_t>(done));
            reported = done;
        }
    });
}

bool SortWalk::SortWalk_Start(std::int32_t root) {
    const std::int32_t first = m_nodes[root].FirstChild;
    if (first < 1)
        return false;
    m_level = 0;
    fillLevel(first, 0);
    m_nod = static_cast<std::int32_t>(m_lists[0][0].tag());
    return true;
}

bool SortWalk::SortWalk_Next() {
    if (m_level < 0)
        return false;
    const auto cur = static_cast<std::int32_t>(m_lists[m_level][m_pos[m_level]].tag());
    const std::int32_t first = node(cur).FirstChild;
    if (first >= 1) {
        ++m_level;
        fillLevel(first, m_level);
        m_nod = static_cast<std::int32_t>(m_lists[m_level][0].tag());
        return true;
    }
    for (; m_level >= 0; --m_level) {
        if (m_pos[m_level] + 1 < m_lists[m_level].size()) {
            m_nod = static_cast<std::int32_t>(m_lists[m_level][++m_pos[m_level]].tag());
            return true;
        }
    }
    m_nod = 0;
    return false;
}

} // namespace qm
