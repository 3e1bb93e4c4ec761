#pragma once
// The menu bar: every entry as an indexed array, the enabled rules of Menu_Set, and the
// dispatch of a click to the handler registered for its array.

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <map>
#include <vector>

class QAction;
class QMainWindow;
class QMenu;

namespace qm {

enum class MenuArray { File, Print, FileMRU, Edit, Go, Book, Help };

// Entry indices of the arrays; the gaps are separators, which keep their index. Entries
// added later take the next free index, wherever they are shown.
enum FileEntry {
    FileNew = 0,
    FileOpen,
    FileSave,
    FileSaveAs,
    FileOptions,
    FileExit,
    FileImportOutline,
    FileExportOutline
};
enum PrintEntry { PrintPageSetup = 0, PrintPreview, PrintNow };
enum EditEntry {
    EditUndo = 0,
    EditAdd = 2,
    EditDelete,
    EditRename,
    EditCut = 6,
    EditCopy,
    EditPaste,
    EditPasteClipboard
};
enum GoEntry { GoFind = 0 };
/// Bookmark This, Edit Bookmarks, then the bookmarks themselves from BookFirst on.
enum BookEntry { BookThis = 0, BookEdit, BookFirst };
enum HelpEntry { HelpContents = 0, HelpSearch, HelpAbout };

/// The states of the data that switch the tree commands as a whole.
enum class MenuState {
    NoTree,    // the window just loaded
    NewTree,   // only the top item
    Opened,    // a data file was opened
    FirstItem, // the first item was added below the top item of a new tree
};

class MainMenu : public QObject {
    Q_OBJECT
public:
    explicit MainMenu(QMainWindow* window);

    /// Entry `index` of an array (mnuFileMRU and mnubook keep their own numbering).
    QAction* entry(MenuArray array, int index) const;
    QMenu* topMenu(int index) const { return m_top[index]; }
    QAction* fileBar1() const { return m_fileBar1; }

    /// Switches the tree-dependent entries as the state's row of the table says; always
    /// enables Edit Bookmarks.
    void Menu_Set(MenuState state);
    /// Paste from Clipboard is on while there is a tree and the clipboard holds text.
    void refreshClipboardPaste();

    using Handler = std::function<void(int index)>;
    void setHandler(MenuArray array, Handler handler);
    /// While the gate says no (a long operation is running), clicks and shortcuts do nothing.
    void setGate(std::function<bool()> open) { m_gate = std::move(open); }
    /// Runs the handler of an array as a click on entry `index` would.
    void dispatch(MenuArray array, int index);

private:
    QAction* add(QMenu* menu, MenuArray array, int index, const QString& name,
                 const QString& caption, const QString& shortcut = {});
    QAction* separator(QMenu* menu, const QString& name);

    std::array<QMenu*, 4> m_top{};
    std::map<std::pair<MenuArray, int>, QAction*> m_entries;
    std::map<MenuArray, Handler> m_handlers;
    std::function<bool()> m_gate;
    QAction* m_fileBar1 = nullptr;
    bool m_hasTree = false;
};

} // namespace qm
