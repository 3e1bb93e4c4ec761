#pragma once
// Builds a node table from items read in document order (text outlines, Markdown lists,
// OPML), with the name rules every import shares.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
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

/// Gives a name whose characters the code page cannot all hold in characters it can (or
/// leaves them out); the builder drops whatever it still cannot store.
using Transliteration = std::function<std::u32string(std::u32string_view name)>;

/// How an import treats what the data file cannot hold as it is.
struct ImportRules {
    /// Cut names longer than 20 characters instead of refusing them (one warning each).
    bool truncate = false;
    /// Change every name the data file cannot hold instead of refusing the document, one
    /// warning each: an empty name becomes "-", characters outside the code page are
    /// transliterated or left out, long names are cut, and a sibling that ends up with a
    /// name already taken gets " 2", " 3", ... at its end.
    bool lenient = false;
    /// Used by lenient imports; without it such characters are left out.
    Transliteration transliterate;
    /// The name of a top item over several top-level items.
    std::optional<std::u32string> top;
    /// The top item's name when neither `top` nor the document gives one.
    std::optional<std::u32string> fallbackTop;
};

struct OutlineNotice {
    int line = 0; // 1-based; 0 when the whole document is meant
    int column = 0;
    std::string text;
};

struct OutlineResult {
    bool ok = false;
    int errorLine = 0; // 1-based line of the fault when !ok
    int errorColumn = 0;
    std::string error;
    NodeTable table;
    std::vector<OutlineNotice> warnings;
    /// The top item was made over several top-level items (slot 1 is not one of them).
    bool topMade = false;
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
    bool add(int depth, std::u32string_view name, int line, int column = 0);
    /// The document's own name for a top item (an OPML title); the rules' name comes first.
    void offerTopName(std::u32string_view name, int line, int column = 0);
    /// Finishes the table; false, with the error set, when no top item can be made.
    bool finish();

    std::int32_t itemCount() const { return static_cast<std::int32_t>(m_nodes.size()) - 2; }
    OutlineResult& result() { return m_result; }
    bool fail(int line, std::string why, int column = 0);
    void warn(int line, int column, std::string text);

private:
    std::optional<NameField> storable(std::u32string_view name, int line, int column);
    /// Lenient: gives an item whose name a sibling has already a number at its end.
    void keepApart(std::int32_t slot, int line, int column);
    bool hasTopName() const { return m_rules.top || m_offered || m_rules.fallbackTop; }

    // Lenient: the names taken among the children of the open item at one depth of the
    // path. Open addressing, kept between groups of siblings: an item costs no allocation.
    class SiblingNames {
    public:
        /// Takes the slot's name; false when a sibling has it already.
        bool take(const NodeSlots& nodes, std::int32_t slot);
        /// Forgets the names: the path has left these siblings.
        void clear();
        /// The next number to try at the end of a name given more than once.
        int& nextNumber(const std::string& name) {
            return m_numbers.try_emplace(name, 2).first->second;
        }

    private:
        void grow(const NodeSlots& nodes);
        std::vector<std::int32_t> m_table; // slots; 0 none; a power of two, at most half full
        std::vector<std::uint32_t> m_used; // where slots lie, so clearing costs what was taken
        std::unordered_map<std::string, int> m_numbers; // by the name numbered
    };

    ImportRules m_rules;
    std::string m_noTopHint;
    std::optional<std::u32string> m_offered;
    int m_offeredLine = 0;
    int m_offeredColumn = 0;
    // Slot 0 the signature, slot 1 a provisional top item, the items from slot 2 on.
    NodeSlots m_nodes;
    std::vector<std::int32_t> m_open;     // the latest item at each depth on the current path
    std::vector<SiblingNames> m_siblings; // by depth, the first m_openSiblings in use
    std::size_t m_openSiblings = 0;
    int m_tops = 0;
    // The first item at depth 255, which a top item would push too deep.
    int m_deepestLine = 0;
    int m_deepestColumn = 0;
    OutlineResult m_result;
};

} // namespace qm
