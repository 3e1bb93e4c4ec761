#include "store/sort_walk.h"

#include <algorithm>
#include <array>

#include "store/name_codec.h"
#include "store/node_table.h"

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

} // namespace

void SortWalk::fillLevel(std::int32_t firstChild, std::int32_t level) {
    if (static_cast<std::size_t>(level) >= m_lists.size()) {
        m_lists.resize(level + 1);
        m_pos.resize(level + 1);
    }
    static_assert(kNameLength == 20, "the key packs 8 + 8 + 4 name bytes");
    const auto& rank = rankTable();
    auto& list = m_lists[level];
    list.clear();
    std::uint32_t position = 0;
    for (std::int32_t c = firstChild; c >= 1; c = m_nodes[c].NextSibling) {
        const auto* name = reinterpret_cast<const unsigned char*>(m_nodes[c].Name.data());
        Entry e;
        e.key[0] = e.key[1] = e.key[2] = 0;
        for (int i = 0; i < 8; ++i) {
            e.key[0] = (e.key[0] << 8) | rank[name[i]];
            e.key[1] = (e.key[1] << 8) | rank[name[8 + i]];
        }
        for (int i = 16; i < kNameLength; ++i)
            e.key[2] = (e.key[2] << 8) | rank[name[i]];
        e.key[2] = (e.key[2] << 32) | position++;
        e.slot = c;
        list.push_back(e);
    }
    std::sort(list.begin(), list.end(), [](const Entry& a, const Entry& b) {
        if (a.key[0] != b.key[0])
            return a.key[0] < b.key[0];
        if (a.key[1] != b.key[1])
            return a.key[1] < b.key[1];
        return a.key[2] < b.key[2];
    });
    m_pos[level] = 0;
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
    const std::int32_t first = m_nodes[cur].FirstChild;
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
