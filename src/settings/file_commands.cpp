#include "settings/file_commands.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <new>

#include "interchange/outline_import.h"
#include "settings/ini_file.h"
#include "settings/options_dialog.h"
#include "settings/settings_values.h"
#include "store/cells_file.h"
#include "store/content_hash.h"
#include "store/data_file.h"
#include "store/item_path.h"
#include "store/outline.h"
#include "store/safe_file.h"
#include "store/walk.h"
#include "window/file_names.h"
#include "window/load_report.h"
#include "window/main_window.h"
#include "window/names.h"
#include "window/prompter.h"
#include "window/status_progress.h"

namespace qm {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
// The first filter is the one the dialogs start with.
const QString kFilters = QStringLiteral("QuillMar Data (*.qmd);;All Files (*)");
const QString kWarning = QStringLiteral("QuillMar Warning");
const QString kOutlineFilters = QStringLiteral(
    "Outlines (*.opml *.md *.markdown *.txt);;OPML (*.opml *.xml);;Markdown (*.md *.markdown);;"
    "Text Outlines (*.txt);;All Files (*)");

// The export's file types, each with the format it writes and the ending it gives a name.
struct ExportType {
    const char* filter;
    OutlineFormat format;
    const char* suffix;
};
constexpr ExportType kExportTypes[] = {
    {"OPML (*.opml)", OutlineFormat::Opml, "opml"},
    {"Markdown (*.md)", OutlineFormat::Markdown, "md"},
    {"Text Outline (*.txt)", OutlineFormat::TextFile, "txt"},
};

const ExportType& exportType(const QString& filter) {
    for (const ExportType& t : kExportTypes)
        if (filter == QLatin1String(t.filter))
            return t;
    return kExportTypes[0];
}

QString formatWords(OutlineFormat format) {
    return format == OutlineFormat::Opml       ? QStringLiteral("OPML")
           : format == OutlineFormat::Markdown ? QStringLiteral("Markdown")
                                               : QStringLiteral("an outline");
}

} // namespace

QString absoluteFilePath(const QString& path) {
    return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
}

FileCommands::FileCommands(MainWindow& window, Settings& settings, IniFile& ini)
    : QObject(&window), m_window(window), m_settings(settings), m_ini(ini),
      m_recent(settings, window.menu()), m_autoSave(window, settings, [this] { autoSaveNow(); }),
      m_recovery(new Recovery(window)) {}

bool FileCommands::Save_Ask() {
    if (m_window.DataSaved())
        return true;
    const PromptAnswer answer = m_window.prompter().ask(
        QStringLiteral("Save %1 first ?").arg(messageText(m_window.CurFile())),
        QStringLiteral("QuillMar Request"), PromptIcon::Question, PromptButtons::YesNoCancel);
    if (answer == PromptAnswer::Cancel)
        return false;
    // A Yes whose save wrote nothing (its dialog cancelled, or the write failed) must not
    // let the caller throw the changes away.
    return answer == PromptAnswer::No || Save();
}

// Not by size and modification time alone: another program may write as many bytes within
// one tick of the file system's clock, or restore a file with its old time.
bool FileCommands::changedOnDisk() const {
    if (!m_known || !QFileInfo::exists(m_window.CurFile()))
        return false;
    return changedSince(*m_known, m_window.CurFile());
}

bool FileCommands::Save() {
    if (m_window.CurFile().isEmpty())
        return SaveAs();
    MainWindow::BusyScope busy(m_window);
    const QString& file = m_window.CurFile();
    if (changedOnDisk()) {
        const PromptAnswer answer = m_window.prompter().ask(
            messageText(file) + kCrLf +
                QStringLiteral("was changed by another program since it was loaded.") + kCrLf +
                QStringLiteral("Overwrite it ?"),
            kWarning, PromptIcon::Exclamation, PromptButtons::OkCancel);
        if (answer != PromptAnswer::Ok)
            return false;
    }
    return writeTree(true);
}

// Nobody asked for this save, so it asks nothing: a dialog would take the keys the user is
// typing. What stops it is said in the status bar.
void FileCommands::autoSaveNow() {
    StatusArea& status = m_window.status();
    if (m_window.CurFile().isEmpty()) {
        status.Status_Text(QStringLiteral("Not saved yet: give the tree a file with Save As"));
        return;
    }
    MainWindow::BusyScope busy(m_window);
    if (changedOnDisk()) {
        status.Status_Text(QStringLiteral(
            "Not saved automatically: the file was changed by another program (Save asks)"));
        return;
    }
    writeTree(false);
}

bool FileCommands::writeTree(bool alerts) {
    StatusArea& status = m_window.status();
    const QString& file = m_window.CurFile();
    QString problem;
    const auto failed = [&](const QString& what, const std::string& error) {
        const QString why = QString::fromStdString(error);
        if (alerts)
            m_window.prompter().alert(messageText(what) + kCrLf +
                                      QStringLiteral("could not be saved: %1.").arg(why));
        else
            problem =
                QStringLiteral("Auto-save: %1 could not be saved: %2").arg(messageText(what), why);
    };
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
    StatusProgress progress(status, QStringLiteral("Saving data ..."),
                            [this] { m_window.yieldEvents(); });
    std::string error;
    ContentHash written;
    const bool saved = saveDataFile(path, m_window.nodes(), error, &progress, &written);
    if (!saved) {
        status.Status_Reset();
        failed(file, error);
        if (!problem.isEmpty())
            status.Status_Text(problem);
        return false;
    }
    // The tree is on disk: its journal has done its work.
    m_recovery->track(file, written.value());
    const std::string cells = cellsPathFor(path);
    if (!cells.empty() && !writeCellsFile(cells, m_window.browser().cells(), error))
        failed(QString::fromStdString(cells), error);
    m_known = writtenDiskState(file, written.value());
    m_lastFolder = folderOf(file);
    m_window.Status_Reset();
    m_window.setCaptionFile(file);
    m_window.DataChanged(0);
    if (!problem.isEmpty())
        status.Status_Text(problem);
    return true;
}

bool FileCommands::SaveAs() {
    Prompter& prompter = m_window.prompter();
    // The file's own name; a tree not saved yet is named after its top item.
    const QString& current = m_window.CurFile();
    const QString proposed =
        current.isEmpty()
            ? fileNameFor(trimmedNameText(m_window.nodes()[1].Name), QStringLiteral("qmd"))
            : QFileInfo(current).fileName();
    const QString chosen =
        prompter.saveFile(QStringLiteral("Save QuillMar Data"), kFilters, startFolder(), proposed);
    if (chosen.isEmpty())
        return false;
    const QString path = withDefaultSuffix(absoluteFilePath(chosen), QStringLiteral("qmd"));
    if (QFileInfo::exists(path) &&
        prompter.ask(QStringLiteral("Overwrite existing file ?"), kWarning, PromptIcon::Question,
                     PromptButtons::OkCancel) != PromptAnswer::Ok)
        return false;
    const QString previous = m_window.CurFile();
    const std::optional<DiskState> previousKnown = m_known;
    m_window.setCurFile(path);
    // The file about to be replaced is the user's choice, not another program's change.
    m_known.reset();
    if (!Save()) {
        // What was known of the previous file still holds; reading it again now would take
        // another program's change to it as ours.
        m_window.setCurFile(previous);
        m_known = previousKnown;
        return false;
    }
    m_recent.MRU_Add(path);
    return true;
}

QString FileCommands::startFolder() const {
    if (!m_window.CurFile().isEmpty())
        return folderOf(m_window.CurFile());
    return m_lastFolder.isEmpty() ? folderOf(m_recent.path(1)) : m_lastFolder;
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
        name = storableName(m_window.prompter(), typed);
    }
    m_window.columnArea()->show();
    QCoreApplication::processEvents();
    NodeTable tree;
    tree.resetNew(*name);
    m_known.reset();
    m_window.replaceTree(std::move(tree), QString(), QStringLiteral("..."));
    m_window.repaint();
}

void FileCommands::Open() {
    if (!Save_Ask())
        return;
    const QString path = absoluteFilePath(m_window.prompter().openFile(
        QStringLiteral("Open QuillMar Data"), kFilters, startFolder()));
    if (path.isEmpty() || !fileThere(path, QStringLiteral("Doesn't exist !")))
        return;
    open(path);
}

bool FileCommands::open(const QString& file) {
    bool recovered = false;
    if (!load(file, recovered))
        return false;
    opened(recovered);
    return true;
}

bool FileCommands::fileThere(const QString& path, const QString& gone) {
    if (regularFileExists(toPath(path)))
        return true;
    m_window.browser().setCurCel(-1);
    // A folder, a pipe or a device is there, but no data file can be.
    const QString kind = QString::fromStdString(notAFile(toPath(path)));
    m_window.prompter().alert(
        messageText(path) + kCrLf +
        (kind.isEmpty() ? gone : QStringLiteral("is not a data file: %1.").arg(kind)));
    return false;
}

bool FileCommands::load(const QString& file, bool& recovered) {
    const QString path = absoluteFilePath(file);
    // Taken before the read: a change made while the file is read then shows as a change,
    // never the other way round.
    const std::optional<DiskState> state = readDiskState(path);
    switch (m_recovery->offerFor(path)) {
    case Recovery::Offer::Declined:
        return false;
    case Recovery::Offer::Recovered:
        recovered = true;
        if (m_window.CurFile().isEmpty()) { // recovered into a tree of its own
            m_known.reset();
            return true;
        }
        break;
    case Recovery::Offer::None:
    case Recovery::Offer::Discarded:
        if (!m_window.DataLoad(path))
            return false;
        break;
    }
    m_known = state;
    m_lastFolder = folderOf(path);
    m_recent.MRU_Add(path);
    return true;
}

bool FileCommands::recoverUntitled() {
    if (m_recovery->offerUntitled() != Recovery::Offer::Recovered)
        return false;
    m_known.reset();
    opened(true);
    return true;
}

void FileCommands::openRecent(int place) {
    if (!Save_Ask())
        return;
    // An entry written by hand may be relative; it stands for the same file from now on.
    const QString path = absoluteFilePath(m_recent.path(place));
    if (path != m_recent.path(place))
        m_recent.replace(place, path);
    if (!fileThere(path, QStringLiteral("Doesn't exist any more!"))) {
        m_recent.remove(place);
        return;
    }
    open(path);
}

void FileCommands::showRecent() {
    for (const QString& path : m_recent.showAll())
        m_window.prompter().alert(
            messageText(path) + kCrLf +
            QStringLiteral("can't be a file's name: it holds a NUL character. It was taken off "
                           "the recent files."));
}

// The load made the recorded current cell current: focusing another cell here would draw
// another path than the one the cells file keeps.
void FileCommands::opened(bool unsaved) {
    // A recovered tree holds changes its file does not.
    m_window.DataChanged(unsaved ? 1 : 0);
    m_window.Status_Reset();
    m_window.repaint();
}

void FileCommands::Exit() {
    m_window.close();
}

void FileCommands::ImportOutline() {
    if (!Save_Ask())
        return;
    Prompter& prompter = m_window.prompter();
    const QString path = absoluteFilePath(
        prompter.openFile(QStringLiteral("Import Outline"), kOutlineFilters, startFolder()));
    if (path.isEmpty())
        return;
    ImportRequest request;
    request.lenientText = true;
    request.fallbackTop = QFileInfo(path).completeBaseName().toStdU32String();
    OutlineResult r;
    try {
        MainWindow::BusyScope busy(m_window);
        m_window.status().Status_Text(QStringLiteral("Importing outline ..."));
        std::string bytes;
        std::string error;
        if (!readWholeFile(toPath(path), bytes, error)) {
            m_window.Status_Reset();
            prompter.alert(messageText(path) + kCrLf +
                           QStringLiteral("can't be read: %1.").arg(QString::fromStdString(error)));
            return;
        }
        r = importOutline(bytes, request).result;
        m_window.Status_Reset();
    } catch (const std::bad_alloc&) {
        m_window.Status_Reset();
        prompter.alert(messageText(path) + kCrLf +
                       QStringLiteral("can't be imported: there is not enough memory for it."));
        return;
    }
    if (!r.ok) {
        prompter.alert(messageText(path) + kCrLf + QStringLiteral("can't be imported: ") +
                       placeWords(r.errorLine, r.errorColumn) + QString::fromStdString(r.error) +
                       QLatin1Char('.'));
        return;
    }
    // A new tree as New makes one, but with items.
    m_window.columnArea()->show();
    m_known.reset();
    m_lastFolder = folderOf(path);
    m_window.replaceTree(std::move(r.table), QString(), QStringLiteral("..."));
    // Unlike New's lone top item, an imported tree is work that closing must not drop unasked.
    m_window.DataChanged(1);
    m_window.repaint();
    tellImportWarnings(prompter,
                       messageText(path) + kCrLf + QStringLiteral("was imported as a new tree"),
                       r.warnings);
}

void FileCommands::ExportOutline() {
    const NodeTable& nodes = m_window.nodes();
    // The item the user is at; with no cell current, the whole tree.
    const std::int32_t at = m_window.browser().target().entryOrItem();
    const std::int32_t item = at ? at : nodes.isItem(1) ? 1 : 0;
    if (item < 1)
        return;
    Prompter& prompter = m_window.prompter();
    QStringList filters;
    for (const ExportType& t : kExportTypes)
        filters << QLatin1String(t.filter);
    QString filter = m_exportFilter.isEmpty() ? filters.front() : m_exportFilter;
    const QString proposed =
        fileNameFor(trimmedNameText(nodes[item].Name), QLatin1String(exportType(filter).suffix));
    const QString chosen = prompter.saveFileOfType(QStringLiteral("Export Outline"),
                                                   filters.join(QStringLiteral(";;")),
                                                   startFolder(), proposed, filter);
    if (chosen.isEmpty())
        return;
    const ExportType& type = exportType(filter);
    m_exportFilter = QLatin1String(type.filter);
    const QString path = withDefaultSuffix(absoluteFilePath(chosen), QLatin1String(type.suffix));
    // Never over the open data file, a folder or a read-only file, whatever the user answers.
    const std::string data = toPath(m_window.CurFile());
    WriteRules rules = kDataFileRules;
    rules.source = data;
    if (const std::string why = outputRefusal(toPath(path), rules); !why.empty()) {
        const bool itself = outputRefusal(toPath(path), kDataFileRules).empty();
        prompter.alert(
            messageText(path) + kCrLf +
            (itself ? QStringLiteral("is the open data file; export the outline to another file.")
                    : QStringLiteral("can't be written: %1.").arg(QString::fromStdString(why))));
        return;
    }
    if (QFileInfo::exists(path) &&
        prompter.ask(QStringLiteral("Overwrite existing file ?"), kWarning, PromptIcon::Question,
                     PromptButtons::OkCancel) != PromptAnswer::Ok)
        return;
    const OutlineExport refusal = findUnholdable(nodes, item, type.format);
    if (!refusal.ok) {
        prompter.alert(messageText(bytesText(Item_Path(nodes, refusal.item))) + kCrLf +
                       QStringLiteral("can't be exported as %1: %2.")
                           .arg(formatWords(type.format), QLatin1String(refusal.why)));
        return;
    }
    MainWindow::BusyScope busy(m_window);
    StatusProgress progress(m_window.status(), QStringLiteral("Exporting outline ..."),
                            [this] { m_window.yieldEvents(); });
    progress.start(SubtreeWalk::subtreeSize(nodes, item));
    std::string error;
    const bool written =
        exportOutlineFile(toPath(path), nodes, item, type.format, error, rules, &progress);
    m_window.Status_Reset();
    if (!written) {
        prompter.alert(
            messageText(path) + kCrLf +
            QStringLiteral("could not be written: %1.").arg(QString::fromStdString(error)));
        return;
    }
    m_lastFolder = folderOf(path);
    m_window.status().Status_Text(QStringLiteral("Exported %1 to %2")
                                      .arg(trimmedNameText(nodes[item].Name), messageText(path)));
}

void FileCommands::Options() {
    OptionsDialog dialog(m_settings, &m_window);
    dialog.setScale(m_window.scale());
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
        QStringLiteral("The settings could not be saved in %1:").arg(messageText(m_ini.path())) +
        kCrLf + m_ini.errorString() + QLatin1Char('.'));
}

void FileCommands::reportSettingsRefusal() {
    if (m_ini.refusal().isEmpty())
        return;
    m_window.prompter().alert(
        messageText(m_ini.path()) + kCrLf +
        QStringLiteral("can't be used for the settings: %1.").arg(m_ini.refusal()) + kCrLf +
        QStringLiteral("The default settings are used, and the file is left as it is."));
}

} // namespace qm
