#pragma once
// Trees as text other programs read: indented outlines (one name a line, two spaces per
// level, the top item first), Markdown lists and OPML documents.

#include <cstdint>
#include <string>
#include <string_view>

#include "store/node_table.h"
#include "store/outline_builder.h"

namespace qm {

/// Builds a new table from UTF-8 outline text. Each line takes the next slot and is linked
/// as the last child of its parent, as adding the items one by one would.
OutlineResult parseOutline(std::string_view utf8, const ImportRules& rules = {});
/// The same from a Markdown list as exportOutline writes it: "- NAME" (or "*", "+"), two
/// spaces per level, backslash escapes.
OutlineResult parseMarkdown(std::string_view utf8, const ImportRules& rules = {});

enum class OutlineFormat { Text, Markdown, Opml };

struct OutlineExport {
    bool ok = false;
    std::string text;      // UTF-8
    std::int32_t item = 0; // when refused: the item whose name the format cannot hold
    const char* why = "";  // and why
};

/// The subtree of `item` in a format, children in stored order, names trimmed. A name the
/// format cannot hold, or that would not read back the same, refuses the whole export.
OutlineExport exportOutline(const NodeTable& table, std::int32_t item, OutlineFormat format);

/// The tree as UTF-8 outline text, children in stored order, names trimmed, whatever they
/// hold. `blankNames` counts items whose name is all spaces (they have no outline form).
std::string dumpOutline(const NodeTable& table, int* blankNames = nullptr);

/// False for a name that no outline line can carry, so that reading the dump back would
/// lose or split it: all spaces, or holding a line break.
bool hasOutlineForm(const NameField& name);

} // namespace qm
