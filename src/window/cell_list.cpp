#include "window/cell_list.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <algorithm>
#include <array>

#include "store/name_codec.h"
#include "store/node_table.h"
#include "store/progress.h"
#include "store/sort_key.h"
#include "window/command_handler.h"
#include "window/names.h"

namespace qm {

namespace {

/// Each byte's place in case-insensitive order: bytes whose characters fold alike share it.
const RankTable& foldRanks() {
    static const RankTable ranks = [] {
        std::array<char32_t, 256> folded{};
        for (int b = 0; b < 256; ++b)
            folded[b] = QChar::toCaseFolded(decodeByte(static_cast<unsigned char>(b)));
        return rankTableFor(folded);
    }();
    return ranks;
}

std::uint8_t rankOf(char byte) {
    return foldRanks().rank[static_cast<unsigned char>(byte)];
}

constexpr std::int64_t kReportEvery = 1 << 16;

struct Reporter {
    Progress* progress;
    std::int64_t done = 0;
    std::int64_t reported = 0;
    void advance(std::size_t n) {
        done += static_cast<std::int64_t>(n);
        if (progress && done - reported >= kReportEvery) {
            progress->step(done);
            reported = done;
        }
    }
    void finish() {
        if (progress && done > reported)
            progress->step(done);
    }
};

/// Leading spaces skipped, does the name begin with `typed`, case-insensitively?
bool nameStartsWith(const NameField& name, const std::string& typed) {
    std::size_t at = 0;
    while (at < name.size() && name[at] == ' ')
        ++at;
    if (typed.size() > name.size() - at)
        return false;
    for (std::size_t i = 0; i < typed.size(); ++i)
        if (rankOf(name[at + i]) != rankOf(typed[i]))
            return false;
    return true;
}

/// Draws entries elided; shows the whole name as a tool tip only where it was cut.
class EntryDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QStyle* style = view->style();
        // The style draws the text inside these margins.
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, &opt, view) + 1;
        const int room =
            style->subElementRect(QStyle::SE_ItemViewItemText, &opt, view).width() - 2 * margin;
        if (opt.fontMetrics.horizontalAdvance(opt.text) > room)
            QToolTip::showText(event->globalPos(), index.data(Qt::ToolTipRole).toString(),
                               view->viewport(), opt.rect);
        else
            QToolTip::hideText();
        return true;
    }
};

} // namespace

CellListModel::CellListModel(const NodeTable& nodes, QObject* parent)
    : QAbstractListModel(parent), m_nodes(nodes) {}

void CellListModel::setChildren(std::int32_t parent, Progress* progress) {
    // Counted first, so that a list of millions is walked into memory allocated once.
    std::size_t n = 0;
    std::size_t split = 0; // entries with children, which come first
    const auto walk = [&](auto visit) {
        if (!m_nodes.isItem(parent))
            return;
        // Bounded, so a chain that runs in a circle cannot hang the window.
        std::int32_t steps = 0;
        for (std::int32_t c = m_nodes[parent].FirstChild;
             c >= 1 && c < m_nodes.capacity() && steps <= m_nodes.NodeCount();
             c = m_nodes[c].NextSibling, ++steps)
            visit(c);
    };
    walk([&](std::int32_t c) {
        ++n;
        split += m_nodes[c].hasChildren();
    });

    Reporter report{static_cast<std::int64_t>(n) >= kLongList ? progress : nullptr};
    if (report.progress)
        report.progress->start(2 * static_cast<std::int64_t>(n)); // made into keys, then sorted

    LargeVector<std::int32_t> listed(n); // in stored order, then in sorted order
    LargeVector<SortKey> keys(n);
    {
        const auto& ranks = foldRanks();
        std::size_t at = 0, withChildren = 0, without = split;
        walk([&](std::int32_t c) {
            const Node& node = m_nodes[c];
            listed[at] = c;
            keys[node.hasChildren() ? withChildren++ : without++] =
                sortKey(node.Name, static_cast<std::uint32_t>(at), ranks);
            ++at;
            report.advance(1);
        });
    }
    const auto sorted = [&report](std::size_t count) { report.advance(count); };
    sortKeys(keys.data(), keys.data() + split, sorted);
    sortKeys(keys.data() + split, keys.data() + n, sorted);
    report.finish();
    // The slots in sorted order, put where the stored order was: no list allocated twice.
    for (SortKey& key : keys)
        key.setTag(static_cast<std::uint32_t>(listed[key.tag()]));
    for (std::size_t i = 0; i < n; ++i)
        listed[i] = static_cast<std::int32_t>(keys[i].tag());
    keys = LargeVector<SortKey>(); // given back now: `= {}` would keep the memory

    beginResetModel();
    m_slots = std::move(listed);
    m_withChildren = static_cast<int>(split);
    endResetModel();
}

void CellListModel::clear() {
    beginResetModel();
    m_slots = {};
    m_withChildren = 0;
    endResetModel();
}

int CellListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_slots.size());
}

QString CellListModel::nameAt(int row) const {
    const std::int32_t slot = slotAt(row);
    return slot < m_nodes.capacity() ? trimmedNameText(m_nodes[slot].Name) : QString();
}

QString CellListModel::textAt(int row) const {
    const std::int32_t slot = slotAt(row);
    if (slot >= m_nodes.capacity())
        return {};
    // Leading spaces are the user's; the padding after the name only pushes it into "…".
    QString text = nameText(m_nodes[slot].Name);
    while (text.endsWith(u' '))
        text.chop(1);
    return hasChildrenAt(row) ? QStringLiteral("+ ") + text : text;
}

QVariant CellListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole:
        return textAt(row);
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole:
        return nameAt(row);
    case Qt::AccessibleDescriptionRole:
        return hasChildrenAt(row) ? QStringLiteral("has children") : QString();
    case SlotRole:
        return slotAt(row);
    default:
        return {};
    }
}

QModelIndexList CellListModel::match(const QModelIndex& start, int role, const QVariant& value,
                                     int hits, Qt::MatchFlags flags) const {
    const std::optional<std::string> typed = nameBytes(value.toString());
    if (role != Qt::DisplayRole || (flags & Qt::MatchTypeMask) != Qt::MatchStartsWith ||
        (flags & Qt::MatchCaseSensitive) || !start.isValid() || start.model() != this || !typed ||
        typed->empty())
        return QAbstractListModel::match(start, role, value, hits, flags);
    QModelIndexList found;
    const int n = rowCount();
    for (int i = 0; i < n && (hits < 0 || found.size() < hits); ++i) {
        int row = start.row() + i;
        if (row >= n) {
            if (!(flags & Qt::MatchWrap))
                break;
            row -= n;
        }
        const std::int32_t slot = slotAt(row);
        if (slot < m_nodes.capacity() && nameStartsWith(m_nodes[slot].Name, *typed))
            found << index(row);
    }
    return found;
}

int CellListModel::rowOfSlot(std::int32_t slot) const {
    const auto it = std::find(m_slots.begin(), m_slots.end(), slot);
    return it == m_slots.end() ? -1 : static_cast<int>(it - m_slots.begin());
}

CellList::CellList(int index, const NodeTable& nodes, QWidget* parent)
    : QListView(parent), m_index(index), m_model(new CellListModel(nodes, this)) {
    setObjectName(QStringLiteral("CLst_%1").arg(index));
    setModel(m_model);
    setItemDelegate(new EntryDelegate(this));
    setUniformItemSizes(true);
    setTextElideMode(Qt::ElideRight);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAccessibleName(QStringLiteral("Cell %1").arg(index));
}

int CellList::selectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

std::int32_t CellList::selectedSlot() const {
    const int row = selectedRow();
    return row < 0 ? 0 : m_model->slotAt(row);
}

void CellList::selectRow(int row) {
    const QModelIndex idx = m_model->index(row);
    selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect);
    scrollTo(idx);
}

void CellList::clearChoice() {
    selectionModel()->clear();
}

void CellList::syncCurrent() {
    const int row = selectedRow();
    const QModelIndex want = row < 0 ? QModelIndex() : m_model->index(row);
    if (currentIndex() != want)
        selectionModel()->setCurrentIndex(want, QItemSelectionModel::NoUpdate);
}

void CellList::focusInEvent(QFocusEvent* event) {
    // The view marks its first row as current on focus; only a selected row may look so.
    QListView::focusInEvent(event);
    syncCurrent();
    // Focus given by the program has already run the handler.
    if (event->reason() != Qt::OtherFocusReason)
        emit focused(m_index);
}

bool CellList::navigate(const QKeyEvent* event) {
    CursorAction action;
    bool forward = true; // where a list without a selection starts
    switch (event->key()) {
    case Qt::Key_Up:
        action = MoveUp, forward = false;
        break;
    case Qt::Key_Down:
        action = MoveDown;
        break;
    case Qt::Key_Home:
        action = MoveHome;
        break;
    case Qt::Key_End:
        action = MoveEnd, forward = false;
        break;
    case Qt::Key_PageUp:
        action = MovePageUp, forward = false;
        break;
    case Qt::Key_PageDown:
        action = MovePageDown;
        break;
    default:
        return false;
    }
    const int rows = m_model->rowCount();
    if (rows == 0)
        return true;
    int row = forward ? 0 : rows - 1;
    if (selectedRow() >= 0) {
        syncCurrent();
        const QModelIndex to = moveCursor(action, event->modifiers());
        row = to.isValid() ? to.row() : selectedRow();
    }
    selectRow(row);
    return true;
}

QPoint CellList::menuPosition() {
    const int row = selectedRow();
    if (row < 0)
        return viewport()->mapToGlobal(QPoint(0, 0));
    const QModelIndex idx = m_model->index(row);
    scrollTo(idx);
    return viewport()->mapToGlobal(visualRect(idx).center());
}

void CellList::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
    case Qt::Key_Right:
        emit openRequested(m_index);
        return;
    case Qt::Key_Escape:
    case Qt::Key_Left:
        emit escapePressed(m_index);
        return;
    case Qt::Key_Menu:
        emit contextMenuRequested(m_index, menuPosition());
        return;
    case Qt::Key_F10:
        if (event->modifiers() & Qt::ShiftModifier) {
            emit contextMenuRequested(m_index, menuPosition());
            return;
        }
        break;
    default:
        break;
    }
    if (navigate(event))
        return;
    if (event->text() == QLatin1String("+")) {
        emit editKey(m_index, EditAdd);
        return;
    }
    if (event->text() == QLatin1String("-")) {
        emit editKey(m_index, EditDelete);
        return;
    }
    QListView::keyPressEvent(event);
    syncCurrent();
}

void CellList::mousePressEvent(QMouseEvent* event) {
    // A right click acts on the entry under it: it is selected and its cell made current
    // before the menu comes up. On empty space the selection stays.
    if (event->button() == Qt::RightButton) {
        const QModelIndex idx = indexAt(event->position().toPoint());
        if (idx.isValid())
            selectRow(idx.row());
        if (!hasFocus())
            setFocus(Qt::MouseFocusReason);
        event->accept();
        return;
    }
    QListView::mousePressEvent(event);
    syncCurrent();
}

void CellList::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        emit contextMenuRequested(m_index, event->globalPosition().toPoint());
        event->accept();
        return;
    }
    QListView::mouseReleaseEvent(event);
    syncCurrent();
}

void CellList::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QListView::mouseDoubleClickEvent(event);
    syncCurrent();
    emit openRequested(m_index);
}

} // namespace qm
