#include "window/command_handler.h"

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>

#include "window/accessibility.h"

namespace qm {

namespace {

// The enabled rules. Busy switches everything off before any rule is asked.
using Rule = bool (*)(const CommandState&);

bool always(const CommandState&) {
    return true;
}
bool never(const CommandState&) {
    return false;
}
bool anyTree(const CommandState& s) {
    return s.tree != TreeState::None;
}
bool hasItems(const CommandState& s) {
    return s.tree == TreeState::HasItems;
}
// A tree that never had a file can always be saved, under a name asked for.
bool saveable(const CommandState& s) {
    return anyTree(s) && (!s.saved || !s.hasFile);
}
bool undoable(const CommandState& s) {
    return s.undo != UndoKind::None;
}
// A tree left empty by a Cut can take its items back.
bool pasteable(const CommandState& s) {
    return hasItems(s) || (anyTree(s) && s.bufferFilled);
}

// One row per entry, in menu order. A row without a caption is a separator named `name`.
struct Declaration {
    int menu;
    MenuArray array;
    int index;
    const char* name;
    const char* caption;
    const char* keys; // "; " between shortcuts, the one shown in the menu first
    Rule rule;
};

constexpr Declaration kMenus[] = {
    {0, MenuArray::File, FileNew, "mnuFile", "&New", "Ctrl+N", always},
    {0, MenuArray::File, FileOpen, "mnuFile", "&Open...", "Ctrl+O", always},
    {0, MenuArray::File, FileSave, "mnuFile", "&Save", "Ctrl+S", saveable},
    {0, MenuArray::File, FileSaveAs, "mnuFile", "Save &As...", "", anyTree},
    {0, MenuArray::File, FileOptions, "mnuFile", "Op&tions", "Ctrl+T", always},
    {0, MenuArray::File, FileExit, "mnuFile", "E&xit", "", always},
    {0, MenuArray::File, -1, "mnuFileBar0", nullptr, "", nullptr},
    {0, MenuArray::Print, PrintPageSetup, "mnuPrint", "Page Set&up...", "", always},
    {0, MenuArray::Print, PrintPreview, "mnuPrint", "Print Pre&view...", "", hasItems},
    {0, MenuArray::Print, PrintNow, "mnuPrint", "&Print", "Ctrl+P", hasItems},
    {1, MenuArray::Edit, EditUndo, "mnuEdit", "&Undo", "Ctrl+Z", undoable},
    {1, MenuArray::Edit, EditUndo + 1, "mnuEdit_1", nullptr, "", nullptr},
    // Beside the shortcuts shown, the keys users know from other programs.
    {1, MenuArray::Edit, EditAdd, "mnuEdit", "&Add...", "Ctrl+A; Ins", anyTree},
    {1, MenuArray::Edit, EditDelete, "mnuEdit", "&Delete", "Ctrl+D; Del", hasItems},
    {1, MenuArray::Edit, EditRename, "mnuEdit", "&Rename...", "Ctrl+R; F2", hasItems},
    {1, MenuArray::Edit, EditRename + 1, "mnuEdit_5", nullptr, "", nullptr},
    {1, MenuArray::Edit, EditCut, "mnuEdit", "Cu&t", "Ctrl+X", hasItems},
    {1, MenuArray::Edit, EditCopy, "mnuEdit", "&Copy", "Ctrl+C", hasItems},
    {1, MenuArray::Edit, EditPaste, "mnuEdit", "&Paste", "Ctrl+V", pasteable},
    {2, MenuArray::Go, GoFind, "mnuGo", "&Find", "Ctrl+F", hasItems},
    {2, MenuArray::Go, GoFind + 1, "mnuGo_1", nullptr, "", nullptr},
    {2, MenuArray::Book, BookThis, "mnubook", "&Bookmark This", "Ctrl+B", hasItems},
    // The editor opens on an empty list too, with or without a tree.
    {2, MenuArray::Book, BookEdit, "mnubook", "&Edit Bookmarks", "Ctrl+E", always},
    // The program has no help file to show.
    {3, MenuArray::Help, HelpContents, "mnuHelp", "&Contents", "", never},
    {3, MenuArray::Help, HelpSearch, "mnuHelp", "&Search For Help On...", "", never},
    {3, MenuArray::Help, HelpAbout, "mnuHelp", "&About ", "", always},
};

constexpr int kListPlaces = 8;

} // namespace

CommandHandler::CommandHandler(QMainWindow* window, WindowFacts facts)
    : QObject(window), m_window(window), m_facts(std::move(facts)) {
    installAccessibility();
    declare();
    refresh();
}

void CommandHandler::declare() {
    QMenuBar* bar = m_window->menuBar();
    const QStringList titles{"&File", "&Edit", "&Go To", "&Help"};
    for (int i = 0; i < 4; ++i) {
        m_top[i] = bar->addMenu(titles[i]);
        m_top[i]->setObjectName(QStringLiteral("mnuMain_%1").arg(i));
        m_top[i]->menuAction()->setObjectName(QStringLiteral("mnuMain_%1").arg(i));
    }
    for (const Declaration& d : kMenus) {
        QMenu* menu = m_top[d.menu];
        if (!d.caption) {
            QAction* bar0 = separator(menu, QLatin1String(d.name));
            if (d.index >= 0)
                m_entries[{d.array, d.index}].action = bar0;
            continue;
        }
        add(menu, d.array, d.index, d.name, d.caption, d.keys);
        m_entries[{d.array, d.index}].rule = d.rule;
        // The recent files follow Print, the bookmarks Edit Bookmarks; hidden until used.
        if (d.array == MenuArray::Print && d.index == PrintNow) {
            m_fileBar1 = separator(menu, QStringLiteral("mnuFileBar1"));
            m_fileBar1->setVisible(false);
            for (int i = 1; i <= kListPlaces; ++i)
                add(menu, MenuArray::FileMRU, i, "mnuFileMRU", "", "")->setVisible(false);
        } else if (d.array == MenuArray::Book && d.index == BookEdit) {
            for (int i = BookFirst; i < BookFirst + kListPlaces; ++i)
                add(menu, MenuArray::Book, i, "mnubook", "", "")->setVisible(false);
        }
        if (d.rule == never)
            entry(d.array, d.index)->setVisible(false);
    }

    auto* toBar = new QAction(m_window);
    toBar->setObjectName(QStringLiteral("menuBarKey"));
    toBar->setShortcut(Qt::Key_F10);
    m_window->addAction(toBar);
    connect(toBar, &QAction::triggered, bar,
            [this, bar] { bar->setActiveAction(m_top[0]->menuAction()); });
}

QAction* CommandHandler::add(QMenu* menu, MenuArray array, int index, const char* name,
                             const char* caption, const char* keys) {
    QAction* a = menu->addAction(QString::fromUtf8(caption));
    a->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index));
    a->setShortcuts(QKeySequence::listFromString(QLatin1String(keys)));
    connect(a, &QAction::triggered, this, [this, array, index] { dispatch(array, index); });
    m_entries[{array, index}].action = a;
    return a;
}

QAction* CommandHandler::separator(QMenu* menu, const QString& name) {
    QAction* a = menu->addSeparator();
    a->setObjectName(name);
    return a;
}

QAction* CommandHandler::entry(MenuArray array, int index) const {
    const auto it = m_entries.find({array, index});
    return it == m_entries.end() ? nullptr : it->second.action;
}

void CommandHandler::bind(MenuArray array, int index, std::function<void()> run) {
    m_entries[{array, index}].run = std::move(run);
}

void CommandHandler::bindList(MenuArray array, std::function<void(int)> run) {
    const int first = array == MenuArray::Book ? int(BookFirst) : 1;
    for (int place = 1; place <= kListPlaces; ++place)
        bind(array, first + place - 1, [run, place] { run(place); });
}

void CommandHandler::dispatch(MenuArray array, int index) {
    if (m_facts)
        m_facts(m_state);
    if (m_state.busy)
        return;
    const auto it = m_entries.find({array, index});
    if (it == m_entries.end() || !it->second.run)
        return;
    // A copy: the command may bind anew.
    const std::function<void()> run = it->second.run;
    run();
    refresh();
}

void CommandHandler::setUndo(UndoKind undo) {
    m_state.undo = undo;
    refresh();
}

void CommandHandler::setBufferFilled(bool filled) {
    m_state.bufferFilled = filled;
    refresh();
}

void CommandHandler::setBookmarkCount(int count) {
    m_state.bookmarks = count;
    refresh();
}

void CommandHandler::refresh() {
    if (m_facts)
        m_facts(m_state);
    for (const auto& [key, e] : m_entries) {
        if (!e.action || e.action->isSeparator())
            continue;
        const bool on = !m_state.busy && (e.rule ? e.rule(m_state) : true);
        e.action->setEnabled(on);
        if (key.first == MenuArray::Book && key.second >= BookFirst)
            e.action->setVisible(key.second - BookFirst < m_state.bookmarks);
    }
}

} // namespace qm
