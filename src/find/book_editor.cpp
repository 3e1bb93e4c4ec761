#include "find/book_editor.h"

#include <QEvent>
#include <QListWidget>
#include <QPushButton>

#include "window/fixed_dialog.h"

namespace qm {

BookEditor::BookEditor(const QStringList& names, const twips::Scale& scale, QWidget* parent)
    : QDialog(parent, kFixedDialogFlags), m_names(names), m_layout(scale) {
    setObjectName(QStringLiteral("frmBook"));
    setWindowTitle(QStringLiteral("QuillMar Bookmarks"));
    setModal(true);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8); // the twips layout is drawn for it
    m_layout.setFont(this, font);

    m_lst = m_layout.place(new QListWidget(this), 120, 120, 9495, 1620);
    m_lst->setObjectName(QStringLiteral("lst"));
    m_lst->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lst->installEventFilter(this);

    const QStringList captions{QStringLiteral("Move UP"), QStringLiteral("Move DOWN"),
                               QStringLiteral("DELETE"), QStringLiteral("CANCEL"),
                               QStringLiteral("OK")};
    const std::array<double, 5> lefts{120, 1560, 3360, 7080, 8400};
    const std::array<double, 5> widths{1335, 1695, 1215, 1215, 1215};
    for (int i = 0; i < 5; ++i) {
        m_cmd[i] =
            m_layout.place(new QPushButton(captions[i], this), lefts[i], 1800, widths[i], 375);
        m_cmd[i]->setObjectName(QStringLiteral("cmd_%1").arg(i));
        // Enter belongs to OK wherever the focus is.
        m_cmd[i]->setAutoDefault(false);
    }
    m_cmd[Ok]->setDefault(true);

    connect(m_cmd[MoveUp], &QPushButton::clicked, this, &BookEditor::moveUp);
    connect(m_cmd[MoveDown], &QPushButton::clicked, this, &BookEditor::moveDown);
    connect(m_cmd[Delete], &QPushButton::clicked, this, &BookEditor::deleteEntry);
    // Escape rejects, as CANCEL does.
    connect(m_cmd[Cancel], &QPushButton::clicked, this, &QDialog::reject);
    connect(m_cmd[Ok], &QPushButton::clicked, this, &QDialog::accept);
    connect(m_lst, &QListWidget::itemSelectionChanged, this, &BookEditor::updateButtons);

    m_layout.fixSize(this, 9735, 2295);
    Lst_Fill();
}

bool BookEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_lst && event->type() == QEvent::FocusIn)
        updateButtons();
    return QDialog::eventFilter(watched, event);
}

void BookEditor::Lst_Fill() {
    m_lst->clear();
    m_lst->addItems(m_names);
    m_lst->setCurrentRow(-1);
    m_lst->clearSelection();
    updateButtons();
}

int BookEditor::selectedRow() const {
    const QList<QListWidgetItem*> items = m_lst->selectedItems();
    return items.isEmpty() ? -1 : m_lst->row(items.first());
}

void BookEditor::select(int row) {
    if (row >= 0 && row < m_lst->count())
        m_lst->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    updateButtons();
}

void BookEditor::updateButtons() {
    const int count = static_cast<int>(m_names.size());
    const int q = selectedRow() + 1; // the selected position, 0 when none
    // With nothing selected no button may act on an entry.
    m_cmd[MoveUp]->setEnabled(q > 1);
    m_cmd[MoveDown]->setEnabled(q >= 1 && q < count);
    m_cmd[Delete]->setEnabled(q >= 1);
}

void BookEditor::moveUp() {
    const int x = selectedRow();
    if (x < 1)
        return;
    m_names.swapItemsAt(x - 1, x);
    Lst_Fill();
    select(x - 1);
}

void BookEditor::moveDown() {
    const int x = selectedRow();
    if (x < 0 || x + 1 >= m_names.size())
        return;
    m_names.swapItemsAt(x, x + 1);
    Lst_Fill();
    select(x + 1);
}

void BookEditor::deleteEntry() {
    const int x = selectedRow();
    if (x >= 0) {
        m_names.removeAt(x);
        Lst_Fill();
        select(x < m_names.size() ? x : x - 1);
    }
    m_lst->setFocus();
}

} // namespace qm
