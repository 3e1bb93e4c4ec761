// Bookmarks through the real main window: Bookmark This, the Go To menu's entries, opening
// them in the cells, the editor, and their sections in the settings file.

#include <QApplication>
#include <QListWidget>
#include <QPushButton>

#include "find/book_editor.h"
#include "find/bookmarks.h"
#include "support/modal_driver.h"
#include "support/program_fixture.h"
#include "window/cell_list.h"

using namespace qm;
using namespace qm::test;

namespace {

// Slots: 1 TOP, 2 ANIMALS, 3 MAMMALS, 4 CAT, 5 DOG, 6 BIRDS, 7 PLANTS, 8 L1 .. 19 L12, 20 A&B.
QByteArray tree() {
    QByteArray outline = "TOP\n  ANIMALS\n    MAMMALS\n      CAT\n      DOG\n    BIRDS\n  PLANTS\n";
    for (int level = 1; level <= 12; ++level)
        outline += QByteArray(2 * level, ' ') + "L" + QByteArray::number(level) + '\n';
    return outline + "  A&B\n";
}

// The section of a tree: "Book" and the top item's name as stored, padded to 20 characters.
QByteArray section(const QByteArray& top) {
    return "[Book" + top.leftJustified(20, ' ') + "]";
}
const QByteArray kSection = section("TOP");

QStringList listed(BookEditor& e) {
    QStringList out;
    auto* lst = e.findChild<QListWidget*>("lst");
    for (int i = 0; i < lst->count(); ++i)
        out << lst->item(i)->text();
    return out;
}

void selectRow(BookEditor& e, int row) {
    auto* lst = e.findChild<QListWidget*>("lst");
    const QRect r = lst->visualItemRect(lst->item(row));
    QTest::mouseClick(lst->viewport(), Qt::LeftButton, {}, r.center());
}

// "UDX" for the enabled Move UP, Move DOWN and DELETE; "-" for each disabled one.
QString enabled(BookEditor& e) {
    QString s;
    s += e.button(BookEditor::MoveUp)->isEnabled() ? 'U' : '-';
    s += e.button(BookEditor::MoveDown)->isEnabled() ? 'D' : '-';
    s += e.button(BookEditor::Delete)->isEnabled() ? 'X' : '-';
    return s;
}

} // namespace

class TestBookmarks : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramFixture> m_f;

    MainWindow& w() { return m_f->w(); }
    ScriptedPrompter& prompter() { return m_f->prompter; }
    Bookmarks& books() { return m_f->program->bookmarks(); }
    // CAT is stored as " CAT": paths hold names trimmed and match them trimmed.
    QString treeFile() {
        OutlineResult t = parseOutline(tree().constData());
        t.table[4].Name = makeName(" CAT");
        std::string error;
        [&] { QVERIFY(saveDataFile(m_f->path("tree.qmd").toStdString(), t.table, error)); }();
        return m_f->path("tree.qmd");
    }
    void start(const QByteArray& ini = {}) {
        if (!ini.isEmpty())
            m_f->writeIni(ini);
        m_f->start({treeFile()});
    }

    QStringList list() {
        QStringList out;
        for (int i = 1; i <= books().BookCount(); ++i)
            out << books().BookNames(i);
        return out;
    }
    // The visible bookmark entries of the Go To menu, as shown.
    QStringList menuEntries() {
        QStringList out;
        for (int i = BookFirst; i < BookFirst + 8; ++i) {
            QAction* a = w().menu().entry(MenuArray::Book, i);
            if (a->isVisible())
                out << a->text().replace("&&", "&");
        }
        return out;
    }
    void bookmark(int cel, const QString& name) {
        QVERIFY(clickEntry(w(), cel, name));
        QVERIFY(m_f->click(MenuArray::Book, BookThis));
    }
    QByteArray iniAfterExit() {
        w().close();
        return m_f->readFile(m_f->iniPath());
    }

private slots:
    void init() { m_f = std::make_unique<ProgramFixture>(); }
    void cleanup() { m_f.reset(); }

    // Rename lets two siblings share a name: a bookmark to either leads to the first of
    // them in the order they were added, and the cells select exactly that one.
    void namesakes_bookmarkLeadsToTheFirst() {
        start();
        QVERIFY(openEntry(w(), 0, "ANIMALS"));
        QVERIFY(clickEntry(w(), 5, "BIRDS"));
        prompter().answerName("MAMMALS");
        QVERIFY(m_f->click(MenuArray::Edit, EditRename));
        QCOMPARE(prompter().prompts.size(), 1); // the name prompt alone
        CellList* cell = w().browser().list(5);
        cell->selectRow(cell->entries()->rowOfSlot(6)); // the renamed BIRDS
        QVERIFY(m_f->click(MenuArray::Book, BookThis));
        QVERIFY(clickEntry(w(), 0, "PLANTS"));
        QVERIFY(m_f->click(MenuArray::Book, BookFirst));
        QCOMPARE(w().browser().CurCel(), 5);
        QCOMPARE(w().browser().selectedSlot(5), 3); // MAMMALS, added first
        QCOMPARE(cellTexts(w(), 5), QStringList({"+ MAMMALS", "MAMMALS"}));
    }

    void bookmarkThis_noSelection() {
        start();
        w().browser().setCurCel(-1);
        prompter().answer(PromptAnswer::Ok);
        QVERIFY(m_f->click(MenuArray::Book, BookThis));
        QCOMPARE(prompter().last().said(), QStringLiteral("QuillMar Alert|No Selection!"));
        w().browser().focusCell(0); // current, nothing selected
        prompter().answer(PromptAnswer::Ok);
        QTest::keyClick(&w(), Qt::Key_B, Qt::ControlModifier);
        QCOMPARE(prompter().prompts.size(), 2);
        QCOMPARE(prompter().last().said(), QStringLiteral("QuillMar Alert|No Selection!"));
        QVERIFY(list().isEmpty());
    }

    void bookmarkThis_sameTwice_thenMovesUp() {
        start();
        QVERIFY(menuEntries().isEmpty());
        QVERIFY(openEntry(w(), 0, "ANIMALS"));
        QVERIFY(openEntry(w(), 5, "MAMMALS"));
        bookmark(10, "CAT");
        bookmark(10, "CAT");
        QCOMPARE(list(), QStringList({"\\ANIMALS\\MAMMALS\\CAT"}));
        QVERIFY(clickEntry(w(), 10, "DOG"));
        QTest::keyClick(&w(), Qt::Key_B, Qt::ControlModifier);
        bookmark(0, "PLANTS");
        QCOMPARE(list(),
                 QStringList({"\\PLANTS", "\\ANIMALS\\MAMMALS\\DOG", "\\ANIMALS\\MAMMALS\\CAT"}));
        bookmark(10, "CAT"); // position 3 to 1
        QCOMPARE(list(),
                 QStringList({"\\ANIMALS\\MAMMALS\\CAT", "\\PLANTS", "\\ANIMALS\\MAMMALS\\DOG"}));
        QCOMPARE(menuEntries(),
                 QStringList({"\\animals\\mammals\\cat", "\\plants", "\\animals\\mammals\\dog"}));
        QVERIFY(w().menu().entry(MenuArray::Book, BookEdit)->isEnabled());
    }

    void add_ninthPushesOutOldest() {
        start();
        for (int i = 1; i <= 9; ++i)
            books().Book_Add(QStringLiteral("\\P%1").arg(i));
        books().Book_Add(QString()); // ignored
        QCOMPARE(books().BookCount(), 8);
        QCOMPARE(list().first(), QStringLiteral("\\P9"));
        QCOMPARE(list().last(), QStringLiteral("\\P2"));
        QCOMPARE(menuEntries().size(), 8);
    }

    void menuText_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("shown");
        const QString fifty = "\\ABCDEFGHIJKLMN\\OPQRSTUVWXYZ\\ABCDEFGHIJKLM\\NOPQRST";
        QCOMPARE(fifty.size(), 50);
        QTest::newRow("50 whole") << fifty << fifty.toLower();
        const QString fiftyOne = fifty + "V";
        QTest::newRow("51 shortened")
            << fiftyOne << (fiftyOne.left(15) + " ... " + fiftyOne.right(30)).toLower();
        QTest::newRow("an ampersand as itself") << "\\A&B" << QString("\\a&b");
    }
    void menuText() {
        QFETCH(QString, path);
        QFETCH(QString, shown);
        start();
        books().Book_Add(path);
        QCOMPARE(menuEntries(), QStringList({shown}));
        QCOMPARE(books().BookNames(1), path); // stored as it is
    }

    void open_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QList<int>>("cells");
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("alert"); // empty: none
        const auto levels = [](int deepest) {
            QString path;
            for (int level = 1; level <= deepest; ++level)
                path += QStringLiteral("\\L%1").arg(level);
            return path;
        };
        // clang-format off
        QTest::newRow("child of the top") << "\\PLANTS" << QList<int>{0, 5} << "PLANTS" << QString() << QString();
        QTest::newRow("depth 3") << "\\ANIMALS\\MAMMALS\\CAT" << QList<int>{0, 5, 10} << "MAMMALS" << QString("CAT") << QString();
        QTest::newRow("depth 7") << levels(7) << QList<int>{0, 1, 2, 3, 4, 9, 14} << "L6" << QString("L7") << QString();
        QTest::newRow("depth 8") << levels(8) << QList<int>{0, 1, 2, 3, 4, 9, 14, 13} << "L7" << QString("L8") << QString();
        QTest::newRow("depth 12") << levels(12) << QList<int>{0, 1, 2, 3, 4, 9, 14, 13, 12, 11, 10}
                                  << "L10" << QString("L11") << QString();
        // No child matches a name: the path is shown as far as it leads, never some other
        // item, with a word to the user.
        QTest::newRow("unresolvable") << "\\ANIMALS\\FISH\\CAT" << QList<int>{0, 5} << "ANIMALS" << QString()
                                      << "QuillMar Alert|The bookmark \\ANIMALS\\FISH\\CAT\r\nno longer leads "
                                         "to an item: the cells show how far it goes.";
        // clang-format on
    }
    // The item's parent in the last cell of the path, the item selected there; opening moves
    // the bookmark to the top, and so it does when the path no longer leads anywhere.
    void open() {
        QFETCH(QString, path);
        QFETCH(QList<int>, cells);
        QFETCH(QString, alert);
        start();
        books().Book_Add(path);
        books().Book_Add(QStringLiteral("\\ANIMALS"));
        QVERIFY(openEntry(w(), 0, "L1")); // something to replace
        if (!alert.isEmpty())
            prompter().answer(PromptAnswer::Ok);
        QVERIFY(m_f->click(MenuArray::Book, BookFirst + 1));
        QCOMPARE(pathBack(w()), cells);
        QTEST(headerText(w(), cells.last()), "header");
        const std::int32_t slot = w().browser().selectedSlot(cells.last());
        QTEST(slot >= 1 ? QString::fromLatin1(w().nodes()[slot].Name.data(), 20).trimmed()
                        : QString(),
              "selected");
        QCOMPARE(list(), QStringList({path, "\\ANIMALS"}));
        QCOMPARE(prompter().prompts.isEmpty() ? QString() : prompter().last().said(), alert);
    }

    void editor_buttonRules_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("buttons");
        QTest::newRow("empty") << 0 << -1 << "---";
        QTest::newRow("nothing selected") << 3 << -1 << "---";
        QTest::newRow("first") << 3 << 0 << "-DX";
        QTest::newRow("middle") << 3 << 1 << "UDX";
        QTest::newRow("last") << 3 << 2 << "U-X";
        QTest::newRow("the only one") << 1 << 0 << "--X";
    }
    void editor_buttonRules() {
        QFETCH(int, count);
        QFETCH(int, row);
        QFETCH(QString, buttons);
        const QStringList names = QStringList({"\\A", "\\B", "\\C"}).mid(0, count);
        BookEditor e(names);
        e.show();
        QCOMPARE(e.windowTitle(), QStringLiteral("QuillMar Bookmarks"));
        QCOMPARE(listed(e), names);
        if (row >= 0)
            selectRow(e, row);
        QCOMPARE(enabled(e), buttons);
        if (buttons != "---")
            return;
        // A click on a disabled button does nothing.
        for (BookEditor::Button b : {BookEditor::MoveUp, BookEditor::MoveDown, BookEditor::Delete})
            QTest::mouseClick(e.button(b), Qt::LeftButton);
        QCOMPARE(e.names(), names);
    }

    // The moved entry stays selected, and the rules follow every selection the editor makes.
    void editor_movesAndDeletes() {
        BookEditor e({"\\A", "\\B", "\\C"});
        e.show();
        using B = BookEditor;
        // The row clicked first (-1: none), the button, the list and the buttons left on.
        const std::tuple<int, B::Button, QStringList, QString> steps[]{
            {2, B::MoveUp, {"\\A", "\\C", "\\B"}, "UDX"},
            {-1, B::MoveUp, {"\\C", "\\A", "\\B"}, "-DX"},
            {-1, B::MoveDown, {"\\A", "\\C", "\\B"}, "UDX"},
            {2, B::Delete, {"\\A", "\\C"}, "U-X"}, // the new last entry is selected
            {-1, B::Delete, {"\\A"}, "--X"},
            {-1, B::Delete, {}, "---"},
        };
        for (const auto& [row, button, names, buttons] : steps) {
            if (row >= 0)
                selectRow(e, row);
            QTest::mouseClick(e.button(button), Qt::LeftButton);
            QCOMPARE(e.names(), names);
            QCOMPARE(listed(e), names);
            QCOMPARE(enabled(e), buttons);
        }
    }

    void editor_enterOkEscapeCancel() {
        for (auto [key, result] :
             {std::pair{Qt::Key_Return, QDialog::Accepted}, {Qt::Key_Escape, QDialog::Rejected}}) {
            BookEditor e({"\\A"});
            e.show();
            QTest::keyClick(e.findChild<QListWidget*>("lst"), key);
            QCOMPARE(e.result(), int(result));
            QVERIFY(!e.isVisible()); // closed, not merely left at its first result
        }
    }

    // Read from the tree's section; the editor's Cancel keeps them, its OK hands its list
    // back, and the exit writes the section with the top item's name padded.
    void editor_cancelKeepsOkHandsBackExitWrites() {
        start(kSection + "\nCount=3\nName1=\\X\nName2=\\Y\nName3=\\Z\n");
        QCOMPARE(list(), QStringList({"\\X", "\\Y", "\\Z"}));
        onModal<BookEditor>([](BookEditor& e) {
            selectRow(e, 0);
            QTest::mouseClick(e.button(BookEditor::MoveDown), Qt::LeftButton);
            QTest::mouseClick(e.button(BookEditor::Delete), Qt::LeftButton);
            QTest::mouseClick(e.button(BookEditor::Cancel), Qt::LeftButton);
        });
        QTest::keyClick(&w(), Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(menuEntries(), QStringList({"\\x", "\\y", "\\z"}));
        onModal<BookEditor>([](BookEditor& e) {
            selectRow(e, 2);
            QTest::mouseClick(e.button(BookEditor::Delete), Qt::LeftButton);
            QTest::mouseClick(e.button(BookEditor::Ok), Qt::LeftButton);
        });
        QVERIFY(m_f->click(MenuArray::Book, BookEdit));
        QCOMPARE(menuEntries(), QStringList({"\\x", "\\y"}));
        QCOMPARE(list(), QStringList({"\\X", "\\Y"}));
        QVERIFY(
            iniAfterExit().contains(kSection + "\nCount= 2\nName1=\\X\nName2=\\Y\nName3=\\Z\n"));
    }

    void load_countAndEmptyNames_data() {
        QTest::addColumn<QByteArray>("count");
        QTest::addColumn<QStringList>("read");
        QTest::newRow("negative") << QByteArray("-3") << QStringList{};
        QTest::newRow("above 8") << QByteArray("12")
                                 << QStringList{"\\1", "\\3", "\\4", "\\5", "\\6", "\\7", "\\8"};
        QTest::newRow("not a number") << QByteArray("x") << QStringList{};
        QTest::newRow("rounded") << QByteArray(" 2.6") << QStringList{"\\1", "\\3"};
    }
    // Name2 is empty in the file and skipped.
    void load_countAndEmptyNames() {
        QFETCH(QByteArray, count);
        QFETCH(QStringList, read);
        QByteArray ini = kSection + "\nCount=" + count + "\nName2=\n";
        for (int i = 1; i <= 9; ++i)
            if (i != 2)
                ini += "Name" + QByteArray::number(i) + "=\\" + QByteArray::number(i) + '\n';
        start(ini);
        QCOMPARE(list(), read);
        QCOMPARE(menuEntries(), read);
        // Edit Bookmarks stays on whatever the count.
        QVERIFY(w().menu().entry(MenuArray::Book, BookEdit)->isEnabled());
    }

    // New and Open first put the old tree's bookmarks into its own section, then read the
    // new tree's.
    void treesKeepTheirOwn() {
        start();
        bookmark(0, "PLANTS");
        const QString other = writeTreeFile(m_f->dir, "other.qmd", "OTHER\n  X\n");
        prompter().answerOpen(other);
        QVERIFY(m_f->click(MenuArray::File, FileOpen));
        QVERIFY(list().isEmpty());
        QVERIFY(menuEntries().isEmpty());
        QVERIFY(m_f->readFile(m_f->iniPath()).contains(kSection + "\nCount= 1\nName1=\\PLANTS\n"));
        bookmark(0, "X");
        prompter().answerName("NEWTOP");
        QVERIFY(m_f->click(MenuArray::File, FileNew));
        QVERIFY(list().isEmpty());
        prompter().answerOpen(treeFile());
        QVERIFY(m_f->click(MenuArray::File, FileOpen));
        QCOMPARE(list(), QStringList({"\\PLANTS"}));
        prompter().answerOpen(other);
        QVERIFY(m_f->click(MenuArray::File, FileOpen));
        QCOMPARE(list(), QStringList({"\\X"}));
        const QByteArray ini = iniAfterExit();
        QVERIFY(ini.contains(section("OTHER") + "\nCount= 1\nName1=\\X\n"));
        // The new tree got no bookmark and was left without a change.
        QVERIFY(!ini.contains("[BookNEWTOP"));
    }

    void exit_withoutTree_writesNoBookSection() {
        m_f->start();
        QVERIFY(!iniAfterExit().contains("[Book"));
    }
};

QTEST_MAIN(TestBookmarks)
#include "test_bookmarks.moc"
