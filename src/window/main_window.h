#pragma once
// frmMain: owns the tree of the session and the window parts that show it; its command
// handler runs each menu entry's command in the subsystem that owns it.

#include <QElapsedTimer>
#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "store/node_table.h"
#include "window/column_browser.h"
#include "window/command_handler.h"
#include "window/status_area.h"
#include "window/twips_layout.h"

class QTimer;

namespace qm {

class Prompter;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(Prompter& prompter, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The session's data.
    NodeTable& nodes() { return m_nodes; }
    const QString& CurFile() const { return m_curFile; }
    void setCurFile(const QString& path) { m_curFile = path; }
    bool DataSaved() const { return m_dataSaved; }
    int AsCounter() const { return m_asCounter; }
    void setAsCounter(int value) { m_asCounter = value; }

    // The parts.
    ColumnBrowser& browser() { return *m_browser; }
    StatusArea& status() { return *m_status; }
    CommandHandler& menu() { return *m_menu; }
    Prompter& prompter() { return m_prompter; }
    QTimer& TimAs() { return *m_timAs; }
    QWidget* columnArea() const;

    // Public operations.
    void Cells_Reset() { m_browser->Cells_Reset(); }
    void Cell_Clear(int cel) { m_browser->Cell_Clear(cel); }
    void Cell_Update(std::int32_t nod) { m_browser->Cell_Update(nod); }
    void Status_Reset() { m_status->Status_Reset(); }
    /// Marks the tree changed (changed > 0) or saved / freshly loaded.
    void DataChanged(int changed);
    /// Loads a data file in place of the open tree. A file that cannot be used is reported
    /// and leaves the open tree, its cells, caption and saved state as they were.
    bool DataLoad(const QString& path);
    /// The one way a tree takes the place of the open one: the new table, its file (empty
    /// for none yet), the caption text, the cells to restore, and the ContentHash of the
    /// file's bytes as read (none when not read). Marks the tree saved and
    /// emits treeAboutToBeReplaced before and treeReplaced after.
    void replaceTree(NodeTable&& table, const QString& file, const QString& caption,
                     const std::vector<Cell>& cells = {},
                     std::optional<std::uint64_t> fileHash = std::nullopt);
    /// "QuillMar  [text]".
    void setCaptionFile(const QString& text);

    /// The zoom of the window and of the dialogs it opens.
    const twips::Scale& scale() const { return m_layout.scale(); }
    int zoom() const { return scale().percent(); }
    /// Lays the window out at the zoom step nearest to `percent`, whatever the screen.
    void setZoom(int percent);
    /// The user's step to another zoom: refused, with a status text, when the window would
    /// not fit on the screen's available area; the window is kept on that area.
    bool stepZoom(int percent);
    /// Lowers the zoom until the window fits on `area`; 100 % stays whatever the area.
    void fitZoom(const QRect& area);

    /// True while a long operation runs; nothing else may start then.
    bool isBusy() const { return m_busy > 0; }
    class BusyScope {
    public:
        explicit BusyScope(MainWindow& w) : m_w(w) {
            if (m_w.m_busy++ == 0)
                m_w.m_menu->refresh();
        }
        ~BusyScope() {
            if (--m_w.m_busy == 0)
                m_w.m_menu->refresh();
        }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        MainWindow& m_w;
    };
    /// Lets the window repaint and process pending events, but not user input, at most
    /// about 20 times a second.
    void yieldEvents();

    /// Run when the window is asked to close; returning false keeps it open.
    void setCloseHandler(std::function<bool()> handler) { m_closeHandler = std::move(handler); }
    /// Run after every change reported to DataChanged (the auto-save change step).
    void setChangeStep(std::function<void()> step) { m_changeStep = std::move(step); }

signals:
    /// A tree is about to replace the table; the old tree, CurFile and cells are still there.
    void treeAboutToBeReplaced();
    /// The new table is in place, its cells and the caption set; `fileHash` as given to
    /// replaceTree.
    void treeReplaced(std::optional<std::uint64_t> fileHash);
    /// A command changed the tree (DataChanged with a change).
    void treeChanged();
    /// The zoom changed; a dialog kept open beside the window follows it.
    void scaleChanged(const twips::Scale& scale);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    /// Lays every part out at `scale` and returns the size the window needs for them.
    QSize layOut(twips::Scale scale);
    void zoomChanged();

    Prompter& m_prompter;
    NodeTable m_nodes;
    QString m_curFile;
    bool m_dataSaved = true;
    int m_asCounter = 0;
    int m_busy = 0;
    QElapsedTimer m_lastYield;
    QWidget* m_client = nullptr;
    ColumnBrowser* m_browser = nullptr;
    std::unique_ptr<StatusArea> m_status; // not a QObject: owned here
    CommandHandler* m_menu = nullptr;
    QTimer* m_timAs = nullptr;
    std::function<bool()> m_closeHandler;
    std::function<void()> m_changeStep;
    TwipsLayout m_layout;
};

} // namespace qm
