#include "settings/file_commands.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>

#include "edit/edit_commands.h"
#include "settings/ini_file.h"
#include "settings/options_dialog.h"
#include "settings/settings_values.h"
#include "store/cells_file.h"
#include "store/data_file.h"
#include "store/safe_file.h"
#include "window/main_window.h"
#include "window/names.h"
#include "window/prompter.h"

namespace qm {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kFilters = QStringLiteral("All Files (*);;QuillMar Data (*.qmd)");
const QString kWarning = QStringLiteral("QuillMar Warning");
} // namespace

FileCommands::FileCommands(MainWindow& window, EditCommands& edit, Settings& settings, IniFile& ini)
    : QObject(&window), m_window(window), m_edit(edit), m_settings(settings), m_ini(ini),
      m_recent(settings, window.menu()), m_autoSave(window, settings, [this] { Save(); }) {
    connect(&m_window, &MainWindow::dataLoaded, this, [this] {
        rememberDiskState();
        m_recent.MRU_Add(m_window.CurFile());
    });
}

void FileCommands::dispatch(int index) {
    switch (index) {
    case FileNew:
        New();
        break;
    case FileOpen:
        Open();
        break;
    case FileSave:
        Save();
        break;
    case FileSaveAs:
        SaveAs();
        break;
    case FileOptions:
        Options();
        break;
    case FileExit:
        m_window.close();
        break;
    default:
        break;
    }
}

bool FileCommands::Save_Ask() {
    if (m_window.DataSaved())
        return true;
    const PromptAnswer answer = m_window.prompter().ask(
        QStringLiteral("Save %1 first ?").arg(m_window.CurFile()),
        QStringLiteral("QuillMar Request"), PromptIcon::Question, PromptButtons::YesNoCancel);
    if (answer == PromptAnswer::Cancel)
        return false;
    // A Yes whose save wrote nothing (its dialog cancelled, or the write failed) must not
    // let the caller throw the changes away.
    return answer == PromptAnswer::No || Save();
}

void FileCommands::rememberDiskState() {
    const QFileInfo info(m_window.CurFile());
    m_diskModified = info.exists() ? info.lastModified() : QDateTime();
    m_diskSize = info.exists() ? info.size() : -1;
}

bool FileCommands::changedOnDisk() const {
    const QFileInfo info(m_window.CurFile());
    if (!info.exists() || m_diskSize < 0)
        return false;
    return info.lastModified() != m_diskModified || info.size() != m_diskSize;
}

bool FileCommands::Save() {
    if (m_window.CurFile().isEmpty())
        return SaveAs();
    MainWindow::BusyScope busy(m_window);
    const QString& file = m_window.CurFile();
    if (changedOnDisk()) {
        const PromptAnswer answer = m_window.prompter().ask(
            file + kCrLf + QStringLiteral("was changed by another program since it was loaded.") +
                kCrLf + QStringLiteral("Overwrite it ?"),
            kWarning, PromptIcon::Exclamation, PromptButtons::OkCancel);
        if (answer != PromptAnswer::Ok)
            return false;
    }
    StatusArea& status = m_window.status();
    const std::string path = toPath(file);
    if (m_settings.MakeBackup == 1) {
        if (!m_backupArmed) {
            m_backupArmed = true;
        } else {
            status.Status_Text(QStringLiteral("Making backup ..."));
            std::string ignored; // a backup that cannot be made does not stop the save
            const std::string backup = backupPathFor(path);
            if (!backup.empty() && regularFileExists(path))
                copyFileSafely(path, backup, ignored);
        }
    }
    const NodeTable& nodes = m_window.nodes();
    status.Progress_Start(nodes.NodeCount() + 1);
    status.Status_Text(QStringLiteral("Saving data ..."));
    std::string error;
    const bool saved = saveDataFile(path, nodes, error, [this, &status](std::int64_t done) {
        status.Progress_Step(static_cast<double>(done));
        m_window.yieldEvents();
    });
    if (!saved) {
        status.Status_Reset();
        m_window.prompter().alert(
            file + kCrLf +
            QStringLiteral("could not be saved: %1.").arg(QString::fromStdString(error)));
        return false;
    }
    const std::string cells = cellsPathFor(path);
    if (!cells.empty() && !writeCellsFile(cells, m_window.browser().cells(), error))
        m_window.prompter().alert(
            QString::fromStdString(cells) + kCrLf +
            QStringLiteral("could not be saved: %1.").arg(QString::fromStdString(error)));
    rememberDiskState();
    m_window.Status_Reset();
    m_window.setCaptionFile(file);
    m_window.DataChanged(0);
    return true;
}

bool FileCommands::SaveAs() {
    Prompter& prompter = m_window.prompter();
    const QString path = prompter.saveFile(QStringLiteral("Save QuillMar Data"), kFilters,
                                           nameText(m_window.nodes()[0].Name));
    if (path.isEmpty())
        return false;
    if (QFileInfo::exists(path) &&
        prompter.ask(QStringLiteral("Overwrite existing file ?"), kWarning, PromptIcon::Question,
                     PromptButtons::OkCancel) != PromptAnswer::Ok)
        return false;
    const QString previous = m_window.CurFile();
    m_window.setCurFile(path);
    // The file about to be replaced is the user's choice, not another program's change.
    m_diskSize = -1;
    if (!Save()) {
        m_window.setCurFile(previous);
        rememberDiskState();
        return false;
    }
    m_recent.MRU_Add(path);
    return true;
}

void FileCommands::New() {
    if (!Save_Ask())
        return;
    std::optional<NameField> name;
    while (!name) {
        const QString typed = trimSpaces(
            m_window.prompter().askName({QStringLiteral("New QuillMar DataFile"),
                                         QStringLiteral("Name for TOP Cell:"), QString(), false}));
        if (typed.isEmpty())
            return;
        name = m_edit.storableName(typed);
    }
    m_window.columnArea()->show();
    QCoreApplication::processEvents();
    m_window.nodes().resetNew(*name);
    m_window.setCaptionFile(QStringLiteral("..."));
    m_window.setCurFile(QString());
    m_diskSize = -1;
    m_window.DataChanged(0);
    m_window.Menu_Set(MenuState::NewTree);
    m_window.browser().focusCell(1);
    m_window.Cells_Reset();
    m_edit.Undo_Set(0, -1, 0);
    m_window.repaint();
}

void FileCommands::Open() {
    if (!Save_Ask())
        return;
    const QString path =
        m_window.prompter().openFile(QStringLiteral("Open QuillMar Data"), kFilters);
    if (path.isEmpty())
        return;
    if (!regularFileExists(toPath(path))) {
        m_window.browser().setCurCel(-1);
        m_window.prompter().alert(path + kCrLf + QStringLiteral("Doesn't exist !"));
        return;
    }
    if (m_window.DataLoad(path))
        opened();
}

void FileCommands::openRecent(int place) {
    if (!Save_Ask())
        return;
    const QString path = m_recent.path(place);
    if (!regularFileExists(toPath(path))) {
        m_window.browser().setCurCel(-1);
        m_window.prompter().alert(path + kCrLf + QStringLiteral("Doesn't exist any more!"));
        m_recent.remove(place);
        return;
    }
    if (m_window.DataLoad(path))
        opened();
}

void FileCommands::opened() {
    m_window.browser().focusCell(1);
    m_window.DataChanged(0);
    m_window.Menu_Set(MenuState::Opened);
    m_window.Status_Reset();
    m_window.repaint();
}

void FileCommands::Options() {
    OptionsDialog dialog(m_settings, &m_window);
    connect(&dialog, &OptionsDialog::confirmed, this, [this] {
        m_autoSave.applyMode();
        writeSettings();
    });
    dialog.exec();
}

void FileCommands::writeSettings() {
    if (!SetIniValues(m_ini, m_settings))
        reportSettingsFailure();
}

void FileCommands::reportSettingsFailure() {
    m_window.prompter().alert(
        QStringLiteral("The settings could not be saved in %1:").arg(m_ini.path()) + kCrLf +
        m_ini.errorString());
}

} // namespace qm
