#include "store/outline_builder.h"

#include <algorithm>
#include <cstring>

#include "store/name_codec.h"

namespace qm {

namespace {

constexpr int kMaxLevel = 255;

std::u32string_view trimSpaces(std::u32string_view s) {
    while (!s.empty() && s.front() == U' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == U' ')
        s.remove_suffix(1);
    return s;
}

bool isStorable(char32_t c) {
    return encodeChar(c).has_value();
}

// The name in the code page's bytes, padded with spaces; false when a character has none.
bool encodeName(std::u32string_view name, NameField& field) {
    field.fill(' ');
    for (std::size_t i = 0; i < name.size(); ++i) {
        const std::optional<unsigned char> byte = encodeChar(name[i]);
        if (!byte)
            return false;
        field[i] = static_cast<char>(*byte);
    }
    return true;
}

std::size_t nameHash(const NameField& name) {
    std::uint64_t w[3] = {};
    std::memcpy(w, name.data(), name.size());
    const std::uint64_t h =
        w[0] * 0x9E3779B97F4A7C15ULL ^ w[1] * 0xC2B2AE3D27D4EB4FULL ^ w[2] * 0x165667B19E3779F9ULL;
    return static_cast<std::size_t>(h ^ h >> 29);
}

} // namespace

void markCut(std::u32string& name) {
    name += U'\u2026';
}

OutlineBuilder::OutlineBuilder(const ImportRules& rules, std::string noTopHint)
    : m_rules(rules), m_noTopHint(std::move(noTopHint)), m_nodes(2) {
    m_nodes[0] = nodeHeader();
    m_nodes[1].InUse = kSlotInUse;
}

bool OutlineBuilder::fail(int line, std::string why, int column) {
    m_result.ok = false;
    m_result.errorLine = line;
    m_result.errorColumn = column;
    m_result.error = std::move(why);
    return false;
}

void OutlineBuilder::warn(int line, int column, std::string text) {
    m_result.warnings.push_back({line, column, std::move(text)});
}

std::optional<NameField> OutlineBuilder::storable(std::u32string_view name, int line, int column) {
    name = trimSpaces(name);
    NameField field;
    // Most names are kept as they stand.
    if (!name.empty() && name.size() <= static_cast<std::size_t>(kNameLength) &&
        encodeName(name, field))
        return field;
    const bool lenient = m_rules.lenient;
    std::u32string written;
    if (lenient && !std::all_of(name.begin(), name.end(), isStorable)) {
        written = m_rules.transliterate ? m_rules.transliterate(name) : std::u32string(name);
        std::erase_if(written, [](char32_t c) { return !isStorable(c); });
        written = std::u32string(trimSpaces(written));
        warn(line, column,
             "name " + quotedName(name) + " has characters the data file cannot hold: written " +
                 quotedName(written.empty() ? U"-" : written));
        name = written;
        if (name.empty())
            name = U"-";
    }
    if (name.empty()) {
        if (!lenient) {
            fail(line, "empty name", column);
            return std::nullopt;
        }
        warn(line, column, "empty name: named \"-\"");
        name = U"-";
    }
    if (name.size() > static_cast<std::size_t>(kNameLength)) {
        if (!m_rules.truncate && !lenient) {
            fail(line, "name longer than 20 characters: " + quotedName(name), column);
            return std::nullopt;
        }
        const std::u32string_view cut = trimSpaces(name.substr(0, kNameLength));
        warn(line, column,
             "name " + quotedName(name) + " cut to 20 characters: " + quotedName(cut));
        name = cut;
    }
    if (!encodeName(name, field)) {
        fail(line, "name has characters the data file cannot hold: " + quotedName(name), column);
        return std::nullopt;
    }
    return field;
}

bool OutlineBuilder::SiblingNames::take(const NodeSlots& nodes, std::int32_t slot) {
    if (2 * (m_used.size() + 1) > m_table.size())
        grow(nodes);
    const std::size_t mask = m_table.size() - 1;
    const NameField& name = nodes[static_cast<std::size_t>(slot)].Name;
    for (std::size_t i = nameHash(name) & mask;; i = (i + 1) & mask) {
        const std::int32_t other = m_table[i];
        if (other == 0) {
            m_table[i] = slot;
            m_used.push_back(static_cast<std::uint32_t>(i));
            return true;
        }
        if (nodes[static_cast<std::size_t>(other)].Name == name)
            return false;
    }
}

void OutlineBuilder::SiblingNames::grow(const NodeSlots& nodes) {
    std::vector<std::int32_t> slots;
    slots.reserve(m_used.size());
    for (const std::uint32_t i : m_used)
        slots.push_back(m_table[i]);
    m_table.assign(std::max<std::size_t>(16, 2 * m_table.size()), 0);
    m_used.clear();
    for (const std::int32_t slot : slots)
        take(nodes, slot);
}

void OutlineBuilder::SiblingNames::clear() {
    for (const std::uint32_t i : m_used)
        m_table[i] = 0;
    m_used.clear();
    m_numbers.clear();
}

void OutlineBuilder::keepApart(std::int32_t slot, int line, int column) {
    SiblingNames& siblings = m_siblings[m_openSiblings - 1];
    if (siblings.take(m_nodes, slot))
        return;
    NameField& field = m_nodes[static_cast<std::size_t>(slot)].Name;
    const std::string base(trimmedName(field));
    // Numbers already given to this name are not tried again: many equal siblings stay linear.
    int& number = siblings.nextNumber(base);
    for (;; ++number) {
        const std::string suffix = " " + std::to_string(number);
        std::string_view kept(base);
        kept = kept.substr(0, kNameLength - std::min<std::size_t>(suffix.size(), kNameLength));
        while (!kept.empty() && kept.back() == ' ')
            kept.remove_suffix(1);
        field = makeName(std::string(kept) + suffix);
        if (siblings.take(m_nodes, slot))
            break;
    }
    ++number;
    warn(line, column,
         "name " + quotedName(decodeBytes(base)) + " is a sibling's already: named " +
             quotedName(decodeBytes(trimmedName(field))));
}

void OutlineBuilder::reserve(std::size_t items) {
    // As large as the table the finished slots are adopted into.
    m_nodes.reserve(static_cast<std::size_t>(
        NodeTable::capacityForRecords(static_cast<std::int64_t>(items) + 2)));
}

bool OutlineBuilder::add(int depth, std::u32string_view name, int line, int column) {
    if (depth > static_cast<int>(m_open.size()))
        return fail(line, "indentation skips a level", column);
    if (depth > kMaxLevel)
        return fail(line, "deeper than 255 levels", column);
    if (depth == 0 && m_tops > 0 && !hasTopName())
        return fail(line,
                    "a second top-level item, and no name for a top item over them: " + m_noTopHint,
                    column);
    const std::optional<NameField> field = storable(name, line, column);
    if (!field)
        return false;

    const auto slot = static_cast<std::int32_t>(m_nodes.size());
    const std::int32_t parent = depth == 0 ? 1 : m_open[depth - 1];
    Node n;
    n.Parent = parent;
    n.Level = static_cast<std::uint8_t>(depth);
    n.InUse = kSlotInUse;
    n.Name = *field;
    if (static_cast<int>(m_open.size()) > depth) {
        const std::int32_t prev = m_open[depth];
        n.PrevSibling = prev;
        m_nodes[prev].NextSibling = slot;
        m_open.resize(depth);
    } else {
        m_nodes[parent].FirstChild = slot;
    }
    m_nodes.push_back(n);
    m_open.push_back(slot);
    if (m_rules.lenient) {
        // The names taken below the item before this one at `depth` belong to its subtree.
        const auto open = static_cast<std::size_t>(depth) + 1;
        for (; m_openSiblings > open; --m_openSiblings)
            m_siblings[m_openSiblings - 1].clear();
        if (m_siblings.size() < open)
            m_siblings.resize(open);
        m_openSiblings = open;
        keepApart(slot, line, column);
    }
    m_tops += depth == 0 ? 1 : 0;
    if (depth == kMaxLevel && m_deepestLine == 0) {
        m_deepestLine = line;
        m_deepestColumn = column;
    }
    return true;
}

void OutlineBuilder::offerTopName(std::u32string_view name, int line, int column) {
    m_offered = std::u32string(name);
    m_offeredLine = line;
    m_offeredColumn = column;
}

bool OutlineBuilder::finish() {
    if (m_tops == 0)
        return fail(1, "nothing to import");
    const auto nodeCount = static_cast<std::int32_t>(m_nodes.size()) - 2;
    if (m_tops == 1) {
        // The one top-level item takes slot 1: every slot moves down by one.
        m_nodes.erase(m_nodes.begin() + 1);
        for (std::size_t k = 1; k < m_nodes.size(); ++k) {
            Node& n = m_nodes[k];
            for (std::int32_t* link : {&n.Parent, &n.FirstChild, &n.PrevSibling, &n.NextSibling})
                *link = *link >= 1 ? *link - 1 : 0;
        }
        m_result.table.adopt(std::move(m_nodes), nodeCount);
        if (m_rules.top)
            warn(0, 0, "the one top-level item is the top item; the top name given is not used");
    } else {
        const bool ruled = m_rules.top.has_value();
        const std::optional<NameField> top =
            ruled       ? storable(*m_rules.top, 0, 0)
            : m_offered ? storable(*m_offered, m_offeredLine, m_offeredColumn)
                        : storable(*m_rules.fallbackTop, 0, 0);
        if (!top)
            return false;
        if (m_deepestLine > 0)
            return fail(m_deepestLine, "deeper than 255 levels below the top item",
                        m_deepestColumn);
        m_nodes[1].Name = *top;
        for (std::size_t k = 2; k < m_nodes.size(); ++k)
            ++m_nodes[k].Level;
        m_result.table.adopt(std::move(m_nodes), nodeCount + 1);
        m_result.topMade = true;
    }
    m_result.ok = true;
    return true;
}

} // namespace qm
