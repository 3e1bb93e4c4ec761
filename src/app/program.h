#pragma once
// The program as a whole: builds the main window and the subsystems, wires every menu
// entry to the command that owns it, and runs the start-up and shut-down sequences.

#include <QObject>
#include <QPointF>
#include <QStringList>
#include <memory>

#include "settings/ini_file.h"
#include "settings/settings_values.h"

namespace qm {

class BookmarkStore;
class Bookmarks;
class EditCommands;
class FileCommands;
class FindCommands;
class HelpCommands;
class MainWindow;
class PrintCommands;
class Prompter;

class Program : public QObject {
    Q_OBJECT
public:
    /// `settingsPath` names the settings file; empty means the usual place.
    explicit Program(Prompter& prompter, const QString& settingsPath = QString());
    ~Program() override;

    MainWindow& window() { return *m_window; }
    EditCommands& edit() { return *m_edit; }
    FileCommands& files() { return *m_files; }
    PrintCommands& print() { return *m_print; }
    FindCommands& find() { return *m_find; }
    Bookmarks& bookmarks() { return *m_bookmarks; }
    Settings& settings() { return m_settings; }
    IniFile& ini() { return m_ini; }

    /// The start-up sequence: splash, main window, then the data file the arguments name.
    void start(const QStringList& arguments, bool showSplash = true);

signals:
    /// The main window exists; dialogs can be placed over it from now on.
    void windowCreated(QWidget* window);

private:
    void formLoad();
    bool formUnload();
    void placeOnScreen();
    /// Binds every menu entry to the method of the subsystem that owns its command.
    void wireMenus();
    /// Puts the bookmarks of the tree about to be replaced into its own section.
    void saveReplacedBookmarks();

    Prompter& m_prompter;
    IniFile m_ini;
    Settings m_settings;
    QPointF m_wantedPosition; // the saved position, in pixels
    std::unique_ptr<BookmarkStore> m_bookStore;
    std::unique_ptr<MainWindow> m_window;
    // Owned by the window.
    EditCommands* m_edit = nullptr;
    FileCommands* m_files = nullptr;
    PrintCommands* m_print = nullptr;
    FindCommands* m_find = nullptr;
    Bookmarks* m_bookmarks = nullptr;
    HelpCommands* m_help = nullptr;
};

} // namespace qm
