#pragma once
// FrmFind: searches the items below a root for names that match a text in one of three
// styles, lists them by path as it goes, prints the list and opens a listed item in the cells.
// Modeless: the main window stays usable beside it.

#include <QDialog>
#include <array>
#include <cstdint>
#include <functional>

#include "store/node_table.h"
#include "window/twips_layout.h"

class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QRadioButton;

namespace qm {

class FoundList;
class MainWindow;
class PrintDestination;

class FindWindow : public QDialog {
    Q_OBJECT
public:
    /// Milliseconds from any fixed point; tests drive it by hand.
    using Clock = std::function<qint64()>;
    /// Where Print List prints: the printer that Page Setup sets up, or a file.
    using PrinterSource = std::function<PrintDestination&()>;

    FindWindow(MainWindow& window, PrinterSource printer);
    ~FindWindow() override;

    /// Resets the window to search below `root` (the text, the style, the list, Print List)
    /// and shows it, or brings it to the front.
    void openAt(std::int32_t root);
    /// Another tree replaced the one searched: the window is reset to its top item.
    void treeReplaced();

    std::int32_t RootNode() const { return m_root.slot; }
    /// The tree was edited in the main window: the root label follows a new name, and a root
    /// that is gone gives way to the top item at once.
    void treeChanged();
    int SearchStyle() const { return m_style; }
    bool searching() const { return m_searching; }
    const FoundList& results() const { return *m_results; }
    void setClock(Clock clock) { m_clock = std::move(clock); }
    /// Lays the window out at the main window's zoom.
    void setScale(const twips::Scale& scale);

    // The handlers of the buttons and the list.
    void up();
    void search();
    void printList();
    void openLine();

    /// Closing unloads the window: a running search ends and the contents are dropped.
    void reject() override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// The root to search: the kept one while it still holds its item, else the top item;
    /// 0 only without a tree. The label is brought up to date with it.
    std::int32_t rootInUse();
    void showRoot();
    void formActivate();
    void resetTo(std::int32_t root);
    void searchBelow(std::int32_t root, const QString& text);
    /// An alert of this window, which has the focus again when it closes.
    void alert(const QString& text);

    MainWindow& m_window;
    TwipsLayout m_layout;
    PrinterSource m_printer;
    Clock m_clock;
    FoundList* m_results = nullptr;
    QLabel* m_rootLabel = nullptr;
    QLineEdit* m_text = nullptr;
    std::array<QPushButton*, 3> m_cmd{};
    std::array<QRadioButton*, 3> m_opt{};
    QListView* m_list = nullptr;

    KeptSlot m_root;           // RootNode
    bool m_shortLabel = false; // the label shows the short path once UP was used
    int m_style = 0;           // SearchStyle
    bool m_searching = false;
    bool m_stop = false;
    bool m_closed = true;
};

} // namespace qm
