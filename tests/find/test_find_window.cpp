// Go To → Find and the Find window through the real main window: the root chosen, the three
// styles, UP, STOP, the results opened in the cells, printed, and kept safe from edits. Then
// the result lines as a model, and their printed list on a recording surface.

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "find/find_commands.h"
#include "find/found_list.h"
#include "store/item_path.h"
#include "support/control.h"
#include "support/pdf_text.h"
#include "support/program_fixture.h"
#include "support/recording_surface.h"
#include "window/twips.h"

using namespace qm;
using namespace qm::test;

namespace {

// Slots in outline order. LONG...'s path has 66 characters.
QByteArray tree() {
    QByteArray outline =
        "TOP\n  FRUIT\n    PLUM\n    APPLE\n    Apple\n    APPLES\n    PINE\n"
        "    BOX\n      APPLE\n  A\n    C\n    B\n      D\n  LEAF\n"
        "  LONGNAMEAAAAAAAAAAAA\n    LONGNAMEBBBBBBBBBBBB\n      LONGNAMECCCCCCCCCCCC\n";
    // L1 at level 1 down to L12 at level 12.
    for (int level = 1; level <= 12; ++level)
        outline += QByteArray(2 * level, ' ') + "L" + QByteArray::number(level) + '\n';
    outline += "  BIG\n";
    for (int i = 1; i <= 2000; ++i)
        outline += "    N" + QByteArray::number(i).rightJustified(4, '0') + '\n';
    return outline;
}

QStringList numbered(int count) {
    QStringList paths;
    for (int i = 1; i <= count; ++i)
        paths << QStringLiteral("TOP\\ITEM%1").arg(i);
    return paths;
}

// The recording surface's lines are FontSize × 20 high: the header takes three 16-point lines
// from 800 down to 1760, then each 9-point line 180. A page this high holds `lines` of them
// before CurrentY + 1000 reaches it.
double heightFor(int lines) {
    return 1760 + 180.0 * lines + 1000;
}

QString pageHeader(const QString& text, int page) {
    return QStringLiteral("1400,800 16 QuillMar items found matching %1, page %2")
        .arg(text)
        .arg(page);
}

} // namespace

class TestFindWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramFixture> m_f;

    MainWindow& w() { return m_f->w(); }
    ScriptedPrompter& prompter() { return m_f->prompter; }
    FindWindow* fw() { return m_f->program->find().findWindow(); }
    QPushButton* cmd(int i) {
        return control<QPushButton>(fw(), qPrintable(QString("cmd_%1").arg(i)));
    }
    QLineEdit* text() { return control<QLineEdit>(fw(), "Text1"); }
    QListView* list() { return control<QListView>(fw(), "List"); }
    QString rootLabel() { return control<QLabel>(fw(), "Lab_0")->text(); }

    QStringList lines() {
        QStringList out;
        const FoundList& r = fw()->results();
        for (int row = 0; row < r.rowCount(); ++row)
            out << r.index(row).data().toString();
        return out;
    }
    // Opens the path of names from cell 0, selects the last ("": none), runs Go To → Find.
    void findFrom(const QStringList& path) {
        for (int i = 0; i < path.size(); ++i) {
            const int cel = i == 0 ? 0 : 5 * i;
            if (path[i].isEmpty())
                w().browser().list(cel)->clearSelection();
            else
                QVERIFY(i + 1 < path.size() ? openEntry(w(), cel, path[i])
                                            : clickEntry(w(), cel, path[i]));
        }
        QVERIFY(m_f->click(MenuArray::Go, GoFind));
        QVERIFY(fw());
        QVERIFY(fw()->isVisible());
    }
    /// Searches; with `matches` false the "No matches" alert is answered.
    void search(const QString& typed, int style, bool matches = true) {
        if (!matches)
            prompter().answer(PromptAnswer::Ok);
        text()->clear();
        QTest::keyClicks(text(), typed);
        QTest::mouseClick(control<QRadioButton>(fw(), qPrintable(QString("Opt_%1").arg(style))),
                          Qt::LeftButton);
        QTest::mouseClick(cmd(1), Qt::LeftButton);
    }
    // Deletes the entry `name` of cell `cel`, confirming.
    void deleteEntry(int cel, const QString& name) {
        QVERIFY(clickEntry(w(), cel, name));
        prompter().answer(PromptAnswer::Ok);
        QVERIFY(m_f->click(MenuArray::Edit, EditDelete));
    }
    // Renames the entry `name` of cell `cel` through Edit → Rename.
    void renameEntry(int cel, const QString& name, const QString& to) {
        QVERIFY(clickEntry(w(), cel, name));
        prompter().answerName(to);
        QVERIFY(m_f->click(MenuArray::Edit, EditRename));
    }
    // Double-clicks a result line as a user would.
    void doubleClickLine(int row) {
        const QModelIndex idx = fw()->results().index(row);
        list()->scrollTo(idx);
        const QPoint at = list()->visualRect(idx).center();
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);
    }
    // Every look at the clock finds 100 ms gone, so the search lets events in at its first
    // look; `act` runs then, as a click or key of the user would.
    void onFirstYield(std::function<void()> act) {
        auto now = std::make_shared<qint64>(0);
        fw()->setClock([this, now, act] {
            if (*now == 0)
                QTimer::singleShot(0, fw(), act);
            return *now += 100;
        });
    }
    // Print List to a PDF file; its text.
    QString printed(const QString& name) {
        const QString pdf = m_f->path(name);
        prompter().answerSave(pdf);
        QTest::mouseClick(cmd(2), Qt::LeftButton);
        return pdfText(pdf);
    }
    // Activation reaches the window with the platform's next events.
    void activate(QWidget* window) {
        window->activateWindow();
        QCoreApplication::processEvents();
        QCOMPARE(QApplication::activeWindow(), window);
    }

private slots:
    void init() {
        m_f = std::make_unique<ProgramFixture>();
        m_f->start({writeTreeFile(m_f->dir, "tree.qmd", tree().constData())});
    }
    void cleanup() { m_f.reset(); }

    void open_windowAsDesigned() {
        findFrom({"FRUIT"});
        FindWindow* f = fw();
        QCOMPARE(f->objectName(), QStringLiteral("FrmFind"));
        QCOMPARE(f->windowTitle(), QStringLiteral("QuillMar Find Item"));
        QVERIFY(!f->isModal());
        // Owned by the main window, so it has no task bar entry of its own.
        QCOMPARE(f->parentWidget(), &w());
        QCOMPARE(f->size(), twips::Scale().size(6435, 4725));
        QCOMPARE(rootLabel(), QStringLiteral("TOP/FRUIT"));
        QCOMPARE(control<QLabel>(f, "Lab_2")->text(), QStringLiteral("Search for :"));
        QCOMPARE(control<QLabel>(f, "Lab_1")->text(), QStringLiteral("In Item :"));
        QCOMPARE(control<QGroupBox>(f, "Fra_1")->title(), QStringLiteral("Search Style"));
        QCOMPARE(control<QGroupBox>(f, "Fra_0")->title(), QStringLiteral("Search Results"));
        QCOMPARE(control<QRadioButton>(f, "Opt_1")->text(), QStringLiteral("String in Item Names"));
        QCOMPARE(control<QRadioButton>(f, "Opt_1")->geometry(),
                 twips::Scale().rect(1920, 180, 1875, 255));
        QCOMPARE(cmd(0)->text(), QStringLiteral("UP"));
        QCOMPARE(cmd(1)->text(), QStringLiteral("SEARCH"));
        QCOMPARE(cmd(2)->text(), QStringLiteral("Print List"));
        QVERIFY(cmd(1)->isDefault());
        QVERIFY(cmd(1)->font().bold());
        QCOMPARE(cmd(1)->font().pointSizeF(), 11.25);
        QCOMPARE(list()->geometry(), twips::Scale().rect(120, 240, 6075, 2205));
        QVERIFY(!cmd(2)->isEnabled());
        QVERIFY(control<QRadioButton>(f, "Opt_0")->isChecked());
        QVERIFY(text()->text().isEmpty());
        QCOMPARE(text()->nextInFocusChain(), cmd(1));
        QCOMPARE(cmd(1)->nextInFocusChain(), list());
        QCOMPARE(fw()->RootNode(), 2);
        // A screen reader names the unlabelled controls by what the window shows beside them.
        QCOMPARE(QAccessible::queryAccessibleInterface(text())->text(QAccessible::Name),
                 QStringLiteral("Search for :"));
        QCOMPARE(QAccessible::queryAccessibleInterface(list())->text(QAccessible::Name),
                 QStringLiteral("Search Results"));
    }

    void open_rootChoice_data() {
        QTest::addColumn<QStringList>("path");
        QTest::addColumn<QString>("root");
        QTest::newRow("entry with children") << QStringList{"FRUIT"} << "TOP/FRUIT";
        QTest::newRow("leaf: its parent") << QStringList{"LEAF"} << "TOP";
        QTest::newRow("leaf deeper") << QStringList{"FRUIT", "PLUM"} << "TOP/FRUIT";
        // The current cell's own item when nothing is selected in it, a leaf again giving way.
        QTest::newRow("nothing selected") << QStringList{"FRUIT", ""} << "TOP/FRUIT";
        QTest::newRow("nothing selected, a leaf") << QStringList{"LEAF", ""} << "TOP";
    }
    void open_rootChoice() {
        QFETCH(QStringList, path);
        findFrom(path);
        QTEST(rootLabel(), "root");
    }

    void open_shortcutAndUndoCleared() {
        prompter().answerName("KIWI");
        QVERIFY(clickEntry(w(), 0, "FRUIT"));
        QVERIFY(m_f->click(MenuArray::Edit, EditAdd));
        QVERIFY(w().menu().entry(MenuArray::Edit, EditUndo)->isEnabled());
        QVERIFY(clickEntry(w(), 0, "A"));
        QTest::keyClick(&w(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(fw());
        QVERIFY(fw()->isVisible());
        QCOMPARE(rootLabel(), QStringLiteral("TOP/A"));
        QVERIFY(!w().menu().entry(MenuArray::Edit, EditUndo)->isEnabled());
    }

    void open_nothingToSearch_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("no current cell") << "none";
        QTest::newRow("an empty cell") << "empty";
    }
    void open_nothingToSearch() {
        QFETCH(QString, how);
        if (how == "none") {
            w().browser().setCurCel(-1);
        } else {
            pressKey(w(), 10, Qt::Key_Return); // opening in an empty cell makes it current
            QCOMPARE(w().browser().CurCel(), 10);
        }
        prompter().answer(PromptAnswer::Ok);
        QVERIFY(m_f->click(MenuArray::Go, GoFind));
        QCOMPARE(prompter().prompts.size(), 1);
        QCOMPARE(prompter().last().said(), QStringLiteral("QuillMar|No selection"));
        QCOMPARE(prompter().last().icon, PromptIcon::Exclamation);
        QVERIFY(!fw());
    }

    // Every item below the root in sorted-walk order, each line naming its item's slot; never
    // the root, though its name matches.
    void styles_data() {
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("style");
        QTest::addColumn<QStringList>("found");
        const QStringList apples{"TOP/FRUIT/APPLE", "TOP/FRUIT/BOX/APPLE"};
        const QString fruit = "FRUIT";
        QTest::newRow("exact APPLE") << fruit << "APPLE" << 0 << apples;
        QTest::newRow("PL in names") << fruit << "PL" << 1
                                     << QStringList{"TOP/FRUIT/APPLE", "TOP/FRUIT/APPLES",
                                                    "TOP/FRUIT/BOX/APPLE", "TOP/FRUIT/PLUM"};
        QTest::newRow("names in PINEAPPLE")
            << fruit << "PINEAPPLE" << 2 << (apples + QStringList{"TOP/FRUIT/PINE"});
        QTest::newRow("typed lower case is raised") << fruit << "apple" << 0 << apples;
        QTest::newRow("a trailing space is kept") << fruit << "APPLE " << 0 << QStringList{};
        QTest::newRow("order, root not listed")
            << QString("A") << "ABCD" << 2 << QStringList{"TOP/A/B", "TOP/A/B/D", "TOP/A/C"};
    }
    void styles() {
        QFETCH(QString, root);
        QFETCH(QString, typed);
        QFETCH(int, style);
        QFETCH(QStringList, found);
        findFrom({root});
        search(typed, style, !found.isEmpty());
        QCOMPARE(fw()->SearchStyle(), style);
        QCOMPARE(lines(), found);
        for (int row = 0; row < found.size(); ++row) {
            const int slot = fw()->results().index(row).data(FoundList::SlotRole).toInt();
            QCOMPARE(QString::fromStdString(Item_Path(w().nodes(), slot)), found[row]);
        }
        QCOMPARE(cmd(2)->isEnabled(), !found.isEmpty());
        QCOMPARE(cmd(1)->text(), QStringLiteral("SEARCH"));
        QCOMPARE(prompter().prompts.size(), found.isEmpty() ? 1 : 0);
        if (found.isEmpty())
            QCOMPARE(prompter().last().said(), QStringLiteral("QuillMar Alert|No matches"));
    }

    void typing_raisesOnlyAtoZ_enterSearches() {
        findFrom({"FRUIT"});
        QTest::keyClicks(text(), QStringLiteral("pl "));
        // Typed with a dead key or an input method: no key code, only the character.
        QKeyEvent accented(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("é"));
        QApplication::sendEvent(text(), &accented);
        QTest::keyClicks(text(), QStringLiteral("1"));
        QCOMPARE(text()->text(), QStringLiteral("PL é1"));
        text()->clear();
        QTest::keyClicks(text(), "PLUM");
        QTest::keyClick(text(), Qt::Key_Return);
        QCOMPARE(lines(), QStringList({"TOP/FRUIT/PLUM"}));
    }

    // Shortened in the list, printed in full.
    void longPath_shortenedButPrintedWhole() {
        findFrom({"LONGNAMEAAAAAAAAAAAA"});
        search("LONGNAMEC", 1);
        const QString full = "TOP/LONGNAMEAAAAAAAAAAAA/LONGNAMEBBBBBBBBBBBB/LONGNAMECCCCCCCCCCCC";
        QCOMPARE(lines(), QStringList({"..." + full.right(55)}));
        QVERIFY(printed("long.pdf").contains(QString(full).replace('/', '\\')));
    }

    // STOP keeps what was found; while the search runs the cells stay browsable, the
    // commands that change the tree do nothing, and the lines found so far are drawn.
    void stop_keepsPartialResults() {
        findFrom({"BIG"});
        bool busy = false, addRan = true, browsed = false;
        int inked = -1;
        onFirstYield([&] {
            const QImage shown = list()->viewport()->grab().toImage();
            const QRgb base = list()->palette().color(QPalette::Base).rgb();
            inked = 0;
            for (int y = 0; y < shown.height(); ++y)
                for (int x = 0; x < shown.width(); ++x)
                    inked += shown.pixel(x, y) != base;
            busy = w().isBusy() && fw()->searching();
            addRan = m_f->click(MenuArray::Edit, EditAdd) && !prompter().prompts.isEmpty();
            browsed = clickEntry(w(), 0, "FRUIT") && w().browser().selectedSlot(0) == 2;
            QCOMPARE(cmd(1)->text(), QStringLiteral("STOP"));
            QTest::mouseClick(cmd(1), Qt::LeftButton);
        });
        search("N", 1);
        QVERIFY2(inked > 100, qPrintable(QString::number(inked)));
        QVERIFY(busy);
        QVERIFY(!addRan);
        QVERIFY(browsed);
        QVERIFY(!fw()->searching());
        QVERIFY(!w().isBusy());
        // The clock is read every 256 items: the first look let the click in.
        QCOMPARE(lines().size(), 256);
        QCOMPARE(lines().first(), QStringLiteral("TOP/BIG/N0001"));
        QCOMPARE(cmd(1)->text(), QStringLiteral("SEARCH"));
        QVERIFY(cmd(2)->isEnabled());
        QVERIFY(prompter().prompts.isEmpty());
    }

    // A search that runs longer than a second shows how far it has come on the main window's
    // bar, and leaves the bar as it found it.
    void longSearch_progressOnTheStatusBar() {
        findFrom({"BIG"});
        auto now = std::make_shared<qint64>(0);
        QStringList texts;
        int value = 0;
        fw()->setClock([&, now] {
            if (!w().status().progress()->isHidden()) {
                texts << w().status().statusText();
                value = w().status().progress()->value();
            }
            return *now += 100;
        });
        search("N", 1);
        QVERIFY(!texts.isEmpty());
        QCOMPARE(texts.first(), QStringLiteral("Searching ..."));
        QVERIFY(value > 0);
        QVERIFY(w().status().progress()->isHidden());
        QCOMPARE(w().status().statusText(), QString());
        QCOMPARE(lines().size(), 2000);
    }

    void close_duringSearch_endsIt_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Escape") << true;
        QTest::newRow("close box") << false;
    }
    void close_duringSearch_endsIt() {
        QFETCH(bool, escape);
        findFrom({"BIG"});
        onFirstYield([&] {
            if (escape)
                QTest::keyClick(list(), Qt::Key_Escape);
            else
                fw()->close();
        });
        search("N", 1);
        QVERIFY(!fw()->isVisible());
        QVERIFY(!fw()->searching());
        QVERIFY(!w().isBusy());
        QVERIFY(lines().isEmpty());
        QVERIFY(prompter().prompts.isEmpty());
        // Opened again, it starts afresh.
        findFrom({"FRUIT"});
        QCOMPARE(cmd(1)->text(), QStringLiteral("SEARCH"));
        search("PLUM", 0);
        QCOMPARE(lines(), QStringList({"TOP/FRUIT/PLUM"}));
    }

    // UP climbs to the top and the root stays where the user took it, whatever window was
    // active meanwhile: the label always names the root the next search uses.
    void up_climbsToTheTop_rootKeptOnReturn() {
        findFrom({"FRUIT", "BOX"});
        activate(fw());
        QCOMPARE(rootLabel(), QStringLiteral("TOP/FRUIT/BOX"));
        for (auto [label, node] : {std::pair{"TOP/FRUIT", 2}, {"TOP", 1}, {"TOP", 1}}) {
            QTest::mouseClick(cmd(0), Qt::LeftButton);
            QCOMPARE(rootLabel(), QString(label));
            QCOMPARE(fw()->RootNode(), node);
        }
        search("APPLE", 0);
        QCOMPARE(lines().size(), 2);
        doubleClickLine(1);
        activate(&w());
        activate(fw());
        QCOMPARE(fw()->RootNode(), 1);
        QCOMPARE(rootLabel(), QStringLiteral("TOP"));
        search("APPLE", 0);
        QCOMPARE(lines().size(), 2);
    }

    // Renamed on the way down, the root's label follows at once; a root deleted gives way
    // to the top item, and the label says so before the next search.
    void rootLabel_followsRenameAndDelete() {
        findFrom({"FRUIT", "BOX"});
        renameEntry(0, "FRUIT", "FRUITS");
        QCOMPARE(rootLabel(), QStringLiteral("TOP/FRUITS/BOX"));
        QCOMPARE(fw()->RootNode(), 8);
        QVERIFY(openEntry(w(), 0, "FRUITS"));
        deleteEntry(5, "BOX");
        QCOMPARE(rootLabel(), QStringLiteral("TOP"));
        search("PLUM", 0);
        QCOMPARE(lines(), QStringList({"TOP/FRUITS/PLUM"}));
    }

    void reveal_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<QList<int>>("cells");
        QTest::newRow("1") << 1 << QList<int>{0, 5};
        QTest::newRow("2") << 2 << QList<int>{0, 5, 10};
        QTest::newRow("3") << 3 << QList<int>{0, 1, 6, 11};
        QTest::newRow("4") << 4 << QList<int>{0, 1, 2, 7, 12};
        QTest::newRow("7") << 7 << QList<int>{0, 1, 2, 3, 4, 9, 14, 13};
        QTest::newRow("10") << 10 << QList<int>{0, 1, 2, 3, 4, 9, 14, 13, 12, 11, 10};
        QTest::newRow("12") << 12 << QList<int>{0, 1, 2, 3, 4, 9, 14, 13, 12, 11, 10};
    }
    // The item in the last cell of its path, that cell current; deeper than the cells reach,
    // its ancestor at level 11 selected in cell 10. The window stays open.
    void reveal() {
        QFETCH(int, level);
        QFETCH(QList<int>, cells);
        findFrom({"L1"});
        QVERIFY(clickEntry(w(), 0, "BIG")); // the path starts elsewhere
        search(QStringLiteral("L%1").arg(level), 0, level != 1);
        QCOMPARE(lines().size(), level == 1 ? 0 : 1);
        if (level == 1) { // L1 is the root: search from the top instead
            prompter().clear();
            QTest::mouseClick(cmd(0), Qt::LeftButton);
            search("L1", 0);
        }
        doubleClickLine(0);
        QCOMPARE(pathBack(w()), cells);
        QCOMPARE(w().browser().CurCel(), cells.last());
        QCOMPARE(headerText(w(), cells.last()), QStringLiteral("L%1").arg(std::min(level, 10)));
        const std::int32_t selected = w().browser().selectedSlot(cells.last());
        if (level > 10)
            QCOMPARE(w().nodes()[selected].Level, 11);
        else
            QCOMPARE(selected, 0);
        QVERIFY(fw()->isVisible());
        QCoreApplication::processEvents();
        QCOMPARE(QApplication::activeWindow(), &w());
    }

    // A result keeps its item through renames of it and its parents: it opens and prints
    // under the new names. Once its slot was freed, or handed to another item, it says so
    // and changes nothing; Undo of the delete brings it back.
    void results_followRenames_toldWhenGone() {
        findFrom({"FRUIT"});
        search("PL", 1);
        QCOMPARE(lines().first(), QStringLiteral("TOP/FRUIT/APPLE"));
        renameEntry(0, "FRUIT", "FRUITS");
        QVERIFY(openEntry(w(), 0, "FRUITS"));
        renameEntry(5, "APPLE", "APPEL");
        QVERIFY(clickEntry(w(), 0, "A"));
        doubleClickLine(0);
        QCOMPARE(cellPicture(w()), QStringLiteral("0+TOP[FRUITS] 5+FRUITS[APPEL] 10*APPEL[]"));
        QCOMPARE(textLines(printed("renamed.pdf")).mid(1, 2),
                 QStringList({"TOP\\FRUITS\\APPEL", "TOP\\FRUITS\\APPLES"}));

        const QString gone = QStringLiteral("QuillMar Alert|The item\r\nis no longer in the tree.");
        deleteEntry(5, "APPEL");
        const QString before = cellPicture(w());
        prompter().answer(PromptAnswer::Ok);
        doubleClickLine(0);
        QCOMPARE(prompter().last().said(), gone);
        QCOMPARE(cellPicture(w()), before);
        QVERIFY(m_f->click(MenuArray::Edit, EditUndo));
        doubleClickLine(0);
        QCOMPARE(headerText(w(), w().browser().CurCel()), QStringLiteral("APPEL"));
        // Deleted again, and its slot given to a new item elsewhere.
        deleteEntry(5, "APPEL");
        QVERIFY(clickEntry(w(), 0, "A"));
        prompter().answerName("NEWCOMER");
        QVERIFY(m_f->click(MenuArray::Edit, EditAdd));
        QCOMPARE(w().nodes()[4].Name, makeName("NEWCOMER"));
        const qsizetype asked = prompter().prompts.size();
        prompter().answer(PromptAnswer::Ok);
        doubleClickLine(0);
        QCOMPARE(prompter().prompts.size(), asked + 1);
        QCOMPARE(prompter().last().said(), gone);
        QCOMPARE(w().browser().CurCel(), 0);
        // The other lines still open their items.
        doubleClickLine(3);
        QCOMPARE(headerText(w(), w().browser().CurCel()), QStringLiteral("PLUM"));
    }

    // Siblings that came to share a name through Rename: each result opens its own item.
    void namesakes_eachResultOpensItsOwnItem() {
        findFrom({"FRUIT"});
        QVERIFY(openEntry(w(), 0, "FRUIT"));
        renameEntry(5, "Apple", "APPLE");
        QVERIFY(prompter().allAnswered()); // no complaint about the name
        search("APPLE", 0);
        QCOMPARE(lines(),
                 QStringList({"TOP/FRUIT/APPLE", "TOP/FRUIT/APPLE", "TOP/FRUIT/BOX/APPLE"}));
        QList<std::int32_t> opened;
        for (int row : {0, 1}) {
            doubleClickLine(row);
            QCOMPARE(w().browser().selectedSlot(5), fw()->results().line(row).item.slot);
            opened << w().browser().selectedSlot(5);
        }
        QVERIFY(opened[0] != opened[1]);
    }

    // Enter on a selected result opens it and keeps the results; in the text it searches.
    void enter_opensTheSelectedResult() {
        findFrom({"FRUIT"});
        search("PL", 1);
        activate(fw());
        const QPoint at = list()->visualRect(fw()->results().index(3)).center();
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at);
        QVERIFY(list()->hasFocus());
        QTest::keyClick(list(), Qt::Key_Return);
        QCOMPARE(headerText(w(), w().browser().CurCel()), QStringLiteral("PLUM"));
        QCOMPARE(lines().size(), 4);
        text()->setText("PLUM");
        QTest::keyClick(text(), Qt::Key_Enter);
        QCOMPARE(lines(), QStringList({"TOP/FRUIT/PLUM"}));
    }

    // After a search that found something, the box may hand the focus to the main window as
    // it closes; the Find window takes it back, so the next key typed goes to the search text,
    // not to a cell. The lines are cleared; Print List stays on only without a search text.
    void alerts_focusBackInTheFindWindow_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("alert");
        QTest::addColumn<bool>("printList");
        QTest::newRow("no search text") << QString() << "QuillMar Alert|No search String !" << true;
        QTest::newRow("no matches") << "XYZ"
                                    << "QuillMar Alert|No matches" << false;
    }
    void alerts_focusBackInTheFindWindow() {
        QFETCH(QString, typed);
        findFrom({"FRUIT"});
        search("PL", 1);
        activate(fw());
        prompter().whileAsking = [this] {
            w().activateWindow();
            QCoreApplication::processEvents();
        };
        search(typed, 0, false);
        prompter().whileAsking = {};
        QTEST(prompter().last().said(), "alert");
        QVERIFY(lines().isEmpty());
        QTEST(cmd(2)->isEnabled(), "printList");
        QCoreApplication::processEvents();
        QCOMPARE(QApplication::activeWindow(), fw());
        QCOMPARE(QApplication::focusWidget(), text());
        QTest::keyClicks(QApplication::focusWidget(), "+");
        QCOMPARE(text()->text(), typed + "+");
    }

    // Go To → Find again, or another tree, starts the window afresh.
    void reset_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("root");
        QTest::addColumn<QStringList>("plums"); // what a search for PLUM then finds
        QTest::newRow("Find again") << "find"
                                    << "TOP/A" << QStringList{};
        QTest::newRow("Open") << "open"
                              << "OTHER" << QStringList{"OTHER/FRUIT/PLUM"};
        QTest::newRow("New") << "new"
                             << "FRESH" << QStringList{};
    }
    void reset() {
        QFETCH(QString, how);
        findFrom({"FRUIT"});
        search("PINEAPPLE", 2);
        QVERIFY(cmd(2)->isEnabled());
        if (how == "find") {
            QVERIFY(clickEntry(w(), 0, "A"));
            QVERIFY(m_f->click(MenuArray::Go, GoFind));
        } else if (how == "open") {
            prompter().answerOpen(
                writeTreeFile(m_f->dir, "other.qmd", "OTHER\n  FRUIT\n    PLUM\n"));
            QVERIFY(m_f->click(MenuArray::File, FileOpen));
        } else {
            prompter().answerName("FRESH");
            QVERIFY(m_f->click(MenuArray::File, FileNew));
        }
        QTEST(rootLabel(), "root");
        QVERIFY(text()->text().isEmpty());
        QVERIFY(control<QRadioButton>(fw(), "Opt_0")->isChecked());
        QCOMPARE(fw()->SearchStyle(), 0);
        QVERIFY(lines().isEmpty());
        QVERIFY(!cmd(2)->isEnabled());
        QFETCH(QStringList, plums);
        search("PLUM", 0, !plums.isEmpty());
        QCOMPARE(lines(), plums);
    }

    // Printed in full with "\", the header naming the text as it stands; a line whose item
    // is gone is left out.
    void printList_toPdf() {
        findFrom({"FRUIT"});
        search("PL", 1);
        QVERIFY(openEntry(w(), 0, "FRUIT"));
        deleteEntry(5, "PLUM");
        QTest::keyClicks(text(), "X");
        const QStringList lines = textLines(printed("found.pdf"));
        QCOMPARE(prompter().last().title, QStringLiteral("QuillMar Print to File"));
        QCOMPARE(lines,
                 QStringList({"QuillMar items found matching PLX, page 1", "TOP\\FRUIT\\APPLE",
                              "TOP\\FRUIT\\APPLES", "TOP\\FRUIT\\BOX\\APPLE"}));
    }

    void foundList_model_batchedAppendsAndClear() {
        FoundList found;
        QAbstractItemModelTester tester(&found,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        std::vector<FoundList::Line> batch{{"A/B", {2, 1}}, {"A/C", {3, 1}}};
        found.append(batch);
        QVERIFY(batch.empty());
        batch.push_back({"...X", {9, 4}});
        found.append(batch);
        found.append(batch); // nothing left to add
        QCOMPARE(found.rowCount(), 3);
        QCOMPARE(found.index(2).data().toString(), QStringLiteral("...X"));
        QCOMPARE(found.index(2).data(FoundList::SlotRole).toInt(), 9);
        QCOMPARE(found.line(2).item.generation, 4u);
        found.clear();
        QCOMPARE(found.rowCount(), 0);
    }

    void foundList_print_hundredLines_twoPagesEmblemOnFirstOnly() {
        RecordingSurface s(PageSurface::Twips, 11900, heightFor(60));
        QVERIFY(printFoundList(s, QStringLiteral("PL"), numbered(100)));
        QCOMPARE(s.pages(), 2);
        QCOMPARE(s.FontName(), QStringLiteral("arial"));
        QCOMPARE(s.pictures(1), QStringList({"ImIc1 350,600"}));
        QVERIFY(s.pictures(2).isEmpty());
        const QStringList one = s.texts(1);
        const QStringList two = s.texts(2);
        QCOMPARE(one.size(), 1 + 60);
        QCOMPARE(one.at(0), pageHeader("PL", 1));
        QCOMPARE(one.at(1), QStringLiteral("800,1760 9 TOP\\ITEM1"));
        QCOMPARE(one.last(), QStringLiteral("800,%1 9 TOP\\ITEM60").arg(1760 + 180 * 59));
        QCOMPARE(two.size(), 1 + 40);
        QCOMPARE(two.at(0), pageHeader("PL", 2));
        QCOMPARE(two.at(1), QStringLiteral("800,1760 9 TOP\\ITEM61"));
        QCOMPARE(two.last(), QStringLiteral("800,%1 9 TOP\\ITEM100").arg(1760 + 180 * 39));
    }

    void foundList_print_pageBreaks_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("pages");
        QTest::newRow("none: the header alone") << 0 << 1;
        QTest::newRow("one page exactly full") << 60 << 1;
        QTest::newRow("one more") << 61 << 2;
        QTest::newRow("three pages") << 121 << 3;
    }
    // A full page is ended only when a line follows: never a sheet with a header alone.
    void foundList_print_pageBreaks() {
        QFETCH(int, lines);
        QFETCH(int, pages);
        RecordingSurface s(PageSurface::Twips, 11900, heightFor(60));
        QVERIFY(printFoundList(s, QStringLiteral("X"), numbered(lines)));
        QCOMPARE(s.pages(), pages);
        for (int p = 1; p <= pages; ++p)
            QCOMPARE(s.texts(p).first(), pageHeader("X", p));
    }

    void foundList_print_refusedPage_reportsFailure() {
        RecordingSurface s(PageSurface::Twips, 11900, heightFor(60));
        s.pageLimit = 1;
        QVERIFY(!printFoundList(s, QStringLiteral("X"), numbered(61)));
    }
};

QTEST_MAIN(TestFindWindow)
#include "test_find_window.moc"
