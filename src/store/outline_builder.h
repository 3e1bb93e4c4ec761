#pragma once
// Builds a node table from items read in document order (text outlines, Markdown lists,
// OPML), with the name rules every import shares.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/message_text.h"
#include "store/node_table.h"

namespace qm {

/// A name read from a document is kept to this many characters, with "…" after them when it
/// is longer: far beyond 20 characters, so it is refused or cut as the whole name would be,
/// and a line of a hundred megabytes costs no more memory than a short one.
constexpr std::size_t kNameKept = 256;
/// Appends "…" to a name cut to kNameKept characters.
void markCut(std::u32string& name);

/// How an import treats what the data file cannot hold as it is.
struct ImportRules {
    /// Cut names longer than 20 characters instead of refusing them (one warning each).
    bool truncate = false;
    /// The name of a top item over several top-level items.
    std::optional<std::u32string> top;
};

struct OutlineNotice {
    int line = 0; // 1-based; 0 when the whole document is meant
    std::string text;
};

struct OutlineResult {
    bool ok = false;
    int errorLine = 0; // 1-based line of the fault when !ok
    int errorColumn = 0;
    std::string error;
    NodeTable table;
    std::vector<OutlineNotice> warnings;
};

/// Items arrive with their depth (0 for a top-level item) and trimmed name; each takes the
/// next slot and is linked as the last child of its parent, as adding them one by one
/// would. Several top-level items are put under a top item named by the rules or offered
/// by the document; one top-level item becomes the top item itself.
class OutlineBuilder {
public:
    /// `noTopHint` ends the refusal of a second top-level item when no top name is known.
    OutlineBuilder(const ImportRules& rules, std::string noTopHint);

    /// Makes room for about this many items at once, so the table is not moved as it grows.
    void reserve(std::size_t items);
    /// False, with the error set, when the item is refused.
    bool add(int depth, std::u32string_view name, int line);
    /// The document's own name for a top item (an OPML title); the rules' name comes first.
    void offerTopName(std::u32string_view name, int line);
    /// Finishes the table; false, with the error set, when no top item can be made.
    bool finish();

    std::int32_t itemCount() const { return static_cast<std::int32_t>(m_nodes.size()) - 2; }
    OutlineResult& result() { return m_result; }
    bool fail(int line, std::string why, int column = 0);

private:
    std::optional<NameField> storable(std::u32string_view name, int line);
    bool hasTopName() const { return m_rules.top || m_offered; }

    ImportRules m_rules;
    std::string m_noTopHint;
    std::optional<std::u32string> m_offered;
    int m_offeredLine = 0;
    // Slot 0 the signature, slot 1 a provisional top item, the items from slot 2 on.
    NodeSlots m_nodes;
    std::vector<std::int32_t> m_open; // the latest item at each depth on the current path
    int m_tops = 0;
    int m_deepestLine = 0; // the first item at depth 255, which a top item would push too deep
    OutlineResult m_result;
};

} // namespace qm
