// The menus of the whole program: the entries each state of the data switches on, the menu
// bar by keyboard, and what a screen reader is offered of them.

#include <QAccessible>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTest>

#include "support/program_fixture.h"

using namespace qm;
using namespace qm::test;

namespace {

enum Reach { Start, New, Open, FirstAdd, OpenEmpty, CutLast };

// The entries switched together, one switch a line.
const std::vector<std::vector<std::pair<MenuArray, int>>> kFlagEntries{
    {{MenuArray::File, FileSave}},
    {{MenuArray::File, FileSaveAs}},
    {{MenuArray::Print, PrintPreview}, {MenuArray::Print, PrintNow}},
    {{MenuArray::Edit, EditUndo}},
    {{MenuArray::Edit, EditAdd}},
    {{MenuArray::Edit, EditDelete}},
    {{MenuArray::Edit, EditRename}},
    {{MenuArray::Edit, EditCut}},
    {{MenuArray::Edit, EditCopy}},
    {{MenuArray::Edit, EditPaste}},
    {{MenuArray::Go, GoFind}, {MenuArray::Book, BookThis}},
};

// One character per flag: '1' on, '0' off, 'x' where the entries of one flag disagree.
QString flags(MainWindow& w) {
    QString out;
    for (const auto& entries : kFlagEntries) {
        QString states;
        for (auto [array, index] : entries)
            states += w.menu().entry(array, index)->isEnabled() ? '1' : '0';
        out += states.count(states[0]) == states.size() ? states[0] : QChar('x');
    }
    return out;
}

QStringList accessibleChildren(QObject* object) {
    QStringList names;
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(object);
    for (int i = 0; a && i < a->childCount(); ++i)
        names << a->child(i)->text(QAccessible::Name);
    return names;
}

} // namespace

class TestMainMenu : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramFixture> m_f;

private slots:
    void init() { m_f = std::make_unique<ProgramFixture>(); }
    void cleanup() { m_f.reset(); }

    void states_switchTheTreeCommandsAsAWhole_data() {
        QTest::addColumn<int>("reach");
        QTest::addColumn<QString>("flags");
        // Save, Save As, Print, Undo, Add, Delete, Rename, Cut, Copy, Paste, Find/Bookmark.
        QTest::newRow("no tree") << int(Start) << "00000000000";
        QTest::newRow("new tree") << int(New) << "11001000000";
        QTest::newRow("opened") << int(Open) << "01101111111";
        QTest::newRow("first item added") << int(FirstAdd) << "11111111111";
        QTest::newRow("opened, only the top item") << int(OpenEmpty) << "01001000000";
        // Paste stays on to put the items back.
        QTest::newRow("last item cut") << int(CutLast) << "11011000010";
    }
    void states_switchTheTreeCommandsAsAWhole() {
        QFETCH(int, reach);
        m_f->writeIni("[AutoSave]\nValue=-1\n");
        MainWindow& w = m_f->start();
        if (reach == Open || reach == OpenEmpty) {
            m_f->prompter.answerOpen(
                writeTreeFile(m_f->dir, "t.qmd", reach == Open ? "TOP\n  ONE\n" : "TOP\n"));
            QVERIFY(m_f->click(MenuArray::File, FileOpen));
        } else if (reach != Start) {
            m_f->prompter.answerName("TOP");
            QVERIFY(m_f->click(MenuArray::File, FileNew));
        }
        if (reach == FirstAdd || reach == CutLast) {
            m_f->prompter.answerName("FIRST");
            QVERIFY(m_f->click(MenuArray::Edit, EditAdd));
        }
        if (reach == CutLast)
            QVERIFY(m_f->click(MenuArray::Edit, EditCut));
        QTEST(flags(w), "flags");
        // Never switched off: the file commands, Page Setup and Edit Bookmarks.
        for (auto [array, index] : {std::pair(MenuArray::File, int(FileNew)),
                                    {MenuArray::File, FileOpen},
                                    {MenuArray::File, FileOptions},
                                    {MenuArray::File, FileExit},
                                    {MenuArray::Print, PrintPageSetup},
                                    {MenuArray::Book, BookEdit}})
            QVERIFY(w.menu().entry(array, index)->isEnabled());
    }

    void busy_holdsEveryEntryOff() {
        MainWindow& w = m_f->start({writeTreeFile(m_f->dir, "t.qmd", "TOP\n  ONE\n")});
        const auto enabled = [&w] {
            QStringList on;
            for (QAction* a :
                 w.findChildren<QAction*>(QRegularExpression("^mnu(?!Main)[A-Za-z]+_\\d$")))
                if (a->isEnabled() && !a->isSeparator())
                    on << a->objectName();
            on.sort();
            return on;
        };
        const QStringList before = enabled();
        QVERIFY(before.contains("mnuEdit_3"));
        {
            MainWindow::BusyScope busy(w);
            QCOMPARE(enabled(), QStringList());
        }
        QCOMPARE(enabled(), before);
    }

    void f10_opensTheMenuBarAtFile() {
        MainWindow& w = m_f->start();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_F10);
        QCOMPARE(w.menuBar()->activeAction(), w.menu().topMenu(0)->menuAction());
        QTRY_COMPARE(QApplication::activePopupWidget(), w.menu().topMenu(0));
        // From there the arrows walk along the bar.
        QTest::keyClick(w.menu().topMenu(0), Qt::Key_Right);
        QTRY_COMPARE(QApplication::activePopupWidget(), w.menu().topMenu(1));
        w.menu().topMenu(1)->close();
    }

    void screenReaders_seeOnlyTheEntriesShown() {
        MainWindow& w = m_f->start();
        // The empty recent-file places and their separator are hidden, so not offered.
        QCOMPARE(accessibleChildren(w.menu().topMenu(0)),
                 QStringList({"New", "Open...", "Save", "Save As...", "Import Outline...",
                              "Export Outline...", "Options", "Exit", "", "Page Setup...",
                              "Print Preview...", "Print"}));
        QCOMPARE(accessibleChildren(w.menu().topMenu(3)), QStringList({"About "}));
        QCOMPARE(accessibleChildren(w.menu().topMenu(2)),
                 QStringList({"Find", "", "Bookmark This", "Edit Bookmarks"}));
        // An entry shown later is offered from then on, and reads its state and shortcut.
        w.menu().entry(MenuArray::Help, HelpContents)->setVisible(true);
        QCOMPARE(accessibleChildren(w.menu().topMenu(3)), QStringList({"Contents", "About "}));
        QAccessibleInterface* save =
            QAccessible::queryAccessibleInterface(w.menu().entry(MenuArray::File, FileSave));
        QVERIFY(save->state().disabled);
        QCOMPARE(save->text(QAccessible::Accelerator), QKeySequence("Ctrl+S").toString());
        QCOMPARE(save->parent()->object(), w.menu().topMenu(0));
        // The menu itself hangs below its entry in the menu bar.
        QCOMPARE(QAccessible::queryAccessibleInterface(w.menu().topMenu(1))->parent()->object(),
                 w.menu().topMenu(1)->menuAction());
    }
};

QTEST_MAIN(TestMainMenu)
#include "test_main_menu.moc"
