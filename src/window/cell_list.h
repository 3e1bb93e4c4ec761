#pragma once
// The list of one cell: a sorted model of one node's children and the view that shows it.

#include <QAbstractListModel>
#include <QListView>
#include <QString>
#include <cstdint>
#include <vector>

#include "store/large_array.h"

namespace qm {

class NodeTable;
class Progress;

/// The children of one node, entries with children first, each group in case-insensitive
/// order of its names. Only the slots are kept; texts are made from the table when shown.
class CellListModel : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int SlotRole = Qt::UserRole;
    static constexpr std::int64_t kLongList = 200000;

    CellListModel(const NodeTable& nodes, QObject* parent);
    /// Lists the children of `parent`; nothing when it is not an item in use. A list of at
    /// least kLongList entries reports its progress while it sorts.
    void setChildren(std::int32_t parent, Progress* progress = nullptr);
    void clear();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    /// Type-to-select looks at the names: the "+ " mark is not typed.
    QModelIndexList match(const QModelIndex& start, int role, const QVariant& value, int hits,
                          Qt::MatchFlags flags) const override;

    std::int32_t slotAt(int row) const { return m_slots[static_cast<std::size_t>(row)]; }
    bool hasChildrenAt(int row) const { return row < m_withChildren; }
    /// "+ " and the name for an entry with children, the name alone otherwise; the
    /// padding after the name is left off.
    QString textAt(int row) const;
    /// The name without its padding, as the user reads it.
    QString nameAt(int row) const;
    /// First row whose slot is `slot`, or -1.
    int rowOfSlot(std::int32_t slot) const;

private:
    const NodeTable& m_nodes;
    LargeVector<std::int32_t> m_slots;
    int m_withChildren = 0; // the first rows, those shown with "+ "
};

/// A cell's list box. Reports the keys and clicks the column browser acts on; the row
/// shown as current is always the selected one.
class CellList : public QListView {
    Q_OBJECT
public:
    CellList(int index, const NodeTable& nodes, QWidget* parent);
    int index() const { return m_index; }
    CellListModel* entries() const { return m_model; }
    /// Slot of the selected entry, or 0 when none is selected.
    std::int32_t selectedSlot() const;
    /// Row of the selected entry, or -1.
    int selectedRow() const;
    void selectRow(int row);
    /// No entry selected, and none marked as current.
    void clearChoice();

signals:
    void focused(int index);
    void openRequested(int index);
    void escapePressed(int index);
    void editKey(int index, int menuIndex);
    void contextMenuRequested(int index, const QPoint& globalPos);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    /// Moves the selection for a navigation key; false for any other key.
    bool navigate(const QKeyEvent* event);
    /// Makes the current row the selected one, or none when nothing is selected.
    void syncCurrent();
    QPoint menuPosition();

    int m_index;
    CellListModel* m_model;
};

} // namespace qm
