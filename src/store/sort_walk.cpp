#include "store/sort_walk.h"

#include <algorithm>
#include <cstring>

#include "store/name_codec.h"
#include "store/node_table.h"

namespace qm {

void SortWalk::fillLevel(std::int32_t firstChild, std::int32_t level) {
    if (static_cast<std::size_t>(level) >= m_lists.size()) {
        m_lists.resize(level + 1);
        m_pos.resize(level + 1);
    }
    auto& list = m_lists[level];
    list.clear();
    for (std::int32_t c = firstChild; c >= 1; c = m_nodes[c].NextSibling) {
        Entry e;
        const NameField& name = m_nodes[c].Name;
        for (int i = 0; i < kNameLength; ++i)
            e.key[i] = sortRank(static_cast<unsigned char>(name[i]));
        e.slot = c;
        list.push_back(e);
    }
    std::stable_sort(list.begin(), list.end(), [](const Entry& a, const Entry& b) {
        return std::memcmp(a.key.data(), b.key.data(), kNameLength) < 0;
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
