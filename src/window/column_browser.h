#pragma once
// The column area: 15 cells in 5 columns by 3 rows, each listing the children of one node,
// linked into a snake-shaped path from the top item down to the node being worked on.

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "store/cells_file.h"
#include "store/node_table.h"
#include "window/cell_list.h"
#include "window/twips_layout.h"

class QLabel;

namespace qm {

class CellList;
class CellPanel;
class Progress;
class Prompter;

/// The item the user is at: the current cell's own item and the entry selected in it. Each
/// command reads what its rules need; a field is 0 when it names no item in use.
struct BrowserTarget {
    int cel = -1;           // the current cell, -1 when none
    std::int32_t item = 0;  // the item whose children the cell lists
    std::int32_t entry = 0; // the item of the selected entry
    /// The selected entry, else the cell's own item.
    std::int32_t entryOrItem() const { return entry ? entry : item; }
};

class ColumnBrowser : public QWidget {
    Q_OBJECT
public:
    enum Mode { Plain = 0, OnPath = 1, Current = 2 };

    ColumnBrowser(NodeTable& nodes, Prompter& prompter, QWidget* parent = nullptr);

    /// Lays the cells out at a zoom; their fonts are the window's.
    void setScale(twips::Scale scale);

    void Cells_Reset();
    void Cell_Clear(int cel);
    void Cell_Update(std::int32_t nod);
    void Cell_Show(int cel, std::int32_t nod);
    void Cell_Fill(int cel);
    void Cell_LinkShowNext(int a, int b, std::int32_t nod);
    void Cell_LinkShowPrev(int a, int b, std::int32_t nod);

    /// Gives the keyboard focus to a cell's list and runs its focus handler at once.
    void focusCell(int cel);
    /// Opens the selected entry of a cell in the next cell of the path.
    void openEntry(int cel);
    /// Puts back the cells a cells file recorded, showing each that names a node, and makes
    /// the recorded current cell current again (cell 0 when none was). Runs right after
    /// Cells_Reset, so a cell 0 that already lists its node is not filled again.
    void restoreCells(const std::vector<Cell>& records);
    /// Selects the entry of an item in a cell's list, where it is listed.
    void selectEntry(int cel, std::int32_t slot);
    /// Selects the entry of an item in a cell's list, or none where it is not listed.
    void selectOnly(int cel, std::int32_t slot);
    /// Makes the reporter of one fill, kept until the fill is over; a very long list
    /// reports to it while it sorts.
    using ProgressMaker = std::function<std::unique_ptr<Progress>()>;
    void setFillProgress(ProgressMaker make) { m_fillProgress = std::move(make); }

    const CellArray& cells() const { return m_cells; }
    int CurCel() const { return m_curCel; }
    void setCurCel(int cel) { m_curCel = cel; }
    /// Slot of the entry selected in a cell's list, 0 when none.
    std::int32_t selectedSlot(int cel) const;
    /// Which item the user is at.
    BrowserTarget target() const;

    CellList* list(int cel) const { return m_lists[cel]; }
    QLabel* header(int cel) const { return m_headers[cel]; }
    QWidget* panel(int cel) const;

    /// The cells a path of m cells (1..11) runs through, in path order.
    static std::vector<int> pathLayout(int m);

signals:
    void editCommand(int menuIndex);
    void contextMenuRequested(const QPoint& globalPos);
    void headerHovered();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void gotFocus(int cel);
    void Cell_SetMode(int cel, int mode);
    /// The header shows the name, cut with "…" where it does not fit; the list is named by it.
    void setHeader(int cel, const QString& name);
    void goBack(int cel);
    void link(int a, int b);
    bool isShown(std::int32_t nod) const;

    NodeTable& m_nodes;
    Prompter& m_prompter;
    CellArray m_cells;
    int m_curCel = -1;
    std::array<CellPanel*, kCellCount> m_panels{};
    std::array<QLabel*, kCellCount> m_headers{};
    std::array<CellList*, kCellCount> m_lists{};
    ProgressMaker m_fillProgress;
    TwipsLayout m_layout;
};

} // namespace qm
