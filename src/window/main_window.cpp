#include "window/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMenuBar>
#include <QTimer>
#include <limits>
#include <new>

#include "store/cells_file.h"
#include "store/data_file.h"
#include "store/safe_file.h"
#include "window/names.h"
#include "window/prompter.h"
#include "window/status_progress.h"
#include "window/twips.h"

namespace qm {

namespace {

constexpr qint64 kYieldIntervalMs = 50;
constexpr int kAutoSaveTickMs = 15000;
const QString kCrLf = QStringLiteral("\r\n");

QString itemCount(qint64 n) {
    return n == 1 ? QStringLiteral("1 item") : QStringLiteral("%1 items").arg(n);
}

// What is wrong with a refused file, in the user's words; qmtool check has the details.
QString damageWords(Fault fault) {
    switch (fault) {
    case Fault::TopItemFree:
        return QStringLiteral("its top item is missing");
    case Fault::TopItemLinked:
        return QStringLiteral("its top item is listed under another item");
    case Fault::LinkBeyondEnd:
        return QStringLiteral("an item lists items that are not in the file");
    case Fault::LinkToFree:
        return QStringLiteral("an item lists a deleted item");
    case Fault::ReachedTwice:
        return QStringLiteral("an item is listed twice");
    case Fault::ParentDisagrees:
        return QStringLiteral("an item is listed under two parents");
    case Fault::PrevDisagrees:
        return QStringLiteral("a list of items is broken");
    case Fault::TooDeep:
        return QStringLiteral("its items lie more than 255 levels deep");
    default:
        return QStringLiteral("its items are not linked as a tree");
    }
}

QString refusalText(const QString& path, const LoadResult& r) {
    const bool notOurs =
        !r.signatureOk && (r.failure == LoadFailure::Damaged || r.failure == LoadFailure::TooShort);
    QString why;
    if (notOurs)
        why = QStringLiteral("it is not a QuillMar data file");
    else if (r.failure == LoadFailure::TooLarge)
        why = QStringLiteral("it is too large to be a QuillMar data file");
    else if (r.failure == LoadFailure::NoMemory)
        why = QStringLiteral("there is not enough memory for it");
    else if (r.failure == LoadFailure::TooShort)
        why = QStringLiteral("it is damaged (it holds no top item)");
    else if (r.failure == LoadFailure::Damaged)
        why = QStringLiteral("it is damaged (%1)").arg(damageWords(r.fault));
    else
        why = QString::fromStdString(r.error);
    QString text = path + kCrLf + QStringLiteral("can't be loaded: %1.").arg(why);
    if (r.repairable())
        text += kCrLf + QStringLiteral("\"qmtool repair\" can rescue its items into a new file.");
    return text;
}

// The lines below the path of the one alert a loaded file may need: the signature verdict
// and the damage worked around. Empty when all is well.
QString loadNote(const LoadResult& r) {
    QStringList lines;
    if (!r.signatureOk)
        lines << QStringLiteral("is NO Quillmar DataFile !");
    if (r.outside == 0 && r.levelRepairs == 0)
        return lines.join(kCrLf);
    lines << QStringLiteral("is damaged; QuillMar works around it:");
    if (r.outside > 0)
        lines << itemCount(r.outside) +
                     (r.outside == 1 ? QStringLiteral(" can't be reached from the top item and "
                                                      "is not shown; saving keeps it as it is.")
                                     : QStringLiteral(" can't be reached from the top item and "
                                                      "are not shown; saving keeps them as they "
                                                      "are."));
    if (r.levelRepairs > 0)
        lines << itemCount(r.levelRepairs) +
                     (r.levelRepairs == 1 ? QStringLiteral(" was filed at a wrong level and is "
                                                           "shown where it belongs.")
                                          : QStringLiteral(" were filed at a wrong level and are "
                                                           "shown where they belong."));
    lines << QStringLiteral("The file on disk is unchanged. \"qmtool repair\" can rescue %1 into "
                            "a new file.")
                 .arg(r.outside > 0 ? QStringLiteral("the items not shown") : QStringLiteral("it"));
    return lines.join(kCrLf);
}

} // namespace

MainWindow::MainWindow(Prompter& prompter, QWidget* parent)
    : QMainWindow(parent), m_prompter(prompter) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("QuillMar  [no data]"));
    // Liberation Sans stands in for Arial with the same metrics, so lists fit as designed.
    setFont(QFont(QStringLiteral("Arial"), 8));
    m_menu = new MainMenu(this);
    m_menu->setGate([this] { return !isBusy(); });

    m_client = new QWidget(this);
    m_client->setFixedSize(twips::size(10320, 7965));
    setCentralWidget(m_client);
    m_browser = new ColumnBrowser(m_nodes, m_prompter, m_client);
    m_browser->move(0, 0);
    m_browser->hide();
    m_status = std::make_unique<StatusArea>(m_nodes, m_client);
    connect(m_browser, &ColumnBrowser::headerHovered, this,
            [this] { m_status->Status_Text(QString()); });
    connect(m_browser, &ColumnBrowser::editCommand, this,
            [this](int index) { m_menu->dispatch(MenuArray::Edit, index); });
    connect(m_browser, &ColumnBrowser::contextMenuRequested, this,
            [this](const QPoint& pos) { m_menu->topMenu(1)->popup(pos); });
    // A very long list is sorted like a load runs: with progress, repainting, nothing else.
    auto before = std::make_shared<QString>(); // the status text the fill covers
    m_browser->setFillProgress({[this, before](std::int64_t total) {
                                    ++m_busy;
                                    *before = m_status->statusText();
                                    m_status->Status_Text(QStringLiteral("Filling list ..."));
                                    m_status->Progress_Start(static_cast<double>(total));
                                },
                                [this](std::int64_t done) {
                                    m_status->Progress_Step(static_cast<double>(done));
                                    yieldEvents();
                                },
                                [this, before] {
                                    m_status->Progress_End();
                                    m_status->Status_Text(*before);
                                    --m_busy;
                                }});

    m_timAs = new QTimer(this);
    m_timAs->setObjectName(QStringLiteral("TimAs"));
    m_timAs->setInterval(kAutoSaveTickMs);

    setFixedSize(m_client->width(), m_client->height() + menuBar()->sizeHint().height());

    // What the window's load does once it has read the settings.
    Menu_Set(MenuState::NoTree);
    DataChanged(0);
    m_nodes.resetEmpty();
    m_browser->setCurCel(-1);
}

MainWindow::~MainWindow() = default;

QWidget* MainWindow::columnArea() const {
    return m_browser;
}

void MainWindow::DataChanged(int changed) {
    const bool c = changed > 0;
    m_dataSaved = !c;
    m_menu->entry(MenuArray::File, FileSave)->setEnabled(c);
    if (c) {
        // Stops at its largest value rather than wrapping to a negative count.
        if (m_asCounter < std::numeric_limits<std::int16_t>::max())
            ++m_asCounter;
        if (m_changeStep)
            m_changeStep();
    } else {
        m_asCounter = 0;
    }
    Status_Reset();
}

void MainWindow::setCaptionFile(const QString& text) {
    setWindowTitle(QStringLiteral("QuillMar  [%1]").arg(text));
}

void MainWindow::yieldEvents() {
    if (m_lastYield.isValid() && m_lastYield.elapsed() < kYieldIntervalMs)
        return;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_lastYield.restart();
}

bool MainWindow::DataLoad(const QString& path) {
    BusyScope busy(*this);
    const std::string file = toPath(path);
    m_status->Status_Text(QStringLiteral("Testing DataFile ..."));
    m_status->Status_Text(QStringLiteral("Preparing Memory ..."));
    m_status->Status_Text(QStringLiteral("Loading data ..."));
    // Nothing may throw out of the event handler that loads.
    try {
        LoadResult loaded;
        {
            // Reading and checking the tree both move the bar and let the window repaint.
            StatusProgress progress(*m_status, [this] { yieldEvents(); });
            loaded = loadDataFile(file, &progress);
        }
        if (!loaded.ok) {
            Status_Reset();
            m_prompter.alert(refusalText(path, loaded));
            return false;
        }
        emit treeAboutToBeReplaced();
        m_nodes = std::move(loaded.table);
        m_curFile = path;
        m_browser->Cells_Reset();
        m_browser->show();
        DataChanged(0);
        m_browser->restoreCells(readCellsFile(cellsPathFor(file), loaded.inTree));
        setCaptionFile(m_curFile);
        if (const QString note = loadNote(loaded); !note.isEmpty())
            m_prompter.alert(path + kCrLf + note);
    } catch (const std::bad_alloc&) {
        Status_Reset();
        m_prompter.alert(path + kCrLf +
                         QStringLiteral("can't be loaded: there is not enough memory for it."));
        return false;
    }
    emit treeReplaced();
    return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (isBusy() || (m_closeHandler && !m_closeHandler())) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace qm
