#include "store/outline_builder.h"

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

std::optional<NameField> OutlineBuilder::storable(std::u32string_view name, int line) {
    name = trimSpaces(name);
    if (name.empty()) {
        fail(line, "empty name");
        return std::nullopt;
    }
    if (name.size() > static_cast<std::size_t>(kNameLength)) {
        if (!m_rules.truncate) {
            fail(line, "name longer than 20 characters: " + quotedName(name));
            return std::nullopt;
        }
        const std::u32string_view cut = trimSpaces(name.substr(0, kNameLength));
        m_result.warnings.push_back(
            {line, "name " + quotedName(name) + " cut to 20 characters: " + quotedName(cut)});
        name = cut;
    }
    NameField field;
    field.fill(' ');
    for (std::size_t i = 0; i < name.size(); ++i) {
        const std::optional<unsigned char> byte = encodeChar(name[i]);
        if (!byte) {
            fail(line, "name has characters the data file cannot hold: " + quotedName(name));
            return std::nullopt;
        }
        field[i] = static_cast<char>(*byte);
    }
    return field;
}

void OutlineBuilder::reserve(std::size_t items) {
    // As large as the table the finished slots are adopted into.
    m_nodes.reserve(static_cast<std::size_t>(
        NodeTable::capacityForRecords(static_cast<std::int64_t>(items) + 2)));
}

bool OutlineBuilder::add(int depth, std::u32string_view name, int line) {
    if (depth > static_cast<int>(m_open.size()))
        return fail(line, "indentation skips a level");
    if (depth > kMaxLevel)
        return fail(line, "deeper than 255 levels");
    if (depth == 0 && m_tops > 0 && !hasTopName())
        return fail(line, "a second top-level item, and no name for a top item over them: " +
                              m_noTopHint);
    const std::optional<NameField> field = storable(name, line);
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
    m_tops += depth == 0 ? 1 : 0;
    if (depth == kMaxLevel && m_deepestLine == 0)
        m_deepestLine = line;
    return true;
}

void OutlineBuilder::offerTopName(std::u32string_view name, int line) {
    m_offered = std::u32string(name);
    m_offeredLine = line;
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
            m_result.warnings.push_back(
                {0, "the one top-level item is the top item; the top name given is not used"});
    } else {
        const bool ruled = m_rules.top.has_value();
        const std::optional<NameField> top =
            storable(ruled ? *m_rules.top : *m_offered, ruled ? 0 : m_offeredLine);
        if (!top)
            return false;
        if (m_deepestLine > 0)
            return fail(m_deepestLine, "deeper than 255 levels below the top item");
        m_nodes[1].Name = *top;
        for (std::size_t k = 2; k < m_nodes.size(); ++k)
            ++m_nodes[k].Level;
        m_result.table.adopt(std::move(m_nodes), nodeCount + 1);
    }
    m_result.ok = true;
    return true;
}

} // namespace qm
