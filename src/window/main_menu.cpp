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
    add(file, MenuArray::File, 0, "mnuFile", "&New", "Ctrl+N");
    add(file, MenuArray::File, 1, "mnuFile", "&Open...", "Ctrl+O");
    add(file, MenuArray::File, 2, "mnuFile", "&Save", "Ctrl+S")->setEnabled(false);
    add(file, MenuArray::File, 3, "mnuFile", "Save &As...")->setEnabled(false);
    add(file, MenuArray::File, 4, "mnuFile", "Op&tions", "Ctrl+T");
    add(file, MenuArray::File, 5, "mnuFile", "E&xit");
    separator(file, "mnuFileBar0");
    add(file, MenuArray::Print, 0, "mnuPrint", "Page Set&up...");
    add(file, MenuArray::Print, 1, "mnuPrint", "Print Pre&view...")->setEnabled(false);
    add(file, MenuArray::Print, 2, "mnuPrint", "&Print", "Ctrl+P")->setEnabled(false);
    m_fileBar1 = separator(file, "mnuFileBar1");
    m_fileBar1->setVisible(false);
    for (int i = 1; i <= 8; ++i)
        add(file, MenuArray::FileMRU, i, "mnuFileMRU", QString())->setVisible(false);

    QMenu* edit = m_top[1];
    add(edit, MenuArray::Edit, 0, "mnuEdit", "&Undo", "Ctrl+Z");
    m_entries[{MenuArray::Edit, 1}] = separator(edit, "mnuEdit_1");
    add(edit, MenuArray::Edit, 2, "mnuEdit", "&Add...", "Ctrl+A")->setEnabled(false);
    add(edit, MenuArray::Edit, 3, "mnuEdit", "&Delete", "Ctrl+D")->setEnabled(false);
    add(edit, MenuArray::Edit, 4, "mnuEdit", "&Rename...", "Ctrl+R")->setEnabled(false);
    m_entries[{MenuArray::Edit, 5}] = separator(edit, "mnuEdit_5");
    add(edit, MenuArray::Edit, 6, "mnuEdit", "Cu&t", "Ctrl+X")->setEnabled(false);
    add(edit, MenuArray::Edit, 7, "mnuEdit", "&Copy", "Ctrl+C")->setEnabled(false);
    add(edit, MenuArray::Edit, 8, "mnuEdit", "&Paste", "Ctrl+V")->setEnabled(false);

    QMenu* go = m_top[2];
    add(go, MenuArray::Go, 0, "mnuGo", "&Find", "Ctrl+F")->setEnabled(false);
    m_entries[{MenuArray::Go, 1}] = separator(go, "mnuGo_1");
    add(go, MenuArray::Book, 0, "mnubook", "&Bookmark This", "Ctrl+B")->setEnabled(false);
    add(go, MenuArray::Book, 1, "mnubook", "&Edit Bookmarks", "Ctrl+E")->setEnabled(false);
    for (int i = 2; i <= 9; ++i)
        add(go, MenuArray::Book, i, "mnubook", QString())->setVisible(false);

    QMenu* help = m_top[3];
    for (int i = 0; i < 2; ++i) {
        QAction* a = add(help, MenuArray::Help, i, "mnuHelp",
                         i == 0 ? "&Contents" : "&Search For Help On...");
        a->setVisible(false);
        a->setEnabled(false);
    }
    add(help, MenuArray::Help, 2, "mnuHelp", "&About ");
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
    entry(MenuArray::File, 2)->setEnabled(save);
    entry(MenuArray::File, 3)->setEnabled(saveAs);
    entry(MenuArray::Print, 1)->setEnabled(print);
    entry(MenuArray::Print, 2)->setEnabled(print);
    entry(MenuArray::Edit, 0)->setEnabled(undo);
    entry(MenuArray::Edit, 2)->setEnabled(add);
    entry(MenuArray::Edit, 3)->setEnabled(remove);
    entry(MenuArray::Edit, 4)->setEnabled(rename);
    entry(MenuArray::Edit, 6)->setEnabled(cut);
    entry(MenuArray::Edit, 7)->setEnabled(copy);
    entry(MenuArray::Edit, 8)->setEnabled(paste);
    entry(MenuArray::Go, 0)->setEnabled(findAndBookmark);
    entry(MenuArray::Book, 0)->setEnabled(findAndBookmark);
    entry(MenuArray::Book, 1)->setEnabled(true);
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
