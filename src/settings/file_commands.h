#pragma once
// The File menu's commands New, Open, Save, Save As, Import and Export Outline, Options and
// Exit, opening a recent file, and the prompt that offers to save changes before they would
// be given up.

#include <QObject>
#include <QString>
#include <optional>

#include "settings/auto_save.h"
#include "settings/disk_state.h"
#include "settings/recent_files.h"
#include "settings/recovery.h"

namespace qm {

/// Every file is named by its absolute path, whatever folder the program was started in.
QString absoluteFilePath(const QString& path);

class IniFile;
class MainWindow;
struct Settings;

class FileCommands : public QObject {
    Q_OBJECT
public:
    FileCommands(MainWindow& window, Settings& settings, IniFile& ini);

    /// Opens recent-files entry `place` (1..8).
    void openRecent(int place);

    /// True when the caller may go on giving up the tree.
    bool Save_Ask();
    /// False when nothing was written (cancelled, or the write failed and was reported).
    bool Save();
    bool SaveAs();
    /// Saves to the current file without a single dialog; run by auto-save.
    void autoSaveNow();
    void New();
    void Open();
    void Options();
    /// Opens a data file in place of the tree (the caller has asked Save_Ask), or the changes
    /// a crashed session left for it; false when the file was refused or the user chose to
    /// open nothing, and the tree stays.
    bool open(const QString& file);
    /// At start: offers the changes crashed sessions left to trees never saved; true when
    /// one was recovered and is shown.
    bool recoverUntitled();
    /// Closes the window, which asks what closing asks.
    void Exit();
    /// Reads an OPML, Markdown or text outline into a new, unsaved tree.
    void ImportOutline();
    /// Writes the subtree of the item the user is at as OPML, Markdown or a text outline.
    void ExportOutline();

    /// Writes the main settings; a failure is reported, never silent.
    void writeSettings();
    /// Tells the user the settings file could not be written, and why.
    void reportSettingsFailure();
    /// Tells the user the settings file is not used, when it was refused.
    void reportSettingsRefusal();
    /// Shows the recent files read from the settings, telling the user of entries dropped.
    void showRecent();
    bool BackupArmed() const { return m_backupArmed; }
    RecentFiles& recent() { return m_recent; }
    AutoSave& autoSave() { return m_autoSave; }
    Recovery& recovery() { return *m_recovery; }

private:
    /// Loads the file, or recovers the changes left for it; `recovered` says which.
    bool load(const QString& file, bool& recovered);
    void opened(bool unsaved);
    /// False, after telling the user (`gone` when nothing is there), when no file is there.
    bool fileThere(const QString& path, const QString& gone);
    bool changedOnDisk() const;
    /// Writes the backup, the data file and the cells file; failures go to alerts, or to the
    /// status bar when nobody asked for the save.
    bool writeTree(bool alerts);
    /// Where the file dialogs open: the current file's folder, else the last one used.
    QString startFolder() const;

    MainWindow& m_window;
    Settings& m_settings;
    IniFile& m_ini;
    RecentFiles m_recent;
    AutoSave m_autoSave;
    Recovery* m_recovery; // owned by the window
    bool m_backupArmed = false;
    QString m_lastFolder;
    QString m_exportFilter; // the file type of the last export
    // What the data file held when this program last read or wrote it; nothing when there
    // is nothing to compare with (no file yet, or one the user chose to overwrite).
    std::optional<DiskState> m_known;
};

} // namespace qm
