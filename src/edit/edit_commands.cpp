#include "edit/edit_commands.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "store/outline.h"
#include "store/tree_edit.h"
#include "window/main_window.h"
#include "window/names.h"
#include "window/prompter.h"

namespace qm {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Larger subtrees stay in the buffer: their text would keep the window waiting, and the
// programs they are pasted into.
constexpr std::int32_t kClipboardItems = 100000;

/// True when a child of `parent` has the trimmed name `name` (bytes, case distinct).
bool hasChildNamed(const NodeTable& nodes, std::int32_t parent, std::string_view name) {
    std::int32_t steps = 0;
    for (std::int32_t c = nodes[parent].FirstChild; c >= 1 && steps <= nodes.NodeCount();
         c = nodes[c].NextSibling, ++steps) {
        if (trimmedName(nodes[c].Name) == name)
            return true;
    }
    return false;
}

/// Moves the progress bar as a long edit goes.
EditProgress barSteps(StatusArea& status) {
    return {{}, [&status](std::int32_t done) { status.Progress_Step(done); }};
}

} // namespace

EditCommands::EditCommands(MainWindow& window) : QObject(&window), m_window(window) {}

void EditCommands::dispatch(int index) {
    switch (index) {
    case EditUndo:
        if (m_undoAction == 2 || m_undoAction == 8)
            Undo_Add();
        else if (m_undoAction == 3 || m_undoAction == 6)
            Undo_Delete();
        break;
    case EditAdd:
        Item_Add();
        break;
    case EditDelete:
        Item_Delete();
        break;
    case EditRename:
        Item_Rename();
        break;
    case EditCut:
        Item_Cut();
        break;
    case EditCopy:
        Item_Copy();
        break;
    case EditPaste:
        Item_Paste();
        break;
    default:
        break;
    }
}

void EditCommands::Undo_Set(int action, int cel, std::int32_t nod) {
    m_undoAction = action;
    m_undoCel = cel;
    m_undoNod = nod;
    m_window.menu().entry(MenuArray::Edit, EditUndo)->setEnabled(action > 0);
}

std::int32_t EditCommands::selectedItem() const {
    const ColumnBrowser& b = m_window.browser();
    if (b.CurCel() < 0)
        return 0;
    const std::int32_t s = b.selectedSlot(b.CurCel());
    // The top item heads cell 0 and is never an entry of a list.
    return s >= 2 && m_window.nodes().isItem(s) ? s : 0;
}

void EditCommands::Item_Add() {
    MainWindow::BusyScope busy(m_window);
    ColumnBrowser& browser = m_window.browser();
    NodeTable& nodes = m_window.nodes();
    Prompter& prompter = m_window.prompter();
    if (browser.CurCel() < 0)
        return;
    for (;;) {
        const std::int32_t p = browser.cells()[browser.CurCel()].Nod;
        // An empty cell, or one whose item was taken back, has nothing to add to.
        if (!nodes.isItem(p))
            return;
        if (nodes[p].Level >= 255) {
            prompter.alert(QStringLiteral("Can't add an item here:") + kCrLf +
                           QStringLiteral("It would lie more than 255 levels deep!"));
            return;
        }
        const QString answer =
            prompter.askName({QStringLiteral("Add QuillMar item"),
                              QStringLiteral("Name for ") + trimmedNameText(nodes[p].Name) +
                                  QStringLiteral(" child item:"),
                              QString(), false});
        if (answer.isEmpty())
            return;
        const QString nm = trimSpaces(answer);
        if (nm.isEmpty())
            return;
        const std::optional<NameField> name = storableName(m_window.prompter(), nm);
        if (!name)
            continue;
        if (hasChildNamed(nodes, p, trimmedName(*name))) {
            if (prompter.ask(messageText(nm) + QStringLiteral(" already exists !"),
                             QStringLiteral("Quillmar Input Error"), PromptIcon::None,
                             PromptButtons::OkCancel) != PromptAnswer::Ok)
                return;
            continue;
        }

        const std::int32_t n = addChild(nodes, p, *name);
        m_window.DataChanged(1);
        m_window.Cell_Update(p);
        browser.selectEntry(browser.CurCel(), n);
        Undo_Set(2, browser.CurCel(), n);
        // Slot 2 is the first item below the top of a new tree: now there is data to work on.
        if (n == 2)
            m_window.Menu_Set(MenuState::FirstItem);
        return;
    }
}

void EditCommands::Item_Rename() {
    MainWindow::BusyScope busy(m_window);
    NodeTable& nodes = m_window.nodes();
    const std::int32_t s = selectedItem();
    if (s < 1)
        return;
    for (;;) {
        const QString answer = m_window.prompter().askName(
            {QStringLiteral("Change QuillMar Item"),
             QStringLiteral("Name for ") + trimmedNameText(nodes[nodes[s].Parent].Name) +
                 QStringLiteral(" Cell:"),
             trimmedNameText(nodes[s].Name), true});
        if (answer.isEmpty())
            return;
        // Stored as typed: leading spaces are the user's to keep.
        const std::optional<NameField> name = storableName(m_window.prompter(), answer);
        if (!name)
            continue;
        renameItem(nodes, s, *name);
        m_window.Cell_Update(s);
        Undo_Set(0, -1, 0);
        m_window.DataChanged(1);
        return;
    }
}

void EditCommands::Item_Delete() {
    MainWindow::BusyScope busy(m_window);
    const NodeTable& nodes = m_window.nodes();
    const std::int32_t s = selectedItem();
    if (s < 1) {
        m_window.prompter().alert(QStringLiteral("No Selection"));
        return;
    }
    const QString text = QStringLiteral("Sure to delete ") + trimmedNameText(nodes[s].Name) +
                         (nodes[s].FirstChild > 0 ? kCrLf + QStringLiteral("and all its subitems ?")
                                                  : QStringLiteral(" ?"));
    if (m_window.prompter().ask(text, QStringLiteral("QuillMar Warning"), PromptIcon::None,
                                PromptButtons::OkCancel) != PromptAnswer::Ok)
        return;
    if (!Subtree_Delete(s))
        return;
    Undo_Set(3, m_window.browser().CurCel(), s);
    m_window.DataChanged(1);
}

bool EditCommands::Subtree_Delete(std::int32_t item) {
    NodeTable& nodes = m_window.nodes();
    StatusArea& status = m_window.status();
    EditProgress progress = barSteps(status);
    progress.start = [&status](std::int32_t total) {
        status.Status_Text(QStringLiteral("Deleting ..."));
        status.Progress_Start(total);
    };
    const std::int32_t count = deleteSubtree(nodes, item, progress);
    if (count == 0)
        return false;
    m_window.Cell_Update(nodes[item].Parent);

    // Empty every cell that showed the item or anything below it; cell 0 holds the top.
    ColumnBrowser& browser = m_window.browser();
    for (int j = 1; j < kCellCount; ++j) {
        std::int32_t x = browser.cells()[j].Nod;
        for (std::int32_t steps = 0; x > 0 && x < nodes.capacity() && steps <= nodes.NodeCount();
             x = nodes[x].Parent, ++steps) {
            if (x == item) {
                browser.Cell_Clear(j);
                break;
            }
        }
    }
    m_delCount = count;
    return true;
}

void EditCommands::Undo_Delete() {
    MainWindow::BusyScope busy(m_window);
    NodeTable& nodes = m_window.nodes();
    StatusArea& status = m_window.status();
    const std::int32_t d = m_undoNod;
    if (d == 0) {
        Undo_Set(0, -1, 0);
        return;
    }
    status.Status_Text(QStringLiteral("Recovering Data ..."));
    status.Progress_Start(m_delCount);
    const std::int32_t restored = restoreSubtree(nodes, d, barSteps(status));
    status.Status_Reset();
    if (restored == 0) { // its place in the tree is gone: nothing to put back
        Undo_Set(0, -1, 0);
        return;
    }
    m_window.Cell_Update(d);
    // The parent may have had no children left: the cell listing it needs its "+ " back.
    m_window.Cell_Update(nodes[d].Parent);
    selectRestored(d);
    m_window.DataChanged(1);
    Undo_Set(0, -1, 0);
}

void EditCommands::selectRestored(std::int32_t item) {
    // Back where it was deleted: that cell lists it again and becomes current, so the item
    // can be worked on at once. Failing that, the current cell or a cell of the path that
    // lists its siblings does; a cell off the path never looks like a choice.
    ColumnBrowser& browser = m_window.browser();
    const std::int32_t parent = m_window.nodes()[item].Parent;
    const auto lists = [&](int c) {
        return c >= 0 && c < kCellCount && browser.cells()[c].Nod == parent;
    };
    int cel = lists(m_undoCel) ? m_undoCel : lists(browser.CurCel()) ? browser.CurCel() : -1;
    for (int c = 0; c < kCellCount && cel < 0; ++c)
        if (lists(c) && browser.cells()[c].Mode != ColumnBrowser::Plain)
            cel = c;
    if (cel < 0)
        return;
    browser.selectEntry(cel, item);
    browser.focusCell(cel);
}

void EditCommands::Undo_Add() {
    MainWindow::BusyScope busy(m_window);
    NodeTable& nodes = m_window.nodes();
    const std::int32_t n = m_undoNod;
    if (n == 0 || removeLastChild(nodes, n) == 0) {
        Undo_Set(0, -1, 0);
        return;
    }
    if (m_undoCel >= 0 && m_undoCel < kCellCount)
        m_window.browser().Cell_Fill(m_undoCel);
    Undo_Set(0, -1, 0);
    m_window.DataChanged(1);
    m_window.Cell_Update(n);
    // The parent may have lost its only child: the cell listing it drops the "+ ".
    m_window.Cell_Update(nodes[n].Parent);
}

std::int32_t EditCommands::bufferSelection() {
    const std::int32_t s = selectedItem();
    if (s < 1) {
        m_window.prompter().alert(QStringLiteral("No Selection!"));
        return 0;
    }
    Buffer_Fill(s);
    m_bufferOnly = clipboardFill(s);
    return s;
}

QString EditCommands::clipboardFill(std::int32_t item) {
    if (BufCount() > kClipboardItems)
        return QStringLiteral("more than 100,000 items");
    auto data = std::make_unique<QMimeData>();
    const OutlineExport text = exportOutline(m_window.nodes(), item, OutlineFormat::Text);
    if (text.ok)
        data->setText(QString::fromStdString(text.text));
    const OutlineExport opml = exportOutline(m_window.nodes(), item, OutlineFormat::Opml);
    if (opml.ok)
        data->setData(QStringLiteral("text/x-opml"), QByteArray::fromStdString(opml.text));
    if (!text.ok && !opml.ok)
        return QStringLiteral("its names hold control characters");
    QGuiApplication::clipboard()->setMimeData(data.release());
    return QString();
}

void EditCommands::reportBufferOnly() {
    if (!m_bufferOnly.isEmpty())
        m_window.status().Status_Text(
            QStringLiteral("In QuillMar's buffer only, not on the clipboard: ") + m_bufferOnly);
}

void EditCommands::Item_Cut() {
    MainWindow::BusyScope busy(m_window);
    const std::int32_t s = bufferSelection();
    if (s < 1 || !Subtree_Delete(s))
        return;
    Undo_Set(6, m_window.browser().CurCel(), s);
    m_window.DataChanged(1);
    reportBufferOnly();
}

void EditCommands::Item_Copy() {
    MainWindow::BusyScope busy(m_window);
    if (bufferSelection() < 1)
        return;
    Undo_Set(0, -1, 0);
    reportBufferOnly();
}

void EditCommands::Buffer_Fill(std::int32_t item) {
    StatusArea& status = m_window.status();
    status.Status_Text(QStringLiteral("Preparing Buffer ..."));
    EditProgress progress = barSteps(status);
    progress.start = [&status](std::int32_t total) {
        status.Status_Text(QStringLiteral("Copying Data ..."));
        status.Progress_Start(total);
    };
    copySubtree(m_window.nodes(), item, m_buf, progress);
    m_window.menu().entry(MenuArray::Edit, EditPaste)->setEnabled(true);
    status.Status_Reset();
}

void EditCommands::Item_Paste() {
    MainWindow::BusyScope busy(m_window);
    NodeTable& nodes = m_window.nodes();
    Prompter& prompter = m_window.prompter();
    const int cel = m_window.browser().CurCel();
    if (cel < 0)
        return;
    const std::int32_t p = m_window.browser().cells()[cel].Nod;
    if (!nodes.isItem(p) || m_buf.empty())
        return;
    switch (checkPaste(nodes, p, m_buf)) {
    case PasteCheck::Ok:
        break;
    case PasteCheck::TooDeep:
        prompter.alert(QStringLiteral("Can't paste item here:") + kCrLf +
                       QStringLiteral("Its items would lie more than 30 levels deep!"));
        return;
    default:
        return;
    }

    // Only the top's name is tested; the names below it are taken over as they are.
    while (hasChildNamed(nodes, p, trimmedName(m_buf[0].Name))) {
        if (prompter.ask(QStringLiteral("Can't paste item here:") + kCrLf +
                             QStringLiteral("It has the same name!") + kCrLf + kCrLf +
                             QStringLiteral("Change name for top-item ?"),
                         QStringLiteral("QuillMar Alert"), PromptIcon::Question,
                         PromptButtons::OkCancel) != PromptAnswer::Ok)
            return;
        std::optional<NameField> name;
        while (!name) {
            const QString answer =
                prompter.askName({QStringLiteral("Change QuillMar Item"),
                                  QStringLiteral("Name for ") + trimmedNameText(nodes[p].Name) +
                                      QStringLiteral(" Cell:"),
                                  QString(), false});
            if (answer.isEmpty())
                return;
            name = storableName(m_window.prompter(), answer);
        }
        // The buffer keeps the new name for later pastes.
        m_buf[0].Name = *name;
    }

    StatusArea& status = m_window.status();
    status.Status_Text(QStringLiteral("Pasting Data ..."));
    status.Progress_Start(BufCount());
    const std::int32_t top = pasteSubtree(nodes, p, m_buf, barSteps(status));
    m_window.Cell_Update(p);
    m_window.browser().selectEntry(cel, top);
    Undo_Set(8, cel, top);
    m_window.DataChanged(1);
    m_window.Status_Reset();
}

} // namespace qm
