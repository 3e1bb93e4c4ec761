#include "find/path_reveal.h"

#include <algorithm>
#include <vector>

#include "window/cell_list.h"
#include "window/main_window.h"

namespace qm {

namespace {

// The cells show levels 0 (the top item, cell 0) to 10 (cell 10).
constexpr int kDeepestLevel = 10;

// The item and its ancestors, top item first: entry k is the ancestor at level k. Empty when
// the chain does not lead up to the top item.
std::vector<std::int32_t> chainDown(const NodeTable& table, std::int32_t item) {
    std::vector<std::int32_t> chain;
    std::int32_t steps = table.capacity();
    std::int32_t n = item;
    for (; table.isItem(n) && n != 1 && steps-- > 0; n = table[n].Parent)
        chain.push_back(n);
    if (n != 1 || !table.isItem(1))
        return {};
    chain.push_back(1);
    std::reverse(chain.begin(), chain.end());
    return chain;
}

// Lays the chain out down to level `depth` and focuses that cell; returns it.
int layOut(ColumnBrowser& browser, const std::vector<std::int32_t>& chain, int depth) {
    const std::vector<int> cells = ColumnBrowser::pathLayout(depth + 1);
    // Cell 0 holds the top item; the links below rely on it.
    if (browser.cells()[0].Nod != 1)
        browser.Cell_Show(0, 1);
    for (int k = 1; k <= depth; ++k)
        browser.Cell_LinkShowNext(cells[k - 1], cells[k], chain[k]);
    browser.focusCell(cells[depth]);
    return cells[depth];
}

// Selects the entry of `slot` in the cell's list, or nothing when it is not listed there.
void selectEntry(ColumnBrowser& browser, int cel, std::int32_t slot) {
    CellList* list = browser.list(cel);
    const int row = list->entries()->rowOfSlot(slot);
    if (row >= 0)
        list->selectRow(row);
    else
        list->clearSelection();
}

} // namespace

bool Path_Reveal(MainWindow& window, std::int32_t item) {
    const std::vector<std::int32_t> chain = chainDown(window.nodes(), item);
    if (chain.empty())
        return false;
    const int level = static_cast<int>(chain.size()) - 1;
    window.raise();
    window.activateWindow();
    ColumnBrowser& browser = window.browser();
    const int last = layOut(browser, chain, std::min(level, kDeepestLevel));
    if (level > kDeepestLevel)
        selectEntry(browser, last, chain[kDeepestLevel + 1]);
    return true;
}

bool Bookmark_Reveal(MainWindow& window, std::int32_t item) {
    const std::vector<std::int32_t> chain = chainDown(window.nodes(), item);
    if (chain.empty())
        return false;
    const int level = static_cast<int>(chain.size()) - 1;
    ColumnBrowser& browser = window.browser();
    if (level == 1) {
        // A child of the top item opens in cell 5, listing its own children.
        if (browser.cells()[0].Nod != 1)
            browser.Cell_Show(0, 1);
        browser.Cell_LinkShowNext(0, 5, item);
        browser.focusCell(5);
        browser.list(5)->clearSelection();
        return true;
    }
    const int depth = std::clamp(level - 1, 0, kDeepestLevel);
    const int last = layOut(browser, chain, depth);
    selectEntry(browser, last, chain[depth + 1 <= level ? depth + 1 : level]);
    return true;
}

} // namespace qm
