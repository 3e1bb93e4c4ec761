#pragma once
// Laying the path to an item out in the cells all at once, by the path-layout table.

#include <cstdint>

namespace qm {

class MainWindow;

/// Shows the path from the top item to the item, the item itself in the last cell listing its
/// children, makes that cell current and brings the main window to the front. An item deeper
/// than the cells reach is shown as the selected entry of the last cell (its ancestor there).
/// False, with nothing changed, when the slot holds no item of the tree.
bool Path_Reveal(MainWindow& window, std::int32_t item);

/// Shows the path down to the item's parent and selects the item in the last cell; a child
/// of the top item is shown in cell 5 itself, with nothing selected. Deeper than the cells
/// reach, the item's ancestor in the last cell is selected.
bool Bookmark_Reveal(MainWindow& window, std::int32_t item);

} // namespace qm
