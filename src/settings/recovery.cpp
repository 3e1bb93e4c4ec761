#include "settings/recovery.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <unistd.h>
#include <utility>

#include "store/content_hash.h"
#include "store/safe_file.h"
#include "window/main_window.h"
#include "window/names.h"
#include "window/prompter.h"

namespace qm {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kTitle = QStringLiteral("QuillMar Recovery");
// Often enough that a change is on disk well within a second, rarely enough to cost nothing.
constexpr int kTickMs = 250;

QString stamp(std::int64_t ms) {
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

// Where a tree's journal may go: beside its data file, or, where that folder cannot take
// it, in the state folder under a name made from the file's path. A tree without a file
// gets a name of its own there.
std::vector<std::string> journalPaths(const QString& file) {
    const QString folder = Recovery::stateFolder();
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (file.isEmpty()) {
        static int session = 0;
        return {toPath(QStringLiteral("%1/untitled-%2-%3-%4.qmr")
                           .arg(folder, QDateTime::currentDateTime().toString(
                                            QStringLiteral("yyyyMMdd-hhmmss")))
                           .arg(::getpid())
                           .arg(++session))};
    }
    const std::string path = toPath(file);
    ContentHash hash;
    hash.add(path.data(), path.size());
    return {path + std::string(kJournalSuffix),
            toPath(QStringLiteral("%1/%2-%3.qmr")
                       .arg(folder, QFileInfo(file).fileName())
                       .arg(hash.value(), 16, 16, QLatin1Char('0')))};
}

} // namespace

Recovery::Recovery(MainWindow& window)
    : QObject(&window), m_window(window), m_timer(new QTimer(this)) {
    m_timer->setObjectName(QStringLiteral("TimRecovery"));
    m_timer->setInterval(kTickMs);
    connect(m_timer, &QTimer::timeout, this, &Recovery::tick);
    m_window.nodes().setRecorder(&m_writer);
    // The tree is replaced only once its changes were saved or given up; the new one is
    // journaled from its first change on.
    connect(&m_window, &MainWindow::treeAboutToBeReplaced, this, &Recovery::discard);
    connect(&m_window, &MainWindow::treeReplaced, this, &Recovery::treeReplaced);
    connect(&m_window, &MainWindow::treeChanged, this, &Recovery::changeReported);
}

Recovery::~Recovery() {
    // The window, and its table, are gone by now; only the journal is left to finish.
    std::string ignored;
    m_writer.setClock({}); // a clock given by a test may be gone
    m_writer.flush(ignored);
}

QString Recovery::stateFolder() {
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/QuillMar");
}

void Recovery::setClock(std::function<std::int64_t()> now) {
    m_writer.setClock(std::move(now));
    m_manual = true;
    m_timer->stop();
}

void Recovery::track(const QString& file, std::optional<std::uint64_t> hash) {
    m_writer.restart(journalPaths(file), {toPath(file), hash}, std::exchange(m_replacing, {}));
    m_failureShown = false;
}

void Recovery::treeReplaced(std::optional<std::uint64_t> fileHash) {
    track(m_window.CurFile(), fileHash);
}

void Recovery::changeReported() {
    // A change that did not go through the edit operations: the tree as it is now.
    if (m_writer.changeCount() == m_reportedChanges)
        m_writer.checkpoint(m_window.nodes());
    m_reportedChanges = m_writer.changeCount();
    if (!m_manual && !m_timer->isActive())
        m_timer->start();
}

void Recovery::tick() {
    NodeTable& nodes = m_window.nodes();
    // Unsaved changes whose journal could not be kept on are journaled afresh.
    if (!m_writer.started() && !m_window.DataSaved() && nodes.hasTree())
        m_writer.checkpoint(nodes);
    if (!m_writer.started()) {
        m_timer->stop();
        return;
    }
    m_writer.recordCells(m_window.browser().cells());
    std::string error;
    if (m_writer.flush(error)) {
        m_failureShown = false;
    } else if (!m_failureShown || m_window.status().statusText().isEmpty()) {
        m_window.status().Status_Text(
            QStringLiteral("No recovery file: %1").arg(QString::fromStdString(error)));
        m_failureShown = true;
    }
}

Recovery::Offer Recovery::offerFor(const QString& file) {
    for (const std::string& path : journalPaths(file)) {
        // A journal another window keeps is no crashed session's.
        if (regularFileExists(path) && !journalInUse(path) && readJournalBase(path))
            return offer(QString::fromStdString(path), file);
    }
    return Offer::None;
}

Recovery::Offer Recovery::offerUntitled() {
    const QFileInfoList journals =
        QDir(stateFolder())
            .entryInfoList({QStringLiteral("*.qmr")}, QDir::Files, QDir::Time); // newest first
    for (const QFileInfo& info : journals) {
        const std::string path = toPath(info.absoluteFilePath());
        const std::optional<JournalBase> base = readJournalBase(path);
        if (!base || !base->path.empty() || journalInUse(path))
            continue;
        const Offer offered = offer(info.absoluteFilePath(), QString());
        if (offered == Offer::Recovered || offered == Offer::Declined)
            return offered;
    }
    return Offer::None;
}

Recovery::Offer Recovery::offer(const QString& journal, const QString& file) {
    m_window.status().Status_Text(QStringLiteral("Reading recovery file ..."));
    JournalContents contents = readJournalFile(toPath(journal));
    const std::optional<std::uint64_t> fileHash =
        file.isEmpty() ? std::nullopt : hashFileBytes(toPath(file));
    m_window.Status_Reset();
    const bool same = contents.base.hash && fileHash == contents.base.hash;
    Prompter& prompter = m_window.prompter();
    const auto remove = [&] {
        QFile f(journal);
        if (!f.remove())
            prompter.alert(journal + kCrLf +
                           QStringLiteral("could not be deleted: %1.").arg(f.errorString()));
    };
    if (contents.ok && same && contents.changes == 0 && contents.lost == 0) {
        remove(); // it holds nothing the file does not
        return Offer::None;
    }

    QString where = file;
    if (file.isEmpty())
        where = contents.ok
                    ? QStringLiteral("the new tree ") + trimmedNameText(contents.table[1].Name)
                    : journal;
    if (!contents.ok) {
        const QString text = QStringLiteral("Changes to") + kCrLf + where + kCrLf +
                             QStringLiteral("were not saved, and can't be recovered: %1.")
                                 .arg(QString::fromStdString(contents.error)) +
                             kCrLf + QStringLiteral("Delete the recovery file?");
        if (prompter.choose(text, kTitle, PromptIcon::Exclamation,
                            {QStringLiteral("Discard"), QStringLiteral("Cancel")}, 1, 1) != 0)
            return Offer::Declined;
        remove();
        return Offer::Discarded;
    }

    const std::int64_t madeUpTo = contents.madeUpToMs > 0
                                      ? contents.madeUpToMs
                                      : QFileInfo(journal).lastModified().toMSecsSinceEpoch();
    QString text = QStringLiteral("Changes to") + kCrLf + where + kCrLf +
                   QStringLiteral("made up to %1 were not saved.").arg(stamp(madeUpTo)) + kCrLf;
    const bool intoNew = !file.isEmpty() && !same;
    if (intoNew)
        text += QStringLiteral("The file has been changed since.") + kCrLf;
    if (contents.lost == 1)
        text += QStringLiteral("The last change could not be read and is lost.") + kCrLf;
    else if (contents.lost > 1)
        text += QStringLiteral("The last %1 changes could not be read and are lost.")
                    .arg(contents.lost) +
                kCrLf;
    text += QStringLiteral("Recover them?");
    const QStringList buttons{intoNew ? QStringLiteral("Recover into a new, unsaved tree")
                                      : QStringLiteral("Recover"),
                              QStringLiteral("Discard"), QStringLiteral("Cancel")};
    switch (prompter.choose(text, kTitle, PromptIcon::Question, buttons, 0, 2)) {
    case 0:
        adopt(contents, intoNew ? QString() : file, fileHash, journal);
        return Offer::Recovered;
    case 1:
        remove();
        return Offer::Discarded;
    default:
        return Offer::Declined;
    }
}

void Recovery::adopt(JournalContents& contents, const QString& file,
                     std::optional<std::uint64_t> hash, const QString& journal) {
    std::vector<Cell> cells;
    if (!contents.cells.empty())
        cells = decodeCells(contents.cells, contents.inTree);
    else if (!file.isEmpty())
        cells = readCellsFile(cellsPathFor(toPath(file)), contents.inTree);
    // The recovered tree gets a journal of its own before the old one goes.
    m_replacing = toPath(journal);
    m_window.replaceTree(std::move(contents.table), file,
                         file.isEmpty() ? QStringLiteral("...") : file, cells,
                         file.isEmpty() ? std::nullopt : hash);
    m_writer.checkpoint(m_window.nodes());
    std::string error;
    if (m_writer.flush(error, JournalWriter::Sync::Now)) {
        if (m_writer.path() != toPath(journal))
            QFile::remove(journal);
    } else {
        m_window.status().Status_Text(
            QStringLiteral("No recovery file: %1").arg(QString::fromStdString(error)));
        m_failureShown = true;
    }
    if (!m_manual)
        m_timer->start();
}

} // namespace qm
