// The column browser, menus, status bar and loading, driven through the real main window.

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QProgressBar>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include "store/cells_file.h"
#include "support/file_bytes.h"
#include "support/scripted_prompter.h"
#include "support/window_driver.h"
#include "window/main_window.h"

using namespace qm;
using namespace qm::test;

namespace {

// A chain deep enough to run the whole snake, and a few siblings to sort.
const char* kTree = "TOP\n  A1\n    B1\n      C1\n        D1\n          E1\n            F1\n"
                    "              G1\n                H1\n                  I1\n"
                    "                    J1\n                      K1\n                        L1\n"
                    "      C2\n  apple\n  Banana\n  zeta\n    z1\n";

// WCAG's contrast ratio of two colours: 4.5 and above reads as normal text.
double contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto lin = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
    };
    const double x = luminance(a) + 0.05, y = luminance(b) + 0.05;
    return std::max(x, y) / std::min(x, y);
}

QPalette darkPalette() {
    QPalette p;
    for (auto role : {QPalette::Window, QPalette::Button, QPalette::Base})
        p.setColor(role, QColor(45, 45, 48));
    for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        p.setColor(role, QColor(235, 235, 235));
    return p;
}

/// Runs a function for every event of one type a watched object receives.
class EventSpy : public QObject {
public:
    EventSpy(QObject* watched, QEvent::Type type, std::function<void()> seen)
        : m_type(type), m_seen(std::move(seen)) {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == m_type)
            m_seen();
        return false;
    }

private:
    QEvent::Type m_type;
    std::function<void()> m_seen;
};

} // namespace

class TestColumnBrowser : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedPrompter> m_prompter;
    std::unique_ptr<MainWindow> m_w;
    QList<int> m_editCalls;
    QString m_tree;

    MainWindow& w() { return *m_w; }
    // Opens `to` links of the chain from the current cell, starting at the `from`th.
    void openChain(int to, int from = 0) {
        const QStringList chain{"A1", "B1", "C1", "D1", "E1", "F1", "G1", "H1", "I1", "J1", "K1"};
        for (int i = from; i < to; ++i)
            QVERIFY2(openEntry(w(), w().browser().CurCel(), chain[i]), qPrintable(chain[i]));
    }

    void openWindow() {
        m_w = std::make_unique<MainWindow>(*m_prompter);
        m_editCalls.clear();
        for (int i : {EditUndo, EditAdd, EditDelete, EditRename, EditCut, EditCopy, EditPaste})
            m_w->menu().bind(MenuArray::Edit, i, [this, i] { m_editCalls << i; });
        m_w->show();
        QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
    }
    void loadTree() {
        m_tree = writeTreeFile(m_dir, "tree.qmd", kTree);
        QVERIFY(m_w->DataLoad(m_tree));
        m_w->browser().focusCell(0);
    }

private slots:
    void init() {
        m_prompter = std::make_unique<ScriptedPrompter>();
        openWindow();
        loadTree();
    }
    void cleanup() {
        m_w.reset();
        m_prompter.reset();
    }

    void load_showsTopItemSortedEntriesAndCaption() {
        QCOMPARE(w().status().countText(), QString("Items: 17"));
        QCOMPARE(headerText(w(), 0), QString("TOP"));
        // Case-insensitive, entries with children first, each carrying its item's slot.
        QCOMPARE(cellTexts(w(), 0), QStringList({"+ A1", "+ zeta", "apple", "Banana"}));
        QVERIFY(clickEntry(w(), 0, "zeta"));
        QVERIFY(trimmedName(w().nodes()[w().browser().selectedSlot(0)].Name) == "zeta");
        // Opening with nothing selected, or in an empty cell, does nothing.
        QTest::mouseDClick(w().browser().list(3)->viewport(), Qt::LeftButton);
        QCOMPARE(w().browser().cells()[8].Nod, 0);
    }

    void sortOrder_entriesWithChildrenFirst_eachGroupIgnoringCase() {
        CellListModel* model = w().browser().list(0)->entries();
        QAbstractItemModelTester tester(model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        // Names below "+" in the code table once came before the entries with children.
        QVERIFY(w().DataLoad(writeTreeFile(m_dir, "order.qmd",
                                           "TOP\n  #1\n  N3\n    X\n  (OLD)\n  N0\n  !BANG\n    Y\n"
                                           "  äpfel\n  Zed\n  ÄRGER\n  apple\n  APPLE\n")));
        // Accented capitals fold like the others; equal names keep their stored order.
        QCOMPARE(cellTexts(w(), 0), QStringList({"+ !BANG", "+ N3", "#1", "(OLD)", "apple", "APPLE",
                                                 "N0", "Zed", "äpfel", "ÄRGER"}));
        w().browser().Cell_Clear(0);
        QCOMPARE(model->rowCount(), 0);
    }

    void veryLongList_sortedWithProgressWhileCommandsWait() {
        // Names "N0000000" on, in a scattered stored order and mixed case, so the sort splits
        // them rank by rank; every 4096th has a child; every 256th is named SAME, more of them
        // than are sorted by comparison at once, so they are split down to the last rank.
        constexpr std::int32_t kCount = (1 << 20) + 1000;
        constexpr int kWithChildren = 257, kSame = 4100;
        std::string outline = "WIDE\n";
        for (std::int32_t i = 0; i < kCount; ++i) {
            const long long number = std::int64_t(i) * 7919 % kCount;
            outline +=
                number % 256 == 0
                    ? std::string("  SAME\n")
                    : QString::asprintf("  %c%07lld\n", i % 2 ? 'n' : 'N', number).toStdString();
            if (number % 4096 == 1)
                outline += "    X\n";
        }
        OutlineResult t = parseOutline(outline);
        QVERIFY(t.ok);
        QStringList seen; // what the bar showed with, and whether commands had to wait
        QProgressBar* bar = w().status().progress();
        EventSpy shown(bar, QEvent::Show, [&] {
            seen << w().status().statusText() + (w().isBusy() ? " busy" : " idle");
        });
        EventSpy hidden(bar, QEvent::Hide, [&] {
            seen << QString::number(bar->value() == bar->maximum() ? 100 : bar->value());
        });
        w().status().Status_Text("Before");
        w().nodes() = std::move(t.table);
        w().Cells_Reset();
        QCOMPARE(seen, QStringList({"Filling list ... busy", "100"}));
        QVERIFY(!w().isBusy());
        QCOMPARE(w().status().statusText(), QString("Before"));

        // With children first, then the numbered names, then SAME in stored (slot) order.
        const CellListModel* m = w().browser().list(0)->entries();
        QCOMPARE(m->rowCount(), kCount);
        std::int64_t previous = -1;
        for (int row = 0; row < kCount; ++row) {
            const std::int32_t slot = m->slotAt(row);
            const std::string_view name = trimmedName(w().nodes()[slot].Name);
            const bool same = name == "SAME";
            const std::int64_t value =
                same ? slot : std::atoll(std::string(name.substr(1)).c_str());
            if (row == kWithChildren || row == kCount - kSame)
                previous = -1;
            const bool inPlace = row < kWithChildren
                                     ? m->hasChildrenAt(row) && value % 4096 == 1
                                     : !m->hasChildrenAt(row) && same == (row >= kCount - kSame);
            if (!inPlace || value <= previous)
                QFAIL(qPrintable(QString("row %1: %2").arg(row).arg(m->textAt(row))));
            previous = value;
        }
    }

    void longNames_cutWithTheWholeNameInATip() {
        QVERIFY(w().DataLoad(
            writeTreeFile(m_dir, "long.qmd", "TOP\n  GARDEN FURNITURE SET\n    X\n  AB\n")));
        w().browser().focusCell(0);
        CellList* list = w().browser().list(0);
        const auto tipOver = [&](const QString& entry) {
            const QPoint at =
                list->visualRect(list->entries()->index(cellTexts(w(), 0).indexOf(entry))).center();
            QHelpEvent help(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
            QApplication::sendEvent(list->viewport(), &help);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        QCOMPARE(tipOver("AB"), QString()); // it fits
        QCOMPARE(tipOver("+ GARDEN FURNITURE SET"), QString("GARDEN FURNITURE SET"));
        QToolTip::hideText();
        // A header is cut the same way, and the list still reads the whole name.
        QVERIFY(openEntry(w(), 0, "GARDEN FURNITURE SET"));
        QLabel* header = w().browser().header(5);
        QVERIFY2(header->text().endsWith(QChar(0x2026)), qPrintable(header->text()));
        QVERIFY(header->fontMetrics().horizontalAdvance(header->text()) <=
                header->contentsRect().width());
        QCOMPARE(header->toolTip(), QString("GARDEN FURNITURE SET"));
        QCOMPARE(w().browser().header(0)->toolTip(), QString()); // "TOP" fits
        QCOMPARE(
            QAccessible::queryAccessibleInterface(w().browser().list(5))->text(QAccessible::Name),
            QString("Cell 5: GARDEN FURNITURE SET"));
    }

    void headers_readableOnEveryPanel_data() {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light theme") << false;
        QTest::newRow("dark theme") << true;
    }
    void headers_readableOnEveryPanel() {
        QFETCH(bool, dark);
        const QPalette before = QApplication::palette();
        const auto restore = qScopeGuard([&] { QApplication::setPalette(before); });
        if (dark) { // the theme changes while the window is open
            QApplication::setPalette(darkPalette());
            QTRY_COMPARE(w().browser().palette().color(QPalette::Window),
                         darkPalette().color(QPalette::Window));
        }
        QVERIFY(openEntry(w(), 0, "A1"));
        for (int cel : {5, 0, 1}) { // current, on the path, plain
            const QColor text = w().browser().header(cel)->palette().color(QPalette::WindowText);
            const QColor back = panelColour(w(), cel);
            QVERIFY2(
                contrast(text, back) >= 4.5,
                qPrintable(QString("cell %1: %2 on %3").arg(cel).arg(text.name(), back.name())));
        }
    }

    void screenReaders_hearCellsAndEntries() {
        QVERIFY(openEntry(w(), 0, "A1"));
        const auto cell = [&](int cel) {
            return QAccessible::queryAccessibleInterface(w().browser().list(cel));
        };
        const auto reads = [](QAccessibleInterface* a) {
            return a->text(QAccessible::Name) + '|' + a->text(QAccessible::Description);
        };
        QCOMPARE(QStringList({reads(cell(5)), reads(cell(0)), reads(cell(3))}),
                 QStringList({"Cell 5: A1|Current cell", "Cell 0: TOP|On the path", "Cell 3|"}));
        // Entries without their "+ " and padding, saying which have children.
        QCOMPARE(QStringList({reads(cell(0)->child(0)), reads(cell(0)->child(2))}),
                 QStringList({"A1|has children", "apple|"}));
    }

    void opening_runsTheSnakeShiftsShortensAndStopsAtMaximumDepth() {
        openChain(2);
        QCOMPARE(pathBack(w()), QList<int>({0, 5, 10}));
        QVERIFY(openEntry(w(), 10, "C1")); // the fourth cell shifts the hanging part
        QCOMPARE(pathBack(w()), QList<int>({0, 1, 6, 11}));
        // The old cells keep their lists but leave the path.
        QCOMPARE(headerText(w(), 1) + headerText(w(), 6) + headerText(w(), 11) + headerText(w(), 5),
                 QString("A1B1C1A1"));

        QVERIFY(openEntry(w(), 11, "D1"));
        QCOMPARE(pathBack(w()), QList<int>({0, 1, 2, 7, 12}));
        // Opening in an earlier cell starts a shorter path from there.
        QVERIFY(openEntry(w(), 2, "C2"));
        QCOMPARE(pathBack(w()), QList<int>({0, 1, 2, 7}));
        QCOMPARE(headerText(w(), 7) + ' ' + headerText(w(), 12), QString("C2 D1"));

        QVERIFY(openEntry(w(), 2, "C1"));
        openChain(6, 3);
        QCOMPARE(pathBack(w()), QList<int>({0, 1, 2, 3, 4, 9, 14}));
        QVERIFY(openEntry(w(), 14, "G1")); // came from 9: goes to 13, not 15
        openChain(10, 7);
        QCOMPARE(pathBack(w()), QList<int>({0, 1, 2, 3, 4, 9, 14, 13, 12, 11, 10}));
        // Deeper items stay reachable as entries of the last cell; opening one is refused.
        QCOMPARE(cellTexts(w(), 10), QStringList({"+ K1"}));
        const CellArray before = w().browser().cells();
        m_prompter->answer(PromptAnswer::Ok);
        QVERIFY(openEntry(w(), 10, "K1"));
        QCOMPARE(m_prompter->last().title + '|' + m_prompter->last().text,
                 QString("QuillMar Alert|Maximum depth"));
        QCOMPARE(m_prompter->last().icon, PromptIcon::Exclamation);
        QVERIFY(w().browser().cells() == before);
    }

    // Only the path looks live: the current cell bright, the path cells highlighting the
    // entry open in the next cell, every other cell greyed with nothing highlighted.
    void path_onlyThePathLooksLive_data() {
        // "open X" in the current cell or "open N X" in cell N, "esc" in the current cell,
        // "header N" and "entry N X": clicks into cell N.
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("picture");
        const QStringList down{"open A1", "open B1"};
        const QStringList back = down + QStringList{"esc", "esc", "open zeta"};
        const QStringList shifted =
            QStringList{"open A1", "open B1", "open C1", "esc", "esc", "esc", "open zeta"};
        QTest::newRow("escape greys the cell it leaves")
            << (down + QStringList{"esc"}) << "0+TOP[A1] 5*A1[B1] 10-B1";
        QTest::newRow("back and down another branch") << back << "0+TOP[zeta] 5*zeta[] 10-B1";
        QTest::newRow("a click into a cell off the path draws the path to it")
            << (back + QStringList{"header 10"}) << "0+TOP[A1] 5+A1[B1] 10*B1[]";
        QTest::newRow("a click on an entry of a cell off the path")
            << (back + QStringList{"entry 10 C2"}) << "0+TOP[A1] 5+A1[B1] 10*B1[C2]";
        QTest::newRow("cells left by a shift keep their lists, greyed")
            << shifted << "0+TOP[zeta] 1-A1 5*zeta[] 6-B1 10-B1 11-C1";
        QTest::newRow("a click into a shifted cell")
            << (shifted + QStringList{"header 6"})
            << "0+TOP[A1] 1+A1[B1] 5-zeta 6*B1[] 10-B1 11-C1";
        QTest::newRow("opening in an earlier cell shortens the path")
            << QStringList{"open A1", "open B1", "open C1", "open D1", "open 2 C2"}
            << "0+TOP[A1] 1+A1[B1] 2+B1[C2] 5-A1 6-B1 7*C2[] 10-B1 11-C1 12-D1";
    }
    void path_onlyThePathLooksLive() {
        QFETCH(QStringList, steps);
        for (const QString& step : steps) {
            const QStringList word = step.split(' ');
            const int cur = w().browser().CurCel();
            if (word[0] == "open")
                QVERIFY2(word.size() == 3 ? openEntry(w(), word[1].toInt(), word[2])
                                          : openEntry(w(), cur, word[1]),
                         qPrintable(step));
            else if (word[0] == "esc")
                pressKey(w(), cur, Qt::Key_Escape);
            else if (word[0] == "header")
                QTest::mouseClick(w().browser().header(word[1].toInt()), Qt::LeftButton);
            else
                QVERIFY2(clickEntry(w(), word[1].toInt(), word[2]), qPrintable(step));
        }
        QTEST(cellPicture(w()), "picture");
    }

    void openAndBackKeys_moveAlongThePath() {
        // Cell, entry to select first, key, cell current afterwards.
        using K = std::tuple<int, const char*, Qt::Key, int>;
        // clang-format off
        for (auto [cel, select, key, to] : {K{0, "A1", Qt::Key_Return, 5}, K{5, "B1", Qt::Key_Space, 10},
                                            K{10, nullptr, Qt::Key_Escape, 5}, K{5, nullptr, Qt::Key_Escape, 0},
                                            K{0, nullptr, Qt::Key_Escape, 0}, K{0, "zeta", Qt::Key_Right, 5},
                                            K{5, nullptr, Qt::Key_Left, 0}, K{0, nullptr, Qt::Key_Left, 0}}) {
            // clang-format on
            QVERIFY(!select || clickEntry(w(), cel, select));
            pressKey(w(), cel, key);
            QCOMPARE(w().browser().CurCel(), to);
        }
        QCOMPARE(headerText(w(), 5), QString("zeta"));
    }

    // The row a list marks as current is always the selected entry, so what the user sees
    // is what Enter opens and the Edit commands act on.
    void movingKeys_alwaysSelect_data() {
        QTest::addColumn<QString>("keys"); // U D H E P N: Up, Down, Home, End, PageUp, PageDown
        QTest::addColumn<QString>("selected");
        QTest::newRow("Down, nothing selected") << "D" << QString("+ A1");
        QTest::newRow("Home, nothing selected") << "H" << QString("+ A1");
        QTest::newRow("PageDown, nothing selected") << "N" << QString("+ A1");
        QTest::newRow("Up, nothing selected") << "U" << QString("Banana");
        QTest::newRow("End, nothing selected") << "E" << QString("Banana");
        QTest::newRow("PageUp, nothing selected") << "P" << QString("Banana");
        QTest::newRow("Down twice") << "DD" << QString("+ zeta");
        QTest::newRow("Home at the top stays selected") << "DH" << QString("+ A1");
        QTest::newRow("Up at the top") << "HU" << QString("+ A1");
        QTest::newRow("Down at the bottom") << "ED" << QString("Banana");
        QTest::newRow("End then Up") << "EU" << QString("apple");
        QTest::newRow("PageDown from the top") << "HN" << QString("Banana");
        QTest::newRow("PageUp from the bottom") << "EP" << QString("+ A1");
    }
    void movingKeys_alwaysSelect() {
        QFETCH(QString, keys);
        CellList* list = w().browser().list(0);
        // Freshly filled and focused: no entry is selected, and none may look current.
        QCOMPARE(list->selectedRow(), -1);
        QVERIFY(!list->currentIndex().isValid());
        const QMap<QChar, Qt::Key> key{{'U', Qt::Key_Up},     {'D', Qt::Key_Down},
                                       {'H', Qt::Key_Home},   {'E', Qt::Key_End},
                                       {'P', Qt::Key_PageUp}, {'N', Qt::Key_PageDown}};
        for (QChar k : keys) {
            pressKey(w(), 0, key[k]);
            QCOMPARE(list->currentIndex().row(), list->selectedRow());
        }
        QTEST(cellTexts(w(), 0).value(list->selectedRow()), "selected");
        // Enter opens exactly that entry.
        pressKey(w(), 0, Qt::Key_Return);
        QCOMPARE(w().browser().cells()[5].Nod, w().browser().selectedSlot(0));
    }

    // Each row types into a list that has not been typed into, so letters typed together
    // always make one search, however slow the machine.
    void typing_selectsByTheStartOfTheName_data() {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("reached");
        QTest::newRow("reaches an entry with children") << "" << QString("z") << QString("+ zeta");
        QTest::newRow("letters together") << "" << QString("ap") << QString("apple");
        QTest::newRow("either case") << "" << QString("B") << QString("Banana");
        QTest::newRow("on from the selection") << "+ zeta" << QString("a") << QString("apple");
        QTest::newRow("round to the top") << "Banana" << QString("a") << QString("+ A1");
        QTest::newRow("no such name leaves the selection")
            << "apple" << QString("q") << QString("apple");
    }
    void typing_selectsByTheStartOfTheName() {
        QFETCH(QString, selected);
        QFETCH(QString, typed);
        CellList* list = w().browser().list(0);
        if (!selected.isEmpty())
            list->selectRow(cellTexts(w(), 0).indexOf(selected));
        const int interval = QApplication::keyboardInputInterval();
        QApplication::setKeyboardInputInterval(std::numeric_limits<int>::max());
        QTest::keyClicks(list, typed);
        QApplication::setKeyboardInputInterval(interval);
        QTEST(cellTexts(w(), 0).value(list->selectedRow()), "reached");
        QCOMPARE(list->currentIndex().row(), list->selectedRow());
        QVERIFY(m_editCalls.isEmpty()); // "+" and "-" are commands, never searched for
    }

    void rightClick_selectsTheEntryUnderItFirst() {
        QVERIFY(openEntry(w(), 0, "A1"));
        QVERIFY(clickEntry(w(), 5, "B1"));
        CellList* list = w().browser().list(0);
        const QModelIndex zeta = list->entries()->index(cellTexts(w(), 0).indexOf("+ zeta"));
        const QPoint at = list->visualRect(zeta).center();
        QTest::mousePress(list->viewport(), Qt::RightButton, {}, at);
        // Selected and its cell current before the menu comes up.
        QCOMPARE(w().browser().CurCel(), 0);
        QCOMPARE(list->selectedRow(), zeta.row());
        QTest::mouseRelease(list->viewport(), Qt::RightButton, {}, at);
        QMenu* edit = w().menu().topMenu(1);
        QTRY_COMPARE(QApplication::activePopupWidget(), edit);
        edit->close();
        // On empty space the selection stays.
        const QPoint below(5, list->viewport()->height() - 3);
        QTest::mousePress(list->viewport(), Qt::RightButton, {}, below);
        QTest::mouseRelease(list->viewport(), Qt::RightButton, {}, below);
        QTRY_COMPARE(QApplication::activePopupWidget(), edit);
        edit->close();
        QCOMPARE(list->selectedRow(), zeta.row());
    }

    void menuKeys_popTheEditMenuAtTheSelectedEntry_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Shift+F10") << int(Qt::Key_F10) << int(Qt::ShiftModifier);
        QTest::newRow("Menu key") << int(Qt::Key_Menu) << int(Qt::NoModifier);
    }
    void menuKeys_popTheEditMenuAtTheSelectedEntry() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QVERIFY(clickEntry(w(), 0, "apple"));
        CellList* list = w().browser().list(0);
        QTest::keyClick(list, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QMenu* edit = w().menu().topMenu(1);
        QTRY_COMPARE(QApplication::activePopupWidget(), edit);
        const QRect entry = list->visualRect(list->currentIndex());
        QCOMPARE(edit->pos(), list->viewport()->mapToGlobal(entry.center()));
        edit->close();
        QVERIFY(m_editCalls.isEmpty());
    }

    void menusSaveStateAndProgress_followTheData() {
        openWindow(); // no data yet
        // A disabled entry's shortcut does nothing.
        QTest::keyClick(m_w.get(), Qt::Key_A, Qt::ControlModifier);
        QVERIFY(m_editCalls.isEmpty());
        QVERIFY(!w().menu().fileBar1()->isVisible());
        loadTree();
        QTest::keyClick(m_w.get(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(m_editCalls, QList<int>({2}));
        w().DataChanged(1);
        QVERIFY(!w().DataSaved());
        w().DataChanged(-1); // counts as saved
        QVERIFY(w().DataSaved());
        QVERIFY(!w().menu().entry(MenuArray::File, FileSave)->isEnabled());
        // A zero maximum gives a bar from 0 to 1, not a division by zero.
        w().status().Progress_Start(0);
        w().status().Progress_Step(1);
        QCOMPARE(w().status().progress()->value(), w().status().progress()->maximum());
    }

    void loading_refusedFileLeavesTreeAlone() {
        openChain(2);
        w().DataChanged(1);
        const CellArray cells = w().browser().cells();
        const QString bad = writeTreeFile(m_dir, "loop.qmd", "L\n  C\n");
        QByteArray bytes = fileBytes(bad);
        bytes[2 * 38 + 12] = 2; // the only child names itself as next sibling
        putFile(bad, bytes);
        m_prompter->answer(PromptAnswer::Ok);
        QVERIFY(!w().DataLoad(bad));
        QVERIFY(m_prompter->last().text.startsWith(bad + "\r\ncan't be loaded: "));
        QCOMPARE(w().CurFile(), m_tree);
        QVERIFY(!w().DataSaved());
        QVERIFY(w().browser().cells() == cells);
    }

    void cellsFile_damagedOrShort_restoresWhatItCan_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("cell");
        QTest::addColumn<QString>("header");
        // PrevCel and NextCel (-1: none), then the slot shown; the rest of the 18 bytes zero.
        const auto rec = [](const char* h) { return QByteArray::fromHex(h) + QByteArray(13, 0); };
        const QByteArray good = rec("ffffffff02"); // A1, no neighbours
        // clang-format off
        QTest::newRow("short file, one record") << good << 0 << "A1";
        QTest::newRow("node outside the tree") << (rec("ffffffff7f") + good) << 0 << "TOP";
        QTest::newRow("cell number out of range") << rec("28ffffff02") << 0 << "TOP";
        QTest::newRow("record 3 names no node") << (good + good + good + rec("ffffffff00")) << 3 << "";
        // clang-format on
    }
    void cellsFile_damagedOrShort_restoresWhatItCan() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, cell);
        const QString cells = QString::fromStdString(cellsPathFor(m_tree.toStdString()));
        putFile(cells, bytes);
        QVERIFY(w().DataLoad(m_tree));
        QTEST(headerText(w(), cell), "header");
        QFile::remove(cells);
    }
};

QTEST_MAIN(TestColumnBrowser)
#include "test_column_browser.moc"
