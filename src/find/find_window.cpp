#include "find/find_window.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <algorithm>

#include "find/found_list.h"
#include "find/path_reveal.h"
#include "print/print_commands.h"
#include "print/print_target.h"
#include "store/item_path.h"
#include "store/name_match.h"
#include "store/sort_walk.h"
#include "store/walk.h"
#include "window/file_names.h"
#include "window/fixed_dialog.h"
#include "window/main_window.h"
#include "window/names.h"
#include "window/prompter.h"
#include "window/status_progress.h"

namespace qm {

namespace {

// The search lets the window answer about 20 times a second; the clock is read only every
// so many items, as reading it costs more than testing a name.
constexpr qint64 kYieldMs = 50;
constexpr int kClockEvery = 256;
// A search that runs longer than this shows how far it has come on the main window's bar.
constexpr qint64 kProgressAfterMs = 1000;

const QString kSearch = QStringLiteral("SEARCH");
const QString kStop = QStringLiteral("STOP");

// Lets the window answer while a search runs, a long sort included, and once it has run a
// second shows on the main window's bar how far it has come: the items visited of those below
// the root, or while a very long list of children is sorted, how much of that is.
class SearchYield : public Progress {
public:
    SearchYield(MainWindow& window, const FindWindow::Clock& clock, std::int32_t root)
        : m_window(window), m_clock(clock), m_root(root), m_begun(clock()), m_lastYield(m_begun) {}

    /// True when it is time to let the window answer again.
    bool due() {
        m_now = m_clock();
        return m_now - m_lastYield >= kYieldMs;
    }
    /// `done` items visited; the window answers.
    void visited(std::int64_t done) {
        m_now = m_clock();
        // Counted only when shown: a short search never pays for it.
        if (m_below < 0 && m_now - m_begun >= kProgressAfterMs)
            m_below = SubtreeWalk::subtreeSize(m_window.nodes(), m_root) - 1;
        show(done, m_below);
    }
    /// The search is over: the bar is left as it was found.
    void end() {
        if (m_shown)
            m_window.Status_Reset();
        m_shown = false;
    }

    void start(std::int64_t total) override { m_sorting = total; }
    void step(std::int64_t done) override {
        if (due())
            show(done, m_sorting);
    }

private:
    void show(std::int64_t done, std::int64_t total) {
        m_shown = m_shown || m_now - m_begun >= kProgressAfterMs;
        if (m_shown) {
            if (total != m_total)
                m_bar.start(total);
            m_total = total;
            m_bar.step(done);
        }
        QCoreApplication::processEvents();
        m_lastYield = m_clock();
    }

    MainWindow& m_window;
    StatusProgress m_bar{m_window.status(), QStringLiteral("Searching ...")};
    const FindWindow::Clock& m_clock;
    const std::int32_t m_root;
    const qint64 m_begun;
    qint64 m_lastYield;
    qint64 m_now = 0;
    std::int64_t m_below = -1;  // items below the root, once counted
    std::int64_t m_sorting = 0; // the long list being sorted
    std::int64_t m_total = -1;  // what the bar counts now
    bool m_shown = false;
};

qint64 steadyMs() {
    static QElapsedTimer timer;
    if (!timer.isValid())
        timer.start();
    return timer.elapsed();
}

QFont fontOf(const QFont& base, const QStringList& families, double points, bool bold) {
    QFont f = base;
    f.setFamilies(families);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

QLabel* label(QWidget* parent, int index, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QStringLiteral("Lab_%1").arg(index));
    l->setTextFormat(Qt::PlainText);
    return l;
}

} // namespace

FindWindow::FindWindow(MainWindow& window, PrinterSource printer)
    : QDialog(&window, kFixedDialogFlags), m_window(window), m_printer(std::move(printer)),
      m_clock(steadyMs), m_results(new FoundList(this)) {
    setObjectName(QStringLiteral("FrmFind"));
    setWindowTitle(QStringLiteral("QuillMar Find Item"));
    setModal(false);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8); // the twips layout is drawn for it
    m_layout.setFont(this, font);
    const QStringList sansSerif{QStringLiteral("MS Sans Serif"), QStringLiteral("Arial")};
    const QStringList arial{QStringLiteral("Arial")};

    QLabel* searchFor =
        m_layout.place(label(this, 2, QStringLiteral("Search for :")), 180, 240, 915, 255);
    searchFor->setAlignment(Qt::AlignRight | Qt::AlignTop);
    m_text = m_layout.place(new QLineEdit(this), 1140, 180, 5055, 285);
    m_text->setObjectName(QStringLiteral("Text1"));
    // A screen reader names the box by the label beside it (a plain-text label takes no buddy).
    m_text->setAccessibleName(searchFor->text());
    m_layout.place(label(this, 1, QStringLiteral("In Item :")), 180, 660, 675, 255)
        ->setAlignment(Qt::AlignRight | Qt::AlignTop);
    m_rootLabel = m_layout.place(label(this, 0, QString()), 960, 660, 4875, 555);
    m_layout.setFont(m_rootLabel, fontOf(font, sansSerif, 8.25, true));
    m_rootLabel->setWordWrap(true);
    m_rootLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    const auto button = [this](int index, const QString& caption, const QRectF& place,
                               const QFont& at100) {
        auto* b = m_layout.place(new QPushButton(caption, this), place.x(), place.y(),
                                 place.width(), place.height());
        b->setObjectName(QStringLiteral("cmd_%1").arg(index));
        m_layout.setFont(b, at100);
        m_cmd[index] = b;
        return b;
    };
    button(0, QStringLiteral("UP"), {5880, 600, 495, 315}, fontOf(font, arial, 11.25, true));

    auto* style = new QGroupBox(QStringLiteral("Search Style"), this);
    style->setObjectName(QStringLiteral("Fra_1"));
    m_layout.place(style, 180, 1200, 3855, 735);
    const QStringList styles{QStringLiteral("Exact name match"),
                             QStringLiteral("String in Item Names"),
                             QStringLiteral("Item Names in String")};
    const std::array<QRectF, 3> places{QRectF(120, 420, 1695, 255), QRectF(1920, 180, 1875, 255),
                                       QRectF(1920, 420, 1875, 255)};
    for (int i = 0; i < 3; ++i) {
        const QRectF& place = places[i];
        m_opt[i] = m_layout.place(new QRadioButton(styles[i], style), place.x(), place.y(),
                                  place.width(), place.height());
        m_opt[i]->setObjectName(QStringLiteral("Opt_%1").arg(i));
        connect(m_opt[i], &QRadioButton::clicked, this, [this, i] { m_style = i; });
    }
    m_opt[0]->setChecked(true);

    QPushButton* searchButton =
        button(1, kSearch, {4140, 1260, 2235, 315}, fontOf(font, arial, 11.25, true));
    searchButton->setDefault(true);
    QPushButton* printButton = button(2, QStringLiteral("Print List"), {4140, 1620, 2235, 315},
                                      fontOf(font, sansSerif, 9.75, false));
    printButton->setEnabled(false);

    auto* found = new QGroupBox(QStringLiteral("Search Results"), this);
    found->setObjectName(QStringLiteral("Fra_0"));
    m_layout.place(found, 60, 2040, 6315, 2595);
    m_list = m_layout.place(new QListView(found), 120, 240, 6075, 2205);
    m_list->setObjectName(QStringLiteral("List"));
    m_list->setAccessibleName(found->title());
    m_list->setModel(m_results);
    // Thousands of lines come in while the search runs: rows of one height cost nothing to
    // lay out.
    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setTextElideMode(Qt::ElideNone);

    setTabOrder(m_text, searchButton);
    setTabOrder(searchButton, m_list);
    setTabOrder(m_list, m_cmd[0]);
    setTabOrder(m_cmd[0], m_opt[0]);
    setTabOrder(m_opt[0], m_opt[1]);
    setTabOrder(m_opt[1], m_opt[2]);
    setTabOrder(m_opt[2], printButton);

    connect(m_cmd[0], &QPushButton::clicked, this, &FindWindow::up);
    connect(searchButton, &QPushButton::clicked, this, &FindWindow::search);
    connect(printButton, &QPushButton::clicked, this, &FindWindow::printList);
    connect(m_list, &QListView::doubleClicked, this, &FindWindow::openLine);

    // The window sees every key before its controls: Escape closes it from anywhere.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    m_layout.fixSize(this, 6435, 4725);
}

void FindWindow::setScale(const twips::Scale& scale) {
    m_layout.setScale(scale);
}

FindWindow::~FindWindow() = default;

void FindWindow::showRoot() {
    const NodeTable& t = m_window.nodes();
    const std::int32_t slot = m_root.slot;
    m_rootLabel->setText(
        slot < 1 ? QString()
                 : bytesText(m_shortLabel ? Item_PathShort(t, slot) : Item_Path(t, slot)));
}

std::int32_t FindWindow::rootInUse() {
    const NodeTable& t = m_window.nodes();
    if (!t.holds(m_root)) {
        m_root = t.keep(t.hasTree() ? 1 : 0);
        m_shortLabel = false;
        showRoot();
    }
    return m_root.slot;
}

void FindWindow::treeChanged() {
    if (m_closed)
        return;
    rootInUse();
    showRoot(); // a new name on the way down
}

void FindWindow::resetTo(std::int32_t root) {
    m_root = m_window.nodes().keep(root);
    m_shortLabel = false;
    showRoot();
    m_text->clear();
    m_opt[0]->setChecked(true);
    m_style = 0;
    m_results->clear();
    m_cmd[1]->setText(kSearch);
    m_cmd[2]->setEnabled(false);
}

void FindWindow::openAt(std::int32_t root) {
    resetTo(root);
    m_closed = false;
    if (!isVisible()) {
        // Centred on the screen each time it is loaded.
        if (const QScreen* s = m_window.screen())
            move(s->availableGeometry().center() - rect().center());
        show();
    }
    raise();
    activateWindow();
    m_text->setFocus();
}

void FindWindow::treeReplaced() {
    m_stop = true;
    const NodeTable& t = m_window.nodes();
    resetTo(t.hasTree() ? 1 : 0);
}

// The root stays the one the user last chose, with Go To → Find or UP, so the label never
// names another root than the one searched.
void FindWindow::formActivate() {
    rootInUse();
    m_text->setFocus();
}

bool FindWindow::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate && !m_closed)
        formActivate();
    return handled;
}

bool FindWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
        reject();
        return true;
    }
    // Enter on a selected result opens it, as a double click does; SEARCH, the default
    // button, would wipe the results.
    if (watched == m_list && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        m_list->selectionModel()->hasSelection()) {
        openLine();
        return true;
    }
    // Typed a to z come out as capitals, as names are typed.
    if (watched == m_text && key->text().size() == 1 &&
        !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        const QChar c = key->text().front();
        if (c >= u'a' && c <= u'z') {
            m_text->insert(QString(QChar(c.unicode() - 32)));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FindWindow::reject() {
    m_stop = true;
    m_closed = true;
    m_results->clear();
    m_cmd[1]->setText(kSearch);
    QDialog::reject();
}

void FindWindow::up() {
    const std::int32_t root = rootInUse();
    if (root < 1)
        return;
    const NodeTable& t = m_window.nodes();
    const std::int32_t parent = t[root].Parent;
    if (parent < 1 || !t.isItem(parent))
        return;
    m_root = t.keep(parent);
    m_shortLabel = true;
    showRoot();
}

void FindWindow::search() {
    if (m_searching) {
        // The button reads STOP: the search loop sees the flag when this click returns.
        m_stop = true;
        return;
    }
    m_results->clear();
    const QString text = m_text->text();
    if (text.isEmpty()) {
        alert(QStringLiteral("No search String !"));
        return;
    }
    const std::int32_t root = rootInUse();
    if (root < 1) {
        m_window.prompter().ask(QStringLiteral("No selection"), QStringLiteral("QuillMar"),
                                PromptIcon::Exclamation, PromptButtons::Ok);
        return;
    }
    searchBelow(root, text);
}

void FindWindow::searchBelow(std::int32_t root, const QString& text) {
    bool found = false;
    {
        // Commands that would change or replace the tree wait until the walk is over; the
        // cells stay browsable.
        MainWindow::BusyScope busy(m_window);
        m_searching = true;
        m_stop = false;
        m_cmd[1]->setText(kStop);
        m_cmd[2]->setEnabled(false);
        const NodeTable& t = m_window.nodes();
        const NameMatcher matcher(static_cast<MatchStyle>(m_style), text.toStdU32String());
        SearchYield yield(m_window, m_clock, root);
        SortWalk walk(t);
        walk.setProgress(&yield);
        std::vector<FoundList::Line> pending;
        qint64 lastYield = m_clock();
        qint64 interval = kYieldMs;
        int untilClock = kClockEvery;
        std::int64_t visited = 0;
        for (bool more = walk.SortWalk_Start(root); more && !m_stop; more = walk.SortWalk_Next()) {
            ++visited;
            if (matcher.matches(walk.SortName())) {
                const std::int32_t slot = walk.SortNod();
                pending.push_back({bytesText(Item_PathShort(t, slot)), t.keep(slot)});
                found = true;
            }
            if (--untilClock > 0)
                continue;
            untilClock = kClockEvery;
            const qint64 now = m_clock();
            if (now - lastYield < interval)
                continue;
            m_results->append(pending);
            // The list lays its lines out later, and a repaint before that draws none: a
            // search that keeps finding would show an empty list until it ends.
            m_list->doItemsLayout();
            // Laying out a list of a million lines takes about a second: the search keeps
            // most of the time however many lines it has found.
            interval = std::max(kYieldMs, 4 * (m_clock() - now));
            yield.visited(visited);
            lastYield = m_clock();
        }
        yield.end();
        m_searching = false;
        // Closed meanwhile: its contents are gone and stay gone.
        if (m_closed)
            return;
        m_results->append(pending);
        m_cmd[1]->setText(kSearch);
        m_cmd[2]->setEnabled(found);
    }
    if (!found)
        alert(QStringLiteral("No matches"));
}

void FindWindow::alert(const QString& text) {
    m_window.prompter().alert(text);
    // Closing the box may hand the focus to the main window, where the next "+" would
    // start Add.
    if (m_closed)
        return;
    raise();
    activateWindow();
    m_text->setFocus(Qt::OtherFocusReason);
}

void FindWindow::openLine() {
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    const FoundList::Line& line = m_results->line(rows.first().row());
    // Renamed or moved, the item is still the one found; a slot freed or given to another
    // item since is not.
    if (!m_window.nodes().holds(line.item)) {
        alert(QStringLiteral("The item\r\nis no longer in the tree."));
        return;
    }
    Path_Reveal(m_window, line.item.slot);
}

void FindWindow::printList() {
    if (m_searching)
        return;
    const NodeTable& t = m_window.nodes();
    QStringList paths;
    for (int row = 0; row < m_results->rowCount(); ++row) {
        const FoundList::Line& line = m_results->line(row);
        if (t.holds(line.item))
            paths << bytesText(printedPath(t, line.item.slot));
    }
    Prompter& prompter = m_window.prompter();
    // Named after the root searched, in the data file's folder until a file was chosen.
    const std::int32_t root = rootInUse();
    const std::unique_ptr<PrintTarget> target =
        m_printer().choose(prompter, root >= 1 ? trimmedNameText(t[root].Name) : QString(),
                           folderOf(m_window.CurFile()));
    if (!target)
        return;
    MainWindow::BusyScope busy(m_window);
    if (!target->begin(QStringLiteral("QuillMar items found"))) {
        reportPrintFailure(prompter, *target);
        return;
    }
    if (!printFoundList(target->surface(), m_text->text(), paths)) {
        target->abandon();
        reportPrintFailure(prompter, *target);
        return;
    }
    if (!target->finish())
        reportPrintFailure(prompter, *target);
}

} // namespace qm
