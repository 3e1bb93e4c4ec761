#include "window/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMenuBar>
#include <QTimer>
#include <limits>
#include <new>
#include <optional>

#include "store/cells_file.h"
#include "store/content_hash.h"
#include "store/data_file.h"
#include "store/safe_file.h"
#include "window/load_report.h"
#include "window/names.h"
#include "window/prompter.h"
#include "window/status_progress.h"
#include "window/zoom.h"

namespace qm {

namespace {

constexpr qint64 kYieldIntervalMs = 50;
constexpr int kAutoSaveTickMs = 15000;
const QString kCrLf = QStringLiteral("\r\n");

/// A very long list is sorted like a load runs: with progress, repainting, nothing else
/// starting meanwhile; the status text it covered comes back when it is done.
class FillBar : public StatusProgress {
public:
    explicit FillBar(MainWindow& w)
        : StatusProgress(w.status(), QStringLiteral("Filling list ..."), [&w] { w.yieldEvents(); }),
          m_window(w) {}
    ~FillBar() override {
        if (!m_busy)
            return;
        m_status.Progress_End();
        m_status.Status_Text(m_before);
    }
    void start(std::int64_t total) override {
        m_busy.emplace(m_window);
        m_before = m_status.statusText();
        StatusProgress::start(total);
    }

private:
    MainWindow& m_window;
    std::optional<MainWindow::BusyScope> m_busy;
    QString m_before;
};

} // namespace

MainWindow::MainWindow(Prompter& prompter, QWidget* parent)
    : QMainWindow(parent), m_prompter(prompter) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("QuillMar  [no data]"));
    // Liberation Sans stands in for Arial with the same metrics, so lists fit as designed.
    m_layout.setFont(this, QFont(QStringLiteral("Arial"), 8));
    m_menu = new CommandHandler(this, [this](CommandState& state) {
        state.tree = !m_nodes.hasTree()         ? TreeState::None
                     : m_nodes[1].hasChildren() ? TreeState::HasItems
                                                : TreeState::Empty;
        state.saved = m_dataSaved;
        state.hasFile = !m_curFile.isEmpty();
        state.busy = isBusy();
    });
    for (int i = 0; i < 4; ++i)
        m_layout.zoomNaturalFont(m_menu->topMenu(i));

    m_client = new QWidget(this);
    m_layout.fixSize(m_client, 10320, 7965);
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
    m_browser->setFillProgress([this] { return std::make_unique<FillBar>(*this); });

    m_timAs = new QTimer(this);
    m_timAs->setObjectName(QStringLiteral("TimAs"));
    m_timAs->setInterval(kAutoSaveTickMs);

    setFixedSize(layOut(scale()));
    addZoomKeys(
        *this, [this](int direction) { stepZoom(nextZoom(zoom(), direction)); },
        [this] { stepZoom(kZoomSteps.front()); });

    // What the window's load does once it has read the settings.
    DataChanged(0);
    m_nodes.resetEmpty();
    m_browser->setCurCel(-1);
}

MainWindow::~MainWindow() = default;

QSize MainWindow::layOut(twips::Scale scale) {
    m_layout.setScale(scale);
    m_browser->setScale(scale);
    m_status->setScale(scale);
    return {m_client->width(), m_client->height() + menuBar()->sizeHint().height()};
}

void MainWindow::zoomChanged() {
    m_prompter.setScale(scale());
    emit scaleChanged(scale());
}

void MainWindow::setZoom(int percent) {
    const twips::Scale wanted(nearestZoom(percent));
    if (wanted == scale())
        return;
    setFixedSize(layOut(wanted));
    zoomChanged();
}

bool MainWindow::stepZoom(int percent) {
    const int wanted = nearestZoom(percent);
    if (isBusy() || wanted == zoom())
        return false;
    const twips::Scale before = scale();
    const QSize size = layOut(twips::Scale(wanted));
    const QSize frame = size + frameGeometry().size() - this->size();
    const QRect area = availableArea(*this);
    // Measured on the laid-out parts, before the window itself changes size. A smaller
    // window is never refused.
    if (wanted > before.percent() && !fitsOn(frame, area)) {
        layOut(before);
        m_status->Status_Text(QStringLiteral("Zoom %1 % does not fit on the screen").arg(wanted));
        return false;
    }
    setFixedSize(size);
    move(placeWindow(pos(), frame, area));
    zoomChanged();
    m_status->Status_Text(QStringLiteral("Zoom %1 %").arg(zoom()));
    return true;
}

void MainWindow::fitZoom(const QRect& area) {
    while (zoom() > kZoomSteps.front() && !fitsOn(frameGeometry().size(), area))
        setZoom(nextZoom(zoom(), -1));
}

QWidget* MainWindow::columnArea() const {
    return m_browser;
}

void MainWindow::DataChanged(int changed) {
    const bool c = changed > 0;
    m_dataSaved = !c;
    m_menu->refresh();
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
    if (c)
        emit treeChanged();
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
        ContentHash hash;
        {
            // Reading and checking the tree both move the bar and let the window repaint.
            StatusProgress progress(*m_status, {}, [this] { yieldEvents(); });
            loaded = loadDataFile(file, &progress, &hash);
        }
        if (!loaded.ok) {
            Status_Reset();
            m_prompter.alert(refusalText(path, loaded));
            return false;
        }
        const std::vector<Cell> cells = readCellsFile(cellsPathFor(file), loaded.inTree);
        replaceTree(std::move(loaded.table), path, path, cells, hash.value());
        if (const QString note = loadNote(loaded); !note.isEmpty())
            m_prompter.alert(messageText(path) + kCrLf + note);
    } catch (const std::bad_alloc&) {
        Status_Reset();
        m_prompter.alert(messageText(path) + kCrLf +
                         QStringLiteral("can't be loaded: there is not enough memory for it."));
        return false;
    }
    return true;
}

void MainWindow::replaceTree(NodeTable&& table, const QString& file, const QString& caption,
                             const std::vector<Cell>& cells,
                             std::optional<std::uint64_t> fileHash) {
    emit treeAboutToBeReplaced();
    m_nodes = std::move(table);
    m_curFile = file;
    m_browser->Cells_Reset();
    m_browser->show();
    DataChanged(0);
    m_browser->restoreCells(cells);
    setCaptionFile(caption);
    emit treeReplaced(fileHash);
    m_menu->refresh();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (isBusy() || (m_closeHandler && !m_closeHandler())) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace qm
