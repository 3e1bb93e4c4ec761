#include "store/sort_walk.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "store/name_codec.h"
#include "store/node_table.h"
#include "store/progress.h"

namespace qm {

namespace {

// sortRank for every byte, looked up inline in the walk's hot loop.
const std::array<unsigned char, 256>& rankTable() {
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[b] = sortRank(static_cast<unsigned char>(b));
        return t;
    }();
    return table;
}

// The byte of every rank: undoes the packing.
const std::array<unsigned char, 256>& byteOfRankTable() {
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[sortRank(static_cast<unsigned char>(b))] = static_cast<unsigned char>(b);
        return t;
    }();
    return table;
}

// Packs the name's sort ranks big-endian into key[0..2], leaving the low half of key[2]
// free. Bytes below 80h decode to their own codes, which sort below every other byte's,
// so they rank as themselves: names made only of them need no table.
void packKey(const NameField& name, std::uint64_t key[3]) {
    static_assert(kNameLength == 20, "the key packs 8 + 8 + 4 name bytes");
    const auto* b = reinterpret_cast<const unsigned char*>(name.data());
    std::uint64_t head[2];
    std::uint32_t tail;
    std::memcpy(head, b, 16);
    std::memcpy(&tail, b + 16, 4);
    const bool plain = ((head[0] | head[1] | tail) & 0x8080808080808080ull) == 0;
    const auto& rank = rankTable();
    key[0] = key[1] = key[2] = 0;
    for (int i = 0; i < 8; ++i) {
        key[0] = (key[0] << 8) | (plain ? b[i] : rank[b[i]]);
        key[1] = (key[1] << 8) | (plain ? b[8 + i] : rank[b[8 + i]]);
    }
    for (int i = 16; i < kNameLength; ++i)
        key[2] = (key[2] << 8) | (plain ? b[i] : rank[b[i]]);
    key[2] <<= 32;
}

} // namespace

NameField SortWalk::SortName() const {
    const Entry& e =
        m_lists[static_cast<std::size_t>(m_level)][m_pos[static_cast<std::size_t>(m_level)]];
    // The key holds the ranks big-endian; swapped back they are the name's bytes wherever
    // those are below 80h, which rank as themselves.
    const std::uint64_t head[2] = {__builtin_bswap64(e.key[0]), __builtin_bswap64(e.key[1])};
    const std::uint32_t tail = __builtin_bswap32(static_cast<std::uint32_t>(e.key[2] >> 32));
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
    // Counted first: a list of millions grown by doubling would need twice its size.
    std::size_t count = 0;
    for (std::int32_t c = firstChild; c >= 1; c = node(c).NextSibling)
        ++count;
    list.reserve(count);
    std::uint32_t position = 0;
    for (std::int32_t c = firstChild; c >= 1;) {
        const Node& n = node(c);
        Entry e;
        packKey(n.Name, e.key);
        e.key[2] |= position++;
        e.slot = c;
        list.push_back(e);
        c = n.NextSibling;
    }
    sortEntries(list);
    m_pos[level] = 0;
}

void SortWalk::sortEntries(EntryList& list) {
    const auto less = [](const Entry& a, const Entry& b) {
        if (a.key[0] != b.key[0])
            return a.key[0] < b.key[0];
        if (a.key[1] != b.key[1])
            return a.key[1] < b.key[1];
        return a.key[2] < b.key[2];
    };
    // Comparison sorts mispredict about every other comparison on random names. A long
    // list is first spread by its first character, without comparing, so each part
    // left to sort is small. It is spread in place: beside a list of millions a second
    // one would cost as much memory as the list itself.
    constexpr std::size_t kSpreadFrom = 64;
    if (list.size() < kSpreadFrom) {
        std::sort(list.begin(), list.end(), less);
        return;
    }
    constexpr std::size_t kReportFrom = 1 << 16;
    Progress* const progress = list.size() >= kReportFrom ? m_progress : nullptr;
    if (progress)
        progress->start(static_cast<std::int64_t>(list.size()));
    const auto part = [](const Entry& e) { return static_cast<std::size_t>(e.key[0] >> 56); };
    std::array<std::size_t, 257> start{};
    for (const Entry& e : list)
        ++start[part(e) + 1];
    for (std::size_t b = 1; b < start.size(); ++b)
        start[b] += start[b - 1];
    std::array<std::size_t, 256> next;
    std::copy(start.begin(), start.end() - 1, next.begin());
    for (std::size_t b = 0; b < next.size(); ++b) {
        // Each entry out of place is carried along the chain of places it displaces.
        while (next[b] < start[b + 1]) {
            Entry e = list[next[b]];
            for (std::size_t p = part(e); p != b; p = part(e))
                std::swap(e, list[next[p]++]);
            list[next[b]++] = e;
        }
    }
    for (std::size_t b = 0; b + 1 < start.size(); ++b) {
        if (start[b + 1] - start[b] > 1)
            std::sort(list.begin() + static_cast<std::ptrdiff_t>(start[b]),
                      list.begin() + static_cast<std::ptrdiff_t>(start[b + 1]), less);
        if (progress && start[b + 1] > start[b])
            progress->step(static_cast<std::int64_t>(start[b + 1]));
    }
}

std::string SortWalk::nameOf(std::int32_t slot) const {
    const NameField& name = m_nodes[slot].Name;
    return std::string(name.data(), name.size());
}

bool SortWalk::start(std::int32_t root) {
    m_root = root;
    const std::int32_t first = m_nodes[root].FirstChild;
    if (first < 1)
        return false;
    m_level = 0;
    fillLevel(first, 0);
    m_nod = m_lists[0][0].slot;
    return true;
}

bool SortWalk::next() {
    if (m_level < 0)
        return false;
    const std::int32_t cur = m_lists[m_level][m_pos[m_level]].slot;
    const std::int32_t first = node(cur).FirstChild;
    if (first >= 1) {
        ++m_level;
        fillLevel(first, m_level);
        m_nod = m_lists[m_level][0].slot;
        return true;
    }
    for (; m_level >= 0; --m_level) {
        if (m_pos[m_level] + 1 < m_lists[m_level].size()) {
            m_nod = m_lists[m_level][++m_pos[m_level]].slot;
            return true;
        }
    }
    m_nod = 0;
    return false;
}

std::string SortWalk::SortWalk_Start(std::int32_t root) {
    return start(root) ? nameOf(m_nod) : std::string();
}

std::string SortWalk::SortWalk_Next(std::int32_t& level) {
    if (level < 0 || level > m_level) {
        level = -1;
        return {};
    }
    m_level = level;
    const bool more = next();
    level = m_level;
    return more ? nameOf(m_nod) : std::string();
}

} // namespace qm
