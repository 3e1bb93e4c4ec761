#include "window/column_browser.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include "store/progress.h"
#include "window/cell_list.h"
#include "window/names.h"
#include "window/prompter.h"

namespace qm {

/// A cell's background panel; its colour shows the cell's state.
class CellPanel : public QWidget {
public:
    CellPanel(int index, QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("CPn_%1").arg(index));
        setAutoFillBackground(true);
    }
    void setScale(twips::Scale scale) {
        m_scale = scale;
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QWidget::paintEvent(event);
        QPainter p(this);
        const QColor frame(64, 64, 64);
        const QSize r = m_scale.size(1980, 2460);
        const int n = m_scale.lineWidth();
        p.fillRect(0, 0, r.width(), n, frame);
        p.fillRect(0, 0, n, r.height(), frame);
        p.fillRect(0, r.height() - n, r.width(), n, frame);
        p.fillRect(r.width() - n, 0, n, r.height(), frame);
    }

private:
    twips::Scale m_scale;
};

namespace {

constexpr int kRowLength = 5;

// Read by screen readers with each list, beside its name.
QString modeDescription(int mode) {
    switch (mode) {
    case ColumnBrowser::OnPath:
        return QStringLiteral("On the path");
    case ColumnBrowser::Current:
        return QStringLiteral("Current cell");
    default:
        return {};
    }
}

QColor modeColour(int mode, const QPalette& base) {
    switch (mode) {
    case ColumnBrowser::OnPath:
        return QColor(64, 160, 64);
    case ColumnBrowser::Current:
        return QColor(64, 224, 64);
    default:
        return base.color(QPalette::Button);
    }
}

} // namespace

ColumnBrowser::ColumnBrowser(NodeTable& nodes, Prompter& prompter, QWidget* parent)
    : QWidget(parent), m_nodes(nodes), m_prompter(prompter) {
    setObjectName(QStringLiteral("CPn_15"));
    m_layout.fixSize(this, 10310, 7665);
    for (int i = 0; i < kCellCount; ++i) {
        const int row = i / kRowLength;
        const int column = i % kRowLength;
        auto* panel = new CellPanel(i, this);
        m_layout.place(panel, 60 + 2040 * column, 60 + 2520 * row, 1995, 2475);
        panel->installEventFilter(this);
        auto* header = new QLabel(panel);
        header->setObjectName(QStringLiteral("CLab_%1").arg(i));
        m_layout.place(header, 120, 60, 1815, 255);
        header->setMouseTracking(true);
        header->installEventFilter(this);
        auto* list = new CellList(i, nodes, panel);
        m_layout.place(list, 60, 300, 1875, 2100);
        connect(list, &CellList::focused, this, &ColumnBrowser::gotFocus);
        connect(list, &CellList::openRequested, this, &ColumnBrowser::openEntry);
        connect(list, &CellList::escapePressed, this, &ColumnBrowser::goBack);
        connect(list, &CellList::editKey, this,
                [this](int, int menuIndex) { emit editCommand(menuIndex); });
        connect(list, &CellList::contextMenuRequested, this,
                [this](int, const QPoint& pos) { emit contextMenuRequested(pos); });
        m_panels[i] = panel;
        m_headers[i] = header;
        m_lists[i] = list;
        Cell_SetMode(i, Plain);
    }
}

void ColumnBrowser::setScale(twips::Scale scale) {
    m_layout.setScale(scale);
    for (int i = 0; i < kCellCount; ++i) {
        m_panels[i]->setScale(scale);
        // The header's room changed: cut the whole name afresh.
        const QLabel* header = m_headers[i];
        setHeader(i, header->toolTip().isEmpty() ? header->text() : header->toolTip());
    }
}

QWidget* ColumnBrowser::panel(int cel) const {
    return m_panels[cel];
}

bool ColumnBrowser::eventFilter(QObject* watched, QEvent* event) {
    for (int i = 0; i < kCellCount; ++i) {
        if (watched == m_headers[i] && event->type() == QEvent::MouseMove)
            emit headerHovered();
        if ((watched == m_headers[i] || watched == m_panels[i]) &&
            event->type() == QEvent::MouseButtonPress &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            focusCell(i);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

std::vector<int> ColumnBrowser::pathLayout(int m) {
    static const std::vector<int> kShort{0, 5, 10};
    static const std::vector<std::vector<int>> kRows{
        {0, 1, 6, 11}, {0, 1, 2, 7, 12}, {0, 1, 2, 3, 8, 13}, {0, 1, 2, 3, 4, 9, 14}};
    static const std::vector<int> kLong{0, 1, 2, 3, 4, 9, 14, 13, 12, 11, 10};
    if (m <= 3)
        return {kShort.begin(), kShort.begin() + std::max(m, 0)};
    if (m <= 7)
        return kRows[m - 4];
    return {kLong.begin(), kLong.begin() + std::min(m, 11)};
}

bool ColumnBrowser::isShown(std::int32_t nod) const {
    return nod >= 1 && nod < m_nodes.capacity() && m_nodes[nod].inUse();
}

std::int32_t ColumnBrowser::selectedSlot(int cel) const {
    return cel >= 0 && cel < kCellCount ? m_lists[cel]->selectedSlot() : 0;
}

BrowserTarget ColumnBrowser::target() const {
    BrowserTarget t;
    if (m_curCel < 0 || m_curCel >= kCellCount)
        return t;
    t.cel = m_curCel;
    const std::int32_t own = m_cells[m_curCel].Nod;
    t.item = m_nodes.isItem(own) ? own : 0;
    // The top item heads cell 0 and is never an entry of a list.
    const std::int32_t s = selectedSlot(m_curCel);
    t.entry = s >= 2 && m_nodes.isItem(s) ? s : 0;
    return t;
}

void ColumnBrowser::Cell_SetMode(int cel, int mode) {
    m_cells[cel].Mode = static_cast<std::int16_t>(mode);
    if (mode < Plain || mode > Current)
        return;
    QPalette pal = m_panels[cel]->palette();
    pal.setColor(QPalette::Window, modeColour(mode, palette()));
    m_panels[cel]->setPalette(pal);
    // Dark text on the greens whatever the theme; on the plain panel the theme's own pair.
    QPalette text = m_headers[cel]->palette();
    text.setColor(QPalette::WindowText,
                  mode == Plain ? palette().color(QPalette::ButtonText) : QColor(Qt::black));
    m_headers[cel]->setPalette(text);
    // A cell off the path keeps its list, but nothing in it may look like a live choice.
    CellList* list = m_lists[cel];
    QPalette entries = list->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive})
        entries.setColor(
            group, QPalette::Text,
            palette().color(mode == Plain ? QPalette::Disabled : group, QPalette::Text));
    list->setPalette(entries);
    if (mode == Plain)
        list->clearChoice();
    list->setAccessibleDescription(modeDescription(mode));
}

void ColumnBrowser::changeEvent(QEvent* event) {
    // The plain panels take the theme's colours: follow a new theme.
    if (event->type() == QEvent::PaletteChange)
        for (int i = 0; i < kCellCount; ++i)
            Cell_SetMode(i, m_cells[i].Mode);
    QWidget::changeEvent(event);
}

void ColumnBrowser::setHeader(int cel, const QString& name) {
    QLabel* header = m_headers[cel];
    const QString shown =
        header->fontMetrics().elidedText(name, Qt::ElideRight, header->contentsRect().width());
    header->setText(shown);
    header->setToolTip(shown == name ? QString() : name);
    m_lists[cel]->setAccessibleName(name.isEmpty()
                                        ? QStringLiteral("Cell %1").arg(cel)
                                        : QStringLiteral("Cell %1: %2").arg(cel).arg(name));
}

void ColumnBrowser::Cell_Fill(int cel) {
    CellList* list = m_lists[cel];
    const std::int32_t keep = list->selectedSlot();
    const std::int32_t p = m_cells[cel].Nod;
    if (isShown(p)) {
        const std::unique_ptr<Progress> progress = m_fillProgress ? m_fillProgress() : nullptr;
        list->entries()->setChildren(p, progress.get());
    } else {
        list->entries()->clear();
        setHeader(cel, QString());
    }
    // A refill keeps the entry the user had selected, where it is still listed.
    if (keep >= 1)
        selectEntry(cel, keep);
}

void ColumnBrowser::selectEntry(int cel, std::int32_t slot) {
    const int row = m_lists[cel]->entries()->rowOfSlot(slot);
    if (row >= 0)
        m_lists[cel]->selectRow(row);
}

void ColumnBrowser::selectOnly(int cel, std::int32_t slot) {
    const int row = m_lists[cel]->entries()->rowOfSlot(slot);
    if (row >= 0)
        m_lists[cel]->selectRow(row);
    else
        m_lists[cel]->clearChoice();
}

void ColumnBrowser::Cell_Show(int cel, std::int32_t nod) {
    m_cells[cel].Nod = nod;
    setHeader(cel, nod >= 0 && nod < m_nodes.capacity() ? trimmedNameText(m_nodes[nod].Name)
                                                        : QString());
    Cell_Fill(cel);
}

void ColumnBrowser::link(int a, int b) {
    m_cells[b].PrevCel = static_cast<std::int16_t>(a);
    m_cells[b].PrevNod = m_cells[a].Nod;
    m_cells[a].NextCel = static_cast<std::int16_t>(b);
    m_cells[a].NextNod = m_cells[b].Nod;
}

void ColumnBrowser::Cell_LinkShowNext(int a, int b, std::int32_t nod) {
    Cell_Show(b, nod);
    link(a, b);
}

void ColumnBrowser::Cell_LinkShowPrev(int a, int b, std::int32_t nod) {
    Cell_Show(a, nod);
    link(a, b);
}

void ColumnBrowser::Cell_Clear(int cel) {
    m_cells[cel] = Cell{};
    Cell_SetMode(cel, Plain);
    setHeader(cel, QString());
    m_lists[cel]->entries()->clear();
}

void ColumnBrowser::Cells_Reset() {
    for (int i = 0; i < kCellCount; ++i)
        Cell_Clear(i);
    if (!m_nodes.hasTree())
        return;
    Cell_Show(0, 1);
    focusCell(1);
    focusCell(0);
}

void ColumnBrowser::Cell_Update(std::int32_t nod) {
    if (nod < 1 || nod >= m_nodes.capacity())
        return;
    const std::int32_t parent = m_nodes[nod].Parent;
    for (int i = 0; i < kCellCount; ++i) {
        if (m_cells[i].Nod == nod) {
            setHeader(i, trimmedNameText(m_nodes[nod].Name));
            Cell_Fill(i);
        } else if (parent >= 1 && m_cells[i].Nod == parent) {
            Cell_Fill(i);
        }
    }
    if (m_curCel >= 0)
        gotFocus(m_curCel);
}

void ColumnBrowser::restoreCells(const std::vector<Cell>& records) {
    for (std::size_t i = 0; i < records.size() && i < kCellCount; ++i) {
        const int cel = static_cast<int>(i);
        // Cell 0 always shows the top item; a record that names nothing cannot replace it.
        if (cel == 0 && records[i].Nod < 1)
            continue;
        // A very long list is not sorted twice.
        const bool listed = m_cells[i].Nod >= 1 && m_cells[i].Nod == records[i].Nod;
        m_cells[i] = records[i];
        if (records[i].Nod >= 1 && !listed)
            Cell_Show(cel, records[i].Nod);
    }
    if (m_cells[0].Nod < 1)
        return;
    // The cell that was current when the cells were saved is current again, so its path is
    // drawn as it was, however the file was opened.
    int current = 0;
    for (int i = 0; i < kCellCount; ++i) {
        if (m_cells[i].Mode == Current && m_cells[i].Nod >= 1) {
            current = i;
            break;
        }
    }
    focusCell(current);
    // Its own selection is not kept; the entry it last opened stands for it.
    selectEntry(current, m_cells[current].NextNod);
}

void ColumnBrowser::focusCell(int cel) {
    m_lists[cel]->setFocus(Qt::OtherFocusReason);
    gotFocus(cel);
}

void ColumnBrowser::gotFocus(int index) {
    if (m_cells[index].Nod == 0)
        return;
    m_curCel = index;
    std::array<int, kCellCount> mode{}; // all plain
    mode[index] = Current;
    int c = index;
    int k = m_cells[c].PrevCel;
    // A cell met twice ends the walk, so links that run in a circle cannot hang the window.
    while (k >= 0 && k < kCellCount && mode[k] == Plain) {
        if (m_cells[c].PrevNod != m_cells[k].Nod)
            Cell_LinkShowPrev(k, c, m_cells[c].PrevNod);
        else
            link(k, c); // k may last have opened another entry: the path runs on through c
        c = k;
        selectOnly(c, m_cells[c].NextNod);
        mode[c] = OnPath;
        k = m_cells[c].PrevCel;
    }
    for (int i = 0; i < kCellCount; ++i)
        Cell_SetMode(i, mode[i]);
}

void ColumnBrowser::openEntry(int index) {
    m_curCel = index;
    const std::int32_t s = m_lists[index]->selectedSlot();
    if (s < 1)
        return;
    const int prev = m_cells[index].PrevCel;
    if (index < 10) {
        Cell_LinkShowNext(index, index + 5, s);
        focusCell(index + 5);
    } else if (prev >= 10) {
        if (index == 10) {
            m_prompter.alert(QStringLiteral("Maximum depth"));
            return;
        }
        Cell_LinkShowNext(index, index - 1, s);
        focusCell(index - 1);
    } else if (index == 14) {
        Cell_LinkShowNext(14, 13, s);
        focusCell(13);
    } else {
        // The path came down from above: shift its hanging part one column to the right.
        Cell_LinkShowNext(index - 10, index - 9, m_cells[index - 5].Nod);
        Cell_LinkShowNext(index - 9, index - 4, m_cells[index].Nod);
        Cell_LinkShowNext(index - 4, index + 1, s);
        focusCell(index + 1);
    }
}

void ColumnBrowser::goBack(int index) {
    const int prev = m_cells[index].PrevCel;
    if (index >= 1 && prev >= 0 && prev < kCellCount)
        focusCell(prev);
}

} // namespace qm
