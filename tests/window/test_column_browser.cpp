// The column browser, menus, status bar and loading, driven through the real main window.

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>

#include "store/cells_file.h"
#include "store/safe_file.h"
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

const QColor kOnPath(64, 160, 64);
const QColor kCurrent(64, 224, 64);

// '1' for each enabled menu entry, '0' for each disabled one.
QString enabled(MainWindow& w, std::initializer_list<std::pair<MenuArray, int>> entries) {
    QString states;
    for (auto [array, index] : entries)
        states += w.menu().entry(array, index)->isEnabled() ? '1' : '0';
    return states;
}

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
        m_w->menu().setHandler(MenuArray::Edit, [this](int i) { m_editCalls << i; });
        m_w->show();
        QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
    }
    // Loads the tree and sets the menus as the program does after a load.
    void loadTree() {
        m_tree = writeTreeFile(m_dir, "tree.qmd", kTree);
        QVERIFY(m_w->DataLoad(m_tree));
        m_w->Menu_Set(0, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1);
        m_w->browser().focusCell(0);
    }

private slots:
    void init() {
        m_prompter = std::make_unique<ScriptedPrompter>();
        openWindow();
        loadTree();
    }
    void cleanup() {
        QCOMPARE(m_prompter->unexpected, 0);
        m_w.reset();
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

    void opening_runsTheSnakeShiftsShortensAndStopsAtMaximumDepth() {
        openChain(2);
        QCOMPARE(pathBack(w()), QList<int>({0, 5, 10}));
        // Clicking a cell off the path recolours the path and shows its parent again.
        QVERIFY(openEntry(w(), 0, "zeta"));
        QCOMPARE(headerText(w(), 5), QString("zeta"));
        QTest::mouseClick(w().browser().header(10), Qt::LeftButton);
        QCOMPARE(headerText(w(), 5), QString("A1"));
        QCOMPARE(w().browser().selectedSlot(5), w().browser().cells()[10].Nod);
        QCOMPARE((QList<QColor>{panelColour(w(), 10), panelColour(w(), 5), panelColour(w(), 0)}),
                 (QList<QColor>{kCurrent, kOnPath, kOnPath}));
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
        QCOMPARE(cellMode(w(), 12), 0);

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
        // The cells file written now brings the same cells back on the next load.
        std::string error;
        QVERIFY(writeCellsFile(cellsPathFor(m_tree.toStdString()), before, error));
        QVERIFY(w().DataLoad(m_tree));
        QVERIFY(w().browser().cells() == before);
        QFile::remove(QString::fromStdString(cellsPathFor(m_tree.toStdString())));
    }

    void keysAndRightClick() {
        // Cell, entry to select first, key, cell current afterwards.
        using K = std::tuple<int, const char*, Qt::Key, int>;
        // clang-format off
        for (auto [cel, select, key, to] : {K{0, "A1", Qt::Key_Return, 5}, K{5, "B1", Qt::Key_Space, 10},
                                            K{10, nullptr, Qt::Key_Escape, 5}, K{5, nullptr, Qt::Key_Escape, 0},
                                            K{0, nullptr, Qt::Key_Escape, 0}}) {
            // clang-format on
            QVERIFY(!select || clickEntry(w(), cel, select));
            pressKey(w(), cel, key);
            QCOMPARE(w().browser().CurCel(), to);
        }
        QTest::keyClicks(w().browser().list(0), "+-");
        QCOMPARE(m_editCalls, QList<int>({2, 3}));
        // A right click pops up the Edit menu.
        QWidget* viewport = w().browser().list(0)->viewport();
        QTest::mousePress(viewport, Qt::RightButton, {}, QPoint(5, 5));
        QTest::mouseRelease(viewport, Qt::RightButton, {}, QPoint(5, 5));
        QTRY_COMPARE(QApplication::activePopupWidget(), w().menu().topMenu(1));
        w().menu().topMenu(1)->close();
    }

    void menusSaveStateAndProgress_followTheData() {
        openWindow(); // no data yet
        QCOMPARE(enabled(w(), {{MenuArray::Edit, EditAdd},
                               {MenuArray::Book, BookEdit},
                               {MenuArray::File, FileNew}}),
                 QString("011"));
        QTest::keyClick(m_w.get(), Qt::Key_A, Qt::ControlModifier);
        QVERIFY(m_editCalls.isEmpty());
        QVERIFY(!w().menu().fileBar1()->isVisible());
        // An opened tree: everything but Save and Undo.
        loadTree();
        // clang-format off
        QCOMPARE(enabled(w(), {{MenuArray::File, FileSaveAs}, {MenuArray::Print, PrintNow}, {MenuArray::Edit, EditPaste},
                               {MenuArray::Go, GoFind}, {MenuArray::Book, BookThis}, {MenuArray::File, FileSave}, {MenuArray::Edit, EditUndo}}),
                 QString("1111100"));
        // clang-format on
        QTest::keyClick(m_w.get(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(m_editCalls, QList<int>({2}));
        w().DataChanged(1);
        QVERIFY(!w().DataSaved() && enabled(w(), {{MenuArray::File, FileSave}}) == "1");
        w().DataChanged(-1); // counts as saved
        QVERIFY(w().DataSaved() && enabled(w(), {{MenuArray::File, FileSave}}) == "0");
        // A zero maximum gives a bar from 0 to 1, not a division by zero.
        w().status().Progress_Start(0);
        w().status().Progress_Step(1);
        QCOMPARE(w().status().progress()->value(), w().status().progress()->maximum());
    }

    void loading_refusedFileLeavesTreeAlone_signatureOnlyWarns() {
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
        // A wrong signature only warns.
        const QString path = writeTreeFile(m_dir, "odd.qmd", "X\n  Y\n");
        bytes = fileBytes(path);
        bytes[18] = 'q'; // "quillMar v2.0 DbFile"
        putFile(path, bytes);
        m_prompter->answer(PromptAnswer::Ok);
        QVERIFY(w().DataLoad(path));
        QCOMPARE(m_prompter->last().text, path + "\r\nis NO Quillmar DataFile !");
        QCOMPARE(m_prompter->last().icon, PromptIcon::Exclamation);
        QCOMPARE(headerText(w(), 0), QString("X"));
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
        QFETCH(QString, header);
        const QString cells = QString::fromStdString(cellsPathFor(m_tree.toStdString()));
        putFile(cells, bytes);
        QVERIFY(w().DataLoad(m_tree));
        QCOMPARE(headerText(w(), cell), header);
        QFile::remove(cells);
    }
};

QTEST_MAIN(TestColumnBrowser)
#include "test_column_browser.moc"
