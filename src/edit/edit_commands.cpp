#include "edit/edit_commands.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "interchange/outline_import.h"
#include "store/outline.h"
#include "store/tree_edit.h"
#include "window/load_report.h"
#include "window/main_window.h"
#include "window/names.h"
#include "window/prompter.h"
#include "window/status_progress.h"

namespace qm {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kOpmlType = QStringLiteral("text/x-opml");

QString pasteTooDeep() {
    return QStringLiteral("Can't paste item here:") + kCrLf +
           QStringLiteral("Its items would lie more than 30 levels deep!");
}

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

// Several pastes moving one bar: each reports from its own start.
struct ProgressAfter : Progress {
    explicit ProgressAfter(Progress& bar) : bar(bar) {}
    void start(std::int64_t) override {}
    void step(std::int64_t done) override { bar.step(before + done); }
    Progress& bar;
    std::int64_t before = 0;
};

} // namespace

EditCommands::EditCommands(MainWindow& window) : QObject(&window), m_window(window) {
    // Paste from Clipboard follows what other programs put there.
    QClipboard* clipboard = QGuiApplication::clipboard();
    const auto watch = [this, clipboard] {
        const QMimeData* data = clipboard->mimeData();
        m_window.menu().setClipboardText(data && (data->hasText() || data->hasFormat(kOpmlType)));
    };
    connect(clipboard, &QClipboard::dataChanged, this, watch);
    watch();
}

void EditCommands::Undo() {
    switch (m_undoAction) {
    case UndoKind::Add:
    case UndoKind::Paste:
    case UndoKind::PasteClipboard:
        Undo_Add();
        break;
    case UndoKind::Delete:
    case UndoKind::Cut:
        Undo_Delete();
        break;
    case UndoKind::None:
        break;
    }
}

void EditCommands::Undo_Set(UndoKind action, int cel, std::int32_t nod) {
    m_undoAction = action;
    m_undoCel = cel;
    m_undoNod = nod;
    m_window.menu().setUndo(action);
}

std::int32_t EditCommands::selectedItem() const {
    return m_window.browser().target().entry;
}

void EditCommands::Item_Add() {
    MainWindow::BusyScope busy(m_window);
    ColumnBrowser& browser = m_window.browser();
    NodeTable& nodes = m_window.nodes();
    Prompter& prompter = m_window.prompter();
    for (;;) {
        const BrowserTarget at = browser.target();
        const std::int32_t p = at.item;
        // An empty cell, or one whose item was taken back, has nothing to add to.
        if (!p)
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
        browser.selectEntry(at.cel, n);
        Undo_Set(UndoKind::Add, at.cel, n);
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
        Undo_Clear();
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
    Undo_Set(UndoKind::Delete, m_window.browser().CurCel(), s);
    m_window.DataChanged(1);
}

bool EditCommands::Subtree_Delete(std::int32_t item) {
    NodeTable& nodes = m_window.nodes();
    StatusProgress progress(m_window.status(), QStringLiteral("Deleting ..."));
    const std::int32_t count = deleteSubtree(nodes, item, &progress);
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
        Undo_Clear();
        return;
    }
    StatusProgress progress(status, QStringLiteral("Recovering Data ..."));
    progress.start(m_delCount);
    const std::int32_t restored = restoreSubtree(nodes, d, &progress);
    status.Status_Reset();
    if (restored == 0) { // its place in the tree is gone: nothing to put back
        Undo_Clear();
        return;
    }
    m_window.Cell_Update(d);
    // The parent may have had no children left: the cell listing it needs its "+ " back.
    m_window.Cell_Update(nodes[d].Parent);
    selectRestored(d);
    m_window.DataChanged(1);
    Undo_Clear();
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
    // A paste from the clipboard added the item and the siblings after it; the others one.
    std::vector<std::int32_t> added{n};
    if (m_undoAction == UndoKind::PasteClipboard)
        for (std::int32_t x = nodes.isItem(n) ? nodes[n].NextSibling : 0;
             x >= 1 && nodes.isItem(x) && added.size() <= std::size_t(nodes.NodeCount());
             x = nodes[x].NextSibling)
            added.push_back(x);
    std::size_t removed = 0;
    while (n != 0 && removed < added.size() &&
           removeLastChild(nodes, added[added.size() - 1 - removed]) > 0)
        ++removed;
    if (removed == 0) {
        Undo_Clear();
        return;
    }
    if (m_undoCel >= 0 && m_undoCel < kCellCount)
        m_window.browser().Cell_Fill(m_undoCel);
    Undo_Clear();
    m_window.DataChanged(1);
    for (std::size_t k = 0; k < removed; ++k)
        m_window.Cell_Update(added[added.size() - 1 - k]);
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
        data->setData(kOpmlType, QByteArray::fromStdString(opml.text));
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
    Undo_Set(UndoKind::Cut, m_window.browser().CurCel(), s);
    m_window.DataChanged(1);
    reportBufferOnly();
}

void EditCommands::Item_Copy() {
    MainWindow::BusyScope busy(m_window);
    if (bufferSelection() < 1)
        return;
    Undo_Clear();
    reportBufferOnly();
}

void EditCommands::Buffer_Fill(std::int32_t item) {
    StatusArea& status = m_window.status();
    status.Status_Text(QStringLiteral("Preparing Buffer ..."));
    StatusProgress progress(status, QStringLiteral("Copying Data ..."));
    copySubtree(m_window.nodes(), item, m_buf, &progress);
    m_window.menu().setBufferFilled(!m_buf.empty());
    status.Status_Reset();
}

void EditCommands::Item_Paste() {
    MainWindow::BusyScope busy(m_window);
    NodeTable& nodes = m_window.nodes();
    Prompter& prompter = m_window.prompter();
    const BrowserTarget at = m_window.browser().target();
    const int cel = at.cel;
    const std::int32_t p = at.item;
    if (!p || m_buf.empty())
        return;
    switch (checkPaste(nodes, p, m_buf)) {
    case PasteCheck::Ok:
        break;
    case PasteCheck::TooDeep:
        prompter.alert(pasteTooDeep());
        return;
    default:
        return;
    }

    // Only the top's name is tested; the names below it are taken over as they are. The
    // buffer keeps a new name for later pastes.
    if (!freeTopName(p, m_buf[0].Name,
                     [&](std::string_view name) { return hasChildNamed(nodes, p, name); }))
        return;

    StatusProgress progress(m_window.status(), QStringLiteral("Pasting Data ..."));
    const std::int32_t top = pasteSubtree(nodes, p, m_buf, &progress);
    m_window.Cell_Update(p);
    m_window.browser().selectEntry(cel, top);
    Undo_Set(UndoKind::Paste, cel, top);
    m_window.DataChanged(1);
    m_window.Status_Reset();
}

bool EditCommands::freeTopName(std::int32_t parent, NameField& top,
                               const std::function<bool(std::string_view)>& taken) {
    Prompter& prompter = m_window.prompter();
    while (taken(trimmedName(top))) {
        if (prompter.ask(QStringLiteral("Can't paste item here:") + kCrLf +
                             QStringLiteral("It has the same name!") + kCrLf + kCrLf +
                             QStringLiteral("Change name for top-item ?"),
                         QStringLiteral("QuillMar Alert"), PromptIcon::Question,
                         PromptButtons::OkCancel) != PromptAnswer::Ok)
            return false;
        std::optional<NameField> name;
        while (!name) {
            const QString answer = prompter.askName(
                {QStringLiteral("Change QuillMar Item"),
                 QStringLiteral("Name for ") + trimmedNameText(m_window.nodes()[parent].Name) +
                     QStringLiteral(" Cell:"),
                 QString(), false});
            if (answer.isEmpty())
                return false;
            name = storableName(prompter, answer);
        }
        top = *name;
    }
    return true;
}

void EditCommands::Item_PasteClipboard() {
    MainWindow::BusyScope busy(m_window);
    NodeTable& nodes = m_window.nodes();
    Prompter& prompter = m_window.prompter();
    const BrowserTarget at = m_window.browser().target();
    const std::int32_t p = at.item;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!p || !data)
        return;
    ImportRequest request;
    request.lenientText = true;
    request.fallbackTop = U"-"; // a top item made over several is never pasted
    std::string bytes;
    if (data->hasFormat(kOpmlType)) {
        bytes = data->data(kOpmlType).toStdString();
        request.format = OutlineFormat::Opml;
    } else if (data->hasText()) {
        bytes = data->text().toStdString();
    } else {
        return;
    }
    const OutlineResult r = importOutline(bytes, request).result;
    if (!r.ok) {
        prompter.alert(QStringLiteral("The clipboard holds no outline QuillMar can read:") + kCrLf +
                       placeWords(r.errorLine, r.errorColumn) + QString::fromStdString(r.error) +
                       QLatin1Char('.'));
        return;
    }

    // Each top-level item of the outline as the buffer of a paste.
    std::vector<std::vector<Node>> tops;
    for (std::int32_t x = r.topMade ? r.table[1].FirstChild : 1; x >= 1;
         x = r.topMade ? r.table[x].NextSibling : 0) {
        copySubtree(r.table, x, tops.emplace_back());
        if (checkPaste(nodes, p, tops.back()) == PasteCheck::TooDeep) {
            prompter.alert(pasteTooDeep());
            return;
        }
    }
    for (std::size_t i = 0; i < tops.size(); ++i) {
        const auto taken = [&](std::string_view name) {
            for (std::size_t j = 0; j < tops.size(); ++j)
                if (j != i && trimmedName(tops[j][0].Name) == name)
                    return true;
            return hasChildNamed(nodes, p, name);
        };
        if (!freeTopName(p, tops[i][0].Name, taken))
            return;
    }

    StatusProgress bar(m_window.status(), QStringLiteral("Pasting Data ..."));
    std::int64_t total = 0;
    for (const std::vector<Node>& top : tops)
        total += static_cast<std::int64_t>(top.size());
    bar.start(total);
    ProgressAfter progress(bar);
    std::int32_t first = 0;
    for (const std::vector<Node>& top : tops) {
        const std::int32_t slot = pasteSubtree(nodes, p, top, &progress);
        progress.before += static_cast<std::int64_t>(top.size());
        first = first > 0 ? first : slot;
    }
    m_window.Cell_Update(p);
    m_window.browser().selectEntry(at.cel, first);
    Undo_Set(UndoKind::PasteClipboard, at.cel, first);
    m_window.DataChanged(1);
    m_window.Status_Reset();
    tellImportWarnings(prompter, QStringLiteral("The outline on the clipboard was pasted"),
                       r.warnings);
}

} // namespace qm
