#include "window/main_menu.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QMimeData>

#include "window/accessibility.h"

namespace qm {

namespace {

// One row per MenuState: Save, Save As, Print, Undo, Add, Delete, Rename, Cut, Copy, Paste,
// and Find with Bookmark This.
constexpr int kFlags = 11;
constexpr bool kMenuStates[][kFlags] = {
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, // no tree
    {1, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0}, // new tree
    {0, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1}, // opened
    {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, // first item added
};

// The entries each flag switches, in the order they are switched.
struct Switched {
    int flag;
    MenuArray array;
    int index;
};
constexpr Switched kSwitched[] = {
    {0, MenuArray::File, FileSave},
    {1, MenuArray::File, FileSaveAs},
    {1, MenuArray::File, FileExportOutline},
    {2, MenuArray::Print, PrintPreview},
    {2, MenuArray::Print, PrintNow},
    {3, MenuArray::Edit, EditUndo},
    {4, MenuArray::Edit, EditAdd},
    {5, MenuArray::Edit, EditDelete},
    {6, MenuArray::Edit, EditRename},
    {7, MenuArray::Edit, EditCut},
    {8, MenuArray::Edit, EditCopy},
    {9, MenuArray::Edit, EditPaste},
    {10, MenuArray::Go, GoFind},
    {10, MenuArray::Book, BookThis},
};

} // namespace

MainMenu::MainMenu(QMainWindow* window) : QObject(window) {
    installAccessibility();
    QMenuBar* bar = window->menuBar();
    const QStringList titles{"&File", "&Edit", "&Go To", "&Help"};
    for (int i = 0; i < 4; ++i) {
        m_top[i] = bar->addMenu(titles[i]);
        m_top[i]->setObjectName(QStringLiteral("mnuMain_%1").arg(i));
        m_top[i]->menuAction()->setObjectName(QStringLiteral("mnuMain_%1").arg(i));
    }

    QMenu* file = m_top[0];
    add(file, MenuArray::File, FileNew, "mnuFile", "&New", "Ctrl+N");
    add(file, MenuArray::File, FileOpen, "mnuFile", "&Open...", "Ctrl+O");
    add(file, MenuArray::File, FileSave, "mnuFile", "&Save", "Ctrl+S")->setEnabled(false);
    add(file, MenuArray::File, FileSaveAs, "mnuFile", "Save &As...")->setEnabled(false);
    add(file, MenuArray::File, FileImportOutline, "mnuFile", "&Import Outline...", "Ctrl+I");
    add(file, MenuArray::File, FileExportOutline, "mnuFile", "&Export Outline...", "Ctrl+Shift+E")
        ->setEnabled(false);
    add(file, MenuArray::File, FileOptions, "mnuFile", "Op&tions", "Ctrl+T");
    add(file, MenuArray::File, FileExit, "mnuFile", "E&xit");
    separator(file, "mnuFileBar0");
    add(file, MenuArray::Print, PrintPageSetup, "mnuPrint", "Page Set&up...");
    add(file, MenuArray::Print, PrintPreview, "mnuPrint", "Print Pre&view...")->setEnabled(false);
    add(file, MenuArray::Print, PrintNow, "mnuPrint", "&Print", "Ctrl+P")->setEnabled(false);
    m_fileBar1 = separator(file, "mnuFileBar1");
    m_fileBar1->setVisible(false);
    for (int i = 1; i <= 8; ++i)
        add(file, MenuArray::FileMRU, i, "mnuFileMRU", QString())->setVisible(false);

    QMenu* edit = m_top[1];
    add(edit, MenuArray::Edit, EditUndo, "mnuEdit", "&Undo", "Ctrl+Z");
    m_entries[{MenuArray::Edit, EditUndo + 1}] = separator(edit, "mnuEdit_1");
    add(edit, MenuArray::Edit, EditAdd, "mnuEdit", "&Add...", "Ctrl+A")->setEnabled(false);
    add(edit, MenuArray::Edit, EditDelete, "mnuEdit", "&Delete", "Ctrl+D")->setEnabled(false);
    add(edit, MenuArray::Edit, EditRename, "mnuEdit", "&Rename...", "Ctrl+R")->setEnabled(false);
    m_entries[{MenuArray::Edit, EditRename + 1}] = separator(edit, "mnuEdit_5");
    add(edit, MenuArray::Edit, EditCut, "mnuEdit", "Cu&t", "Ctrl+X")->setEnabled(false);
    add(edit, MenuArray::Edit, EditCopy, "mnuEdit", "&Copy", "Ctrl+C")->setEnabled(false);
    add(edit, MenuArray::Edit, EditPaste, "mnuEdit", "&Paste", "Ctrl+V")->setEnabled(false);
    add(edit, MenuArray::Edit, EditPasteClipboard, "mnuEdit", "Paste from Clip&board",
        "Ctrl+Shift+V")
        ->setEnabled(false);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &MainMenu::refreshClipboardPaste);

    QMenu* go = m_top[2];
    add(go, MenuArray::Go, GoFind, "mnuGo", "&Find", "Ctrl+F")->setEnabled(false);
    m_entries[{MenuArray::Go, GoFind + 1}] = separator(go, "mnuGo_1");
    add(go, MenuArray::Book, BookThis, "mnubook", "&Bookmark This", "Ctrl+B")->setEnabled(false);
    add(go, MenuArray::Book, BookEdit, "mnubook", "&Edit Bookmarks", "Ctrl+E")->setEnabled(false);
    for (int i = BookFirst; i < BookFirst + 8; ++i)
        add(go, MenuArray::Book, i, "mnubook", QString())->setVisible(false);

    QMenu* help = m_top[3];
    for (int i = 0; i < 2; ++i) {
        QAction* a = add(help, MenuArray::Help, i, "mnuHelp",
                         i == 0 ? "&Contents" : "&Search For Help On...");
        a->setVisible(false);
        a->setEnabled(false);
    }
    add(help, MenuArray::Help, HelpAbout, "mnuHelp", "&About ");

    // The keys users know from other programs, beside the shortcuts shown in the menu.
    entry(MenuArray::Edit, EditAdd)->setShortcuts({QKeySequence("Ctrl+A"), Qt::Key_Insert});
    entry(MenuArray::Edit, EditDelete)->setShortcuts({QKeySequence("Ctrl+D"), Qt::Key_Delete});
    entry(MenuArray::Edit, EditRename)->setShortcuts({QKeySequence("Ctrl+R"), Qt::Key_F2});
    auto* toBar = new QAction(window);
    toBar->setObjectName(QStringLiteral("menuBarKey"));
    toBar->setShortcut(Qt::Key_F10);
    window->addAction(toBar);
    connect(toBar, &QAction::triggered, bar,
            [this, bar] { bar->setActiveAction(m_top[0]->menuAction()); });
}

QAction* MainMenu::add(QMenu* menu, MenuArray array, int index, const QString& name,
                       const QString& caption, const QString& shortcut) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QStringLiteral("%1_%2").arg(name).arg(index));
    if (!shortcut.isEmpty())
        a->setShortcut(QKeySequence(shortcut));
    connect(a, &QAction::triggered, this, [this, array, index] { dispatch(array, index); });
    m_entries[{array, index}] = a;
    return a;
}

QAction* MainMenu::separator(QMenu* menu, const QString& name) {
    QAction* a = menu->addSeparator();
    a->setObjectName(name);
    return a;
}

QAction* MainMenu::entry(MenuArray array, int index) const {
    const auto it = m_entries.find({array, index});
    return it == m_entries.end() ? nullptr : it->second;
}

void MainMenu::Menu_Set(MenuState state) {
    const bool* on = kMenuStates[static_cast<int>(state)];
    for (const Switched& s : kSwitched)
        entry(s.array, s.index)->setEnabled(on[s.flag]);
    entry(MenuArray::Book, BookEdit)->setEnabled(true);
    m_hasTree = state != MenuState::NoTree;
    refreshClipboardPaste();
}

void MainMenu::refreshClipboardPaste() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    const bool text = data && (data->hasText() || data->hasFormat(QStringLiteral("text/x-opml")));
    entry(MenuArray::Edit, EditPasteClipboard)->setEnabled(m_hasTree && text);
}

void MainMenu::setHandler(MenuArray array, Handler handler) {
    m_handlers[array] = std::move(handler);
}

void MainMenu::dispatch(MenuArray array, int index) {
    if (m_gate && !m_gate())
        return;
    const auto it = m_handlers.find(array);
    if (it != m_handlers.end() && it->second)
        it->second(index);
}

} // namespace qm
