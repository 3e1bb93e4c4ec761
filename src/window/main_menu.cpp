#include "window/main_menu.h"

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>

namespace qm {

MainMenu::MainMenu(QMainWindow* window) : QObject(window) {
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

void MainMenu::Menu_Set(bool save, bool saveAs, bool print, bool undo, bool add, bool remove,
                        bool rename, bool cut, bool copy, bool paste, bool findAndBookmark) {
    entry(MenuArray::File, FileSave)->setEnabled(save);
    entry(MenuArray::File, FileSaveAs)->setEnabled(saveAs);
    entry(MenuArray::Print, PrintPreview)->setEnabled(print);
    entry(MenuArray::Print, PrintNow)->setEnabled(print);
    entry(MenuArray::Edit, EditUndo)->setEnabled(undo);
    entry(MenuArray::Edit, EditAdd)->setEnabled(add);
    entry(MenuArray::Edit, EditDelete)->setEnabled(remove);
    entry(MenuArray::Edit, EditRename)->setEnabled(rename);
    entry(MenuArray::Edit, EditCut)->setEnabled(cut);
    entry(MenuArray::Edit, EditCopy)->setEnabled(copy);
    entry(MenuArray::Edit, EditPaste)->setEnabled(paste);
    entry(MenuArray::Go, GoFind)->setEnabled(findAndBookmark);
    entry(MenuArray::Book, BookThis)->setEnabled(findAndBookmark);
    entry(MenuArray::Book, BookEdit)->setEnabled(true);
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
