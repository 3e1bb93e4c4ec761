// The column browser, menus, status bar and loading, driven through the real main window.

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "store/cells_file.h"
#include "store/safe_file.h"
#include "support/scripted_prompter.h"
#include "support/window_driver.h"
#include "window/main_window.h"

using namespace qm;
using namespace qm::test;

namespace {

// A chain deep enough to run the whole snake, and a few siblings to sort.
const char* kTree = R"(TOP
  A1
    B1
      C1
        D1
          E1
            F1
              G1
                H1
                  I1
                    J1
                      K1
                        L1
      C2
  apple
  Banana
  zeta
    z1
)";

const QColor kOnPath(64, 160, 64);
const QColor kCurrent(64, 224, 64);

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
    void openChain(int count) {
        const QStringList chain{"A1", "B1", "C1", "D1", "E1", "F1", "G1", "H1", "I1", "J1", "K1"};
        for (int i = 0; i < count; ++i)
            QVERIFY2(openEntry(w(), w().browser().CurCel(), chain[i]), qPrintable(chain[i]));
    }

private slots:
    void init() {
        m_prompter = std::make_unique<ScriptedPrompter>();
        m_w = std::make_unique<MainWindow>(*m_prompter);
        m_editCalls.clear();
        m_w->menu().setHandler(MenuArray::Edit, [this](int i) { m_editCalls << i; });
        m_w->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
        m_tree = writeTreeFile(m_dir, "tree.qmd", kTree);
        QVERIFY(m_w->DataLoad(m_tree));
        m_w->Menu_Set(0, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1);
        m_w->browser().focusCell(0);
    }
    void cleanup() {
        QCOMPARE(m_prompter->unexpected, 0);
        m_w.reset();
    }

    void load_showsTopItemSortedEntriesAndCaption() {
        QCOMPARE(w().windowTitle(), "QuillMar  [" + m_tree + "]");
        QCOMPARE(w().status().countText(), QString("Items: 17"));
        QCOMPARE(w().status().statusText(), QString());
        QCOMPARE(headerText(w(), 0), QString("TOP"));
        QCOMPARE(w().browser().CurCel(), 0);
        QCOMPARE(panelColour(w(), 0), kCurrent);
        QVERIFY(!w().menu().entry(MenuArray::File, 2)->isEnabled());
        // Case-insensitive, entries with children first, each carrying its item's slot.
        QCOMPARE(cellTexts(w(), 0), QStringList({"+ A1", "+ zeta", "apple", "Banana"}));
        QVERIFY(clickEntry(w(), 0, "zeta"));
        QCOMPARE(trimmedName(w().nodes()[w().browser().selectedSlot(0)].Name),
                 std::string_view("zeta"));
        // Opening with nothing selected, or in an empty cell, does nothing.
        QTest::mouseDClick(w().browser().list(3)->viewport(), Qt::LeftButton);
        QCOMPARE(w().browser().cells()[8].Nod, 0);
    }

    void opening_runsTheSnakeShiftsShortensAndStopsAtMaximumDepth() {
        openChain(2);
        QCOMPARE(pathBack(w()), QList<int>({0, 5, 10}));
        QVERIFY(openEntry(w(), 10, "C1")); // the fourth cell shifts the hanging part
        QCOMPARE(pathBack(w()), QList<int>({0, 1, 6, 11}));
        QCOMPARE(headerText(w(), 1), QString("A1"));
        QCOMPARE(headerText(w(), 6), QString("B1"));
        QCOMPARE(headerText(w(), 11), QString("C1"));
        // The old cells keep their lists but leave the path.
        QCOMPARE(headerText(w(), 5), QString("A1"));
        QCOMPARE(cellTexts(w(), 10), QStringList({"+ C1", "C2"}));
        QCOMPARE(cellMode(w(), 10), 0);
        QCOMPARE(panelColour(w(), 11), kCurrent);
        QCOMPARE(panelColour(w(), 6), kOnPath);

        QVERIFY(openEntry(w(), 11, "D1"));
        QCOMPARE(pathBack(w()), QList<int>({0, 1, 2, 7, 12}));
        // Opening in an earlier cell starts a shorter path from there.
        QVERIFY(openEntry(w(), 2, "C2"));
        QCOMPARE(pathBack(w()), QList<int>({0, 1, 2, 7}));
        QCOMPARE(headerText(w(), 7), QString("C2"));
        QCOMPARE(headerText(w(), 12), QString("D1"));
        QCOMPARE(cellMode(w(), 12), 0);

        QVERIFY(openEntry(w(), 2, "C1"));
        for (const char* name : {"D1", "E1", "F1"})
            QVERIFY(openEntry(w(), w().browser().CurCel(), name));
        QCOMPARE(pathBack(w()), QList<int>({0, 1, 2, 3, 4, 9, 14}));
        QVERIFY(openEntry(w(), 14, "G1")); // came from 9: goes to 13, not 15
        QCOMPARE(w().browser().CurCel(), 13);
        for (const char* name : {"H1", "I1", "J1"})
            QVERIFY(openEntry(w(), w().browser().CurCel(), name));
        QCOMPARE(pathBack(w()), QList<int>({0, 1, 2, 3, 4, 9, 14, 13, 12, 11, 10}));
        // Deeper items stay reachable as entries of the last cell; opening one is refused.
        QCOMPARE(cellTexts(w(), 10), QStringList({"+ K1"}));
        const CellArray before = w().browser().cells();
        m_prompter->answer(PromptAnswer::Ok);
        QVERIFY(openEntry(w(), 10, "K1"));
        QCOMPARE(m_prompter->last().text, QString("Maximum depth"));
        QCOMPARE(m_prompter->last().title, QString("QuillMar Alert"));
        QCOMPARE(m_prompter->last().icon, PromptIcon::Exclamation);
        for (int i = 0; i < kCellCount; ++i)
            QCOMPARE(w().browser().cells()[i].Nod, before[i].Nod);
    }

    void keys_enterSpaceEscapePlusMinus() {
        QVERIFY(clickEntry(w(), 0, "A1"));
        pressKey(w(), 0, Qt::Key_Return);
        QCOMPARE(w().browser().CurCel(), 5);
        QVERIFY(clickEntry(w(), 5, "B1"));
        pressKey(w(), 5, Qt::Key_Space);
        QCOMPARE(w().browser().CurCel(), 10);
        pressKey(w(), 10, Qt::Key_Escape);
        QCOMPARE(w().browser().CurCel(), 5);
        pressKey(w(), 5, Qt::Key_Escape);
        QCOMPARE(w().browser().CurCel(), 0);
        pressKey(w(), 0, Qt::Key_Escape);
        QCOMPARE(w().browser().CurCel(), 0);
        QTest::keyClicks(w().browser().list(0), "+-");
        QCOMPARE(m_editCalls, QList<int>({2, 3}));
    }

    void clickPlainCell_recoloursPathAndReshowsParent() {
        openChain(2); // 0, 5, 10
        QVERIFY(openEntry(w(), 0, "zeta"));
        QCOMPARE(headerText(w(), 5), QString("zeta"));
        QTest::mouseClick(w().browser().header(10), Qt::LeftButton);
        QCOMPARE(w().browser().CurCel(), 10);
        QCOMPARE(headerText(w(), 5), QString("A1"));
        QCOMPARE(w().browser().selectedSlot(5), w().browser().cells()[10].Nod);
        QCOMPARE(panelColour(w(), 10), kCurrent);
        QCOMPARE(panelColour(w(), 5), kOnPath);
        QCOMPARE(panelColour(w(), 0), kOnPath);
    }

    void rightClick_popsUpEditMenu() {
        QWidget* viewport = w().browser().list(0)->viewport();
        QTest::mousePress(viewport, Qt::RightButton, {}, QPoint(5, 5));
        QTest::mouseRelease(viewport, Qt::RightButton, {}, QPoint(5, 5));
        QTRY_COMPARE(QApplication::activePopupWidget(), w().menu().topMenu(1));
        w().menu().topMenu(1)->close();
    }

    void menuStates_followTheData() {
        MainWindow fresh(*m_prompter);
        QList<int> calls;
        fresh.menu().setHandler(MenuArray::Edit, [&](int i) { calls << i; });
        fresh.show();
        QVERIFY(QTest::qWaitForWindowActive(&fresh));
        QVERIFY(!fresh.menu().entry(MenuArray::Edit, 2)->isEnabled());
        QVERIFY(fresh.menu().entry(MenuArray::Book, 1)->isEnabled());
        QVERIFY(fresh.menu().entry(MenuArray::File, 0)->isEnabled());
        QTest::keyClick(&fresh, Qt::Key_A, Qt::ControlModifier);
        QVERIFY(calls.isEmpty());
        QCOMPARE(fresh.status().countText(), QString("Items: 0"));
        QVERIFY(!fresh.menu().fileBar1()->isVisible());
        QVERIFY(!fresh.menu().entry(MenuArray::FileMRU, 1)->isVisible());

        // An opened tree: everything but Save and Undo.
        for (auto [array, index] : {std::pair{MenuArray::File, 3},
                                    {MenuArray::Print, 2},
                                    {MenuArray::Edit, 8},
                                    {MenuArray::Go, 0},
                                    {MenuArray::Book, 0}})
            QVERIFY(w().menu().entry(array, index)->isEnabled());
        QVERIFY(!w().menu().entry(MenuArray::Edit, 0)->isEnabled());
        fresh.close();
        m_w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
        QTest::keyClick(m_w.get(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(m_editCalls, QList<int>({2}));
    }

    void changeTrackingAndProgress() {
        w().DataChanged(1);
        QVERIFY(!w().DataSaved());
        QVERIFY(w().menu().entry(MenuArray::File, 2)->isEnabled());
        w().DataChanged(1);
        QCOMPARE(w().AsCounter(), 2);
        w().DataChanged(-1); // counts as saved
        QVERIFY(w().DataSaved());
        QVERIFY(!w().menu().entry(MenuArray::File, 2)->isEnabled());
        QCOMPARE(w().AsCounter(), 0);
        // A zero maximum gives a bar from 0 to 1, not a division by zero.
        w().status().Progress_Start(0);
        QVERIFY(w().status().progress()->isVisible());
        w().status().Progress_Step(1);
        QCOMPARE(w().status().progress()->value(), w().status().progress()->maximum());
        w().Status_Reset();
        QVERIFY(!w().status().progress()->isVisible());
    }

    void signatureMismatch_warnsThenLoads() {
        const QString path = writeTreeFile(m_dir, "odd.qmd", "X\n  Y\n");
        {
            std::fstream f(path.toStdString(), std::ios::in | std::ios::out | std::ios::binary);
            f.seekp(18);
            f.put('q'); // "quillMar v2.0 DbFile"
        }
        m_prompter->answer(PromptAnswer::Ok);
        QVERIFY(w().DataLoad(path));
        QCOMPARE(m_prompter->last().text, path + "\r\nis NO Quillmar DataFile !");
        QCOMPARE(m_prompter->last().icon, PromptIcon::Exclamation);
        QVERIFY(w().nodes()[0] == nodeHeader());
        QCOMPARE(headerText(w(), 0), QString("X"));
        QCOMPARE(w().status().countText(), QString("Items: 1"));
    }

    void refusedFile_leavesOpenTreeAlone() {
        openChain(2);
        w().DataChanged(1);
        const CellArray cells = w().browser().cells();
        const QString bad = m_dir.filePath("loop.qmd");
        {
            // Top item whose only child names itself as next sibling.
            NodeTable t;
            t.resetNew(makeName("L"));
            const std::int32_t c = t.Node_Alloc();
            t[c].Parent = 1;
            t[c].Level = 1;
            t[c].NextSibling = c;
            t[1].FirstChild = c;
            std::string error;
            QVERIFY(saveDataFile(bad.toStdString(), t, error));
        }
        m_prompter->answer(PromptAnswer::Ok);
        QVERIFY(!w().DataLoad(bad));
        QVERIFY(m_prompter->last().text.startsWith(bad + "\r\ncan't be loaded: "));
        QCOMPARE(w().windowTitle(), "QuillMar  [" + m_tree + "]");
        QCOMPARE(w().CurFile(), m_tree);
        QVERIFY(!w().DataSaved());
        QCOMPARE(headerText(w(), 10), QString("B1"));
        for (int i = 0; i < kCellCount; ++i)
            QVERIFY(w().browser().cells()[i] == cells[i]);
    }

    void cellsFile_restoresRecordedCells() {
        openChain(3);
        std::string error;
        QVERIFY(writeCellsFile(cellsPathFor(m_tree.toStdString()), w().browser().cells(), error));
        QVERIFY(w().DataLoad(m_tree));
        QCOMPARE(headerText(w(), 1), QString("A1"));
        QCOMPARE(headerText(w(), 6), QString("B1"));
        QCOMPARE(headerText(w(), 11), QString("C1"));
        QCOMPARE(cellTexts(w(), 11), QStringList({"+ D1"}));
    }

    void cellsFile_damagedOrShort_restoresWhatItCan_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("cell");
        QTest::addColumn<QString>("header");
        QByteArray rec(18, '\0');
        rec[0] = rec[1] = rec[2] = rec[3] = char(0xFF); // no neighbours
        QByteArray good = rec;
        good[4] = 2; // Nod 2 = A1
        QByteArray outside = rec;
        outside[4] = char(0x7F); // a node far outside the table
        QByteArray badCell = good;
        badCell[0] = 40;
        QTest::newRow("short file, one record") << good << 0 << "A1";
        QTest::newRow("node outside the tree") << (outside + good) << 0 << "TOP";
        QTest::newRow("cell number out of range") << badCell << 0 << "TOP";
        QTest::newRow("record 3 names no node") << (good + good + good + rec) << 3 << "";
    }
    void cellsFile_damagedOrShort_restoresWhatItCan() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, cell);
        QFETCH(QString, header);
        QFile f(QString::fromStdString(cellsPathFor(m_tree.toStdString())));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        QVERIFY(w().DataLoad(m_tree));
        QCOMPARE(headerText(w(), cell), header);
        f.remove();
    }
};

QTEST_MAIN(TestColumnBrowser)
#include "test_column_browser.moc"
