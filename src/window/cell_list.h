#pragma once
// The list of one cell: a sorted model of one node's children and the view that shows it.

#include <QAbstractListModel>
#include <QListView>
#include <QString>
#include <cstdint>
#include <vector>

namespace qm {

/// The entries of one cell, kept sorted case-insensitively; each carries its item's slot.
class CellListModel : public QAbstractListModel {
    Q_OBJECT
public:
    struct Entry {
        QString text;
        std::int32_t slot;
    };
    static constexpr int SlotRole = Qt::UserRole;

    using QAbstractListModel::QAbstractListModel;
    /// Replaces every entry; sorts them.
    void setEntries(std::vector<Entry> entries);
    void clear() { setEntries({}); }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    std::int32_t slotAt(int row) const { return m_entries[static_cast<std::size_t>(row)].slot; }
    QString textAt(int row) const { return m_entries[static_cast<std::size_t>(row)].text; }
    /// First row whose slot is `slot`, or -1.
    int rowOfSlot(std::int32_t slot) const;

private:
    std::vector<Entry> m_entries;
};

/// A cell's list box. Reports the keys and clicks the column browser acts on.
class CellList : public QListView {
    Q_OBJECT
public:
    CellList(int index, QWidget* parent);
    int index() const { return m_index; }
    CellListModel* entries() const { return m_model; }
    /// Slot of the selected entry, or 0 when none is selected.
    std::int32_t selectedSlot() const;
    void selectRow(int row);

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
    int m_index;
    CellListModel* m_model;
};

} // namespace qm
