#include "window/cell_list.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

#include "window/main_menu.h"

namespace qm {

void CellListModel::setEntries(std::vector<Entry> entries) {
    // Sort on folded keys computed once; comparing QStrings case-insensitively per
    // comparison is several times slower on large lists.
    std::vector<std::pair<QString, std::size_t>> keys;
    keys.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        keys.emplace_back(entries[i].text.toCaseFolded(), i);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Entry> sorted;
    sorted.reserve(entries.size());
    for (const auto& k : keys)
        sorted.push_back(std::move(entries[k.second]));
    beginResetModel();
    m_entries = std::move(sorted);
    endResetModel();
}

int CellListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

QVariant CellListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Entry& e = m_entries[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole)
        return e.text;
    if (role == SlotRole)
        return e.slot;
    return {};
}

int CellListModel::rowOfSlot(std::int32_t slot) const {
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].slot == slot)
            return static_cast<int>(i);
    return -1;
}

CellList::CellList(int index, QWidget* parent)
    : QListView(parent), m_index(index), m_model(new CellListModel(this)) {
    setObjectName(QStringLiteral("CLst_%1").arg(index));
    setModel(m_model);
    setUniformItemSizes(true);
    setTextElideMode(Qt::ElideNone);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setContextMenuPolicy(Qt::NoContextMenu);
}

std::int32_t CellList::selectedSlot() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : m_model->slotAt(rows.first().row());
}

void CellList::selectRow(int row) {
    const QModelIndex idx = m_model->index(row);
    selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect);
    scrollTo(idx);
}

void CellList::focusInEvent(QFocusEvent* event) {
    QListView::focusInEvent(event);
    // Focus given by the program has already run the handler.
    if (event->reason() != Qt::OtherFocusReason)
        emit focused(m_index);
}

void CellList::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        emit openRequested(m_index);
        return;
    case Qt::Key_Escape:
        emit escapePressed(m_index);
        return;
    default:
        break;
    }
    if (event->text() == QLatin1String("+")) {
        emit editKey(m_index, EditAdd);
        return;
    }
    if (event->text() == QLatin1String("-")) {
        emit editKey(m_index, EditDelete);
        return;
    }
    QListView::keyPressEvent(event);
}

void CellList::mousePressEvent(QMouseEvent* event) {
    // A right click leaves the selection as it is; it only takes the focus.
    if (event->button() == Qt::RightButton) {
        if (!hasFocus())
            setFocus(Qt::MouseFocusReason);
        event->accept();
        return;
    }
    QListView::mousePressEvent(event);
}

void CellList::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        emit contextMenuRequested(m_index, event->globalPosition().toPoint());
        event->accept();
        return;
    }
    QListView::mouseReleaseEvent(event);
}

void CellList::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QListView::mouseDoubleClickEvent(event);
    emit openRequested(m_index);
}

} // namespace qm
