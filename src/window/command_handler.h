#pragma once
// The menu bar's commands: every entry's QAction, the method of the owning subsystem it
// runs, and its enabled state, worked out in one refresh() from one small state.

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <map>

class QAction;
class QMainWindow;
class QMenu;

namespace qm {

/// The description's control arrays; an entry is named by its array and index.
enum class MenuArray { File, Print, FileMRU, Edit, Go, Book, Help };

// Entry indices of the arrays; the gaps are separators, which keep their index.
enum FileEntry { FileNew = 0, FileOpen, FileSave, FileSaveAs, FileOptions, FileExit };
enum PrintEntry { PrintPageSetup = 0, PrintPreview, PrintNow };
enum EditEntry {
    EditUndo = 0,
    EditAdd = 2,
    EditDelete,
    EditRename,
    EditCut = 6,
    EditCopy,
    EditPaste
};
enum GoEntry { GoFind = 0 };
/// Bookmark This, Edit Bookmarks, then the bookmarks themselves from BookFirst on.
enum BookEntry { BookThis = 0, BookEdit, BookFirst };
enum HelpEntry { HelpContents = 0, HelpSearch, HelpAbout };

/// What the open tree holds.
enum class TreeState { None, Empty, HasItems };
/// The editing action Undo takes back, coded by the Edit entry that made it.
enum class UndoKind {
    None = 0,
    Add = EditAdd,
    Delete = EditDelete,
    Cut = EditCut,
    Paste = EditPaste
};

/// Everything the menu entries' enabled states depend on.
struct CommandState {
    TreeState tree = TreeState::None;
    bool saved = true;    // nothing changed since the tree was loaded or saved
    bool hasFile = false; // the tree was loaded from or saved to a data file
    UndoKind undo = UndoKind::None;
    bool bufferFilled = false;
    int bookmarks = 0;
    bool busy = false; // a long operation runs: no command may start
};

class CommandHandler : public QObject {
    Q_OBJECT
public:
    /// Fills in the facts the window owns: tree, saved, hasFile and busy.
    using WindowFacts = std::function<void(CommandState&)>;

    CommandHandler(QMainWindow* window, WindowFacts facts);

    /// Entry `index` of an array (mnuFileMRU and mnubook keep their own numbering).
    QAction* entry(MenuArray array, int index) const;
    QMenu* topMenu(int index) const { return m_top[index]; }
    QAction* fileBar1() const { return m_fileBar1; }

    /// Runs `run` when the entry is chosen.
    void bind(MenuArray array, int index, std::function<void()> run);
    template <typename Owner, typename Result>
    void bind(MenuArray array, int index, Owner* owner, Result (Owner::*method)()) {
        bind(array, index, [owner, method] { (owner->*method)(); });
    }
    /// Runs `run` with the place (1..8) of the recent file or bookmark chosen.
    void bindList(MenuArray array, std::function<void(int place)> run);

    /// Runs the command of an entry as choosing it would, whatever its enabled state (the
    /// "+" and "-" keys of a cell); nothing while a long operation runs.
    void dispatch(MenuArray array, int index);

    // The facts the subsystems above the window own; each change refreshes the menus.
    void setUndo(UndoKind undo);
    void setBufferFilled(bool filled);
    void setBookmarkCount(int count);

    /// Switches every entry on or off as the state says; the bookmark places in use are shown.
    void refresh();
    const CommandState& state() const { return m_state; }

private:
    void declare();
    QAction* add(QMenu* menu, MenuArray array, int index, const char* name, const char* caption,
                 const char* keys);
    QAction* separator(QMenu* menu, const QString& name);

    QMainWindow* m_window;
    WindowFacts m_facts;
    CommandState m_state;
    std::array<QMenu*, 4> m_top{};
    struct Entry {
        QAction* action = nullptr;
        bool (*rule)(const CommandState&) = nullptr; // none for separators
        std::function<void()> run;
    };
    std::map<std::pair<MenuArray, int>, Entry> m_entries;
    QAction* m_fileBar1 = nullptr;
};

} // namespace qm
