#pragma once
// Trees as indented text: one name a line, two spaces per level, the top item first.

#include <string>
#include <string_view>

#include "store/node_table.h"

namespace qm {

struct OutlineResult {
    bool ok = false;
    int errorLine = 0; // 1-based line of the fault when !ok
    std::string error;
    NodeTable table;
};

/// Builds a new table from UTF-8 outline text. Each line takes the next slot and is linked
/// as the last child of its parent, as adding the items one by one would.
OutlineResult parseOutline(std::string_view utf8);

/// The tree as UTF-8 outline text, children in stored order, names trimmed.
/// `blankNames` counts items whose name is all spaces (they have no outline form).
std::string dumpOutline(const NodeTable& table, int* blankNames = nullptr);

/// False for a name that no outline line can carry, so that reading the dump back would
/// lose or split it: all spaces, or holding a line break.
bool hasOutlineForm(const NameField& name);

} // namespace qm
