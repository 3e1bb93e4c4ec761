// Add, rename, delete, undo, cut, copy and paste, driven through the real main window's
// menus, shortcuts and keys with scripted answers to every prompt.

#include <QAction>
#include <QTest>
#include <map>
#include <memory>

#include "edit/edit_commands.h"
#include "store/data_file.h"
#include "support/program_fixture.h"
#include "support/tree_checker.h"
#include "support/window_driver.h"

using namespace qm;
using namespace qm::test;

namespace {

// Line k is slot k: FRUIT 2, APPLE 3, KIWI 4, VEG 5, BEAN 6, GREEN 7, RED 8, LEEK 9, EMPTY 10.
const char* kTree = R"(TOP
  FRUIT
    APPLE
    KIWI
  VEG
    BEAN
      GREEN
      RED
    LEEK
  EMPTY
)";

const QString kClash =
    "Can't paste item here:\r\nIt has the same name!\r\n\r\nChange name for top-item ?";

/// Outline lines of a chain of `depth` items below the top item, named prefix1, prefix2, ...
std::string chainOutline(const std::string& prefix, int depth) {
    std::string text;
    for (int i = 1; i <= depth; ++i)
        text +=
            std::string(2 * static_cast<std::size_t>(i), ' ') + prefix + std::to_string(i) + "\n";
    return text;
}

} // namespace

class TestEditCommands : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramFixture> m_f;

    MainWindow& w() { return m_f->w(); }
    EditCommands& edit() { return m_f->program->edit(); }
    NodeTable& nodes() { return w().nodes(); }
    ScriptedPrompter& prompter() { return m_f->prompter; }

    void startWith(const QString& path) {
        m_f->start({path});
        w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w()));
    }
    void start(const char* outline = kTree) {
        startWith(writeTreeFile(m_f->dir, "tree.qmd", outline));
    }
    /// Runs an Edit entry by its shortcut, as a user at the keyboard would.
    void shortcut(int index) {
        static const std::map<int, Qt::Key> keys{{0, Qt::Key_Z}, {2, Qt::Key_A}, {3, Qt::Key_D},
                                                 {4, Qt::Key_R}, {6, Qt::Key_X}, {7, Qt::Key_C},
                                                 {8, Qt::Key_V}};
        QTest::keyClick(&w(), keys.at(index), Qt::ControlModifier);
    }
    /// The slot at a path of names below the top item ("VEG/BEAN"); 0 when there is none.
    std::int32_t slot(const QString& path) {
        std::int32_t s = 1;
        for (const QString& name : path.split('/', Qt::SkipEmptyParts)) {
            std::int32_t c = nodes()[s].FirstChild;
            while (c >= 1 && nameText(nodes()[c].Name) != name)
                c = nodes()[c].NextSibling;
            if (c < 1)
                return 0;
            s = c;
        }
        return s;
    }
    void verifyUndo(int action, int cel, std::int32_t nod) {
        QCOMPARE(edit().UndoAction(), action);
        QCOMPARE(edit().UndoCel(), cel);
        QCOMPARE(edit().UndoNod(), nod);
        QCOMPARE(w().menu().entry(MenuArray::Edit, 0)->isEnabled(), action > 0);
    }
    QString count() { return w().status().countText(); }
    bool saveEnabled() { return w().menu().entry(MenuArray::File, 2)->isEnabled(); }

private slots:
    void init() {
        m_f = std::make_unique<ProgramFixture>();
        m_f->writeIni("[AutoSave]\nValue=-1\n"); // no saves in the middle of a test
    }
    void cleanup() {
        QCOMPARE(prompter().unexpected, 0);
        QVERIFY(prompter().allAnswered());
        QM_VERIFY_TREE(nodes());
        m_f.reset();
    }

    void add_storesTrimmedNameAsLastChild_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("children");
        QTest::newRow("plain") << "PEAR" << QStringList{"APPLE", "KIWI", "PEAR"};
        QTest::newRow("spaces around") << "  PEAR " << QStringList{"APPLE", "KIWI", "PEAR"};
        QTest::newRow("differs in case only") << "kiwi" << QStringList{"APPLE", "KIWI", "kiwi"};
        QTest::newRow("spaces only adds nothing") << "   " << QStringList{"APPLE", "KIWI"};
    }
    void add_storesTrimmedNameAsLastChild() {
        QFETCH(QString, typed);
        QFETCH(QStringList, children);
        start();
        QVERIFY(openEntry(w(), 0, "FRUIT"));
        prompter().answerName(typed);
        QTest::keyClicks(w().browser().list(5), "+");

        QCOMPARE(prompter().prompts.size(), 1);
        const NameRequest asked = prompter().last().name;
        QCOMPARE(asked.title, QString("Add QuillMar item"));
        QCOMPARE(asked.prompt, QString("Name for FRUIT child item:"));
        QCOMPARE(asked.text, QString());
        QCOMPARE(childNames(nodes(), 2), children);
        const bool added = children.size() == 3;
        QCOMPARE(cellTexts(w(), 5).size(), children.size());
        QCOMPARE(count(), added ? QString("Items: 10") : QString("Items: 9"));
        QCOMPARE(saveEnabled(), added);
        QCOMPARE(w().DataSaved(), !added);
        if (added) {
            const std::int32_t n = slot("FRUIT/" + children.last());
            QCOMPARE(n, 11);
            QCOMPARE(nodes()[n].Name, makeName(children.last().toStdString()));
            verifyUndo(2, 5, n);
        } else {
            verifyUndo(0, -1, 0);
        }
    }

    void add_duplicate_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("retry");
        QTest::newRow("OK reopens the dialog empty") << "APPLE" << true;
        QTest::newRow("Cancel adds nothing") << " APPLE " << false;
    }
    void add_duplicate() {
        QFETCH(QString, typed);
        QFETCH(bool, retry);
        start();
        QVERIFY(openEntry(w(), 0, "FRUIT"));
        prompter().answerName(typed);
        prompter().answer(retry ? PromptAnswer::Ok : PromptAnswer::Cancel);
        if (retry)
            prompter().answerName("PEAR");
        shortcut(2);

        const Prompt clash = prompter().prompts.value(1);
        QCOMPARE(clash.text, QString("APPLE already exists !"));
        QCOMPARE(clash.title, QString("Quillmar Input Error"));
        QCOMPARE(clash.icon, PromptIcon::None);
        QCOMPARE(clash.buttons, PromptButtons::OkCancel);
        QCOMPARE(prompter().prompts.size(), retry ? 3 : 2);
        if (retry)
            QCOMPARE(prompter().last().name.text, QString());
        QCOMPARE(childNames(nodes(), 2),
                 retry ? QStringList({"APPLE", "KIWI", "PEAR"}) : QStringList({"APPLE", "KIWI"}));
    }

    void unstorableName_refusedAndAskedAgain_data() {
        QTest::addColumn<int>("command");
        QTest::newRow("add") << 2;
        QTest::newRow("rename") << 4;
    }
    void unstorableName_refusedAndAskedAgain() {
        QFETCH(int, command);
        start();
        QVERIFY(openEntry(w(), 0, "FRUIT"));
        QVERIFY(clickEntry(w(), 5, "KIWI"));
        const std::vector<Node> before = nodes().records();
        prompter().answerName(QString::fromUtf8("KIWI\u2192\u65e5"));
        prompter().answerName(QString());
        shortcut(command);
        QCOMPARE(prompter().prompts.size(), 3);
        QCOMPARE(prompter().prompts[1].text,
                 QString::fromUtf8(
                     "The name KIWI\u2192\u65e5 has characters a QuillMar DataFile can't hold !"));
        QCOMPARE(prompter().prompts[1].icon, PromptIcon::Exclamation);
        QCOMPARE(prompter().prompts[2].kind, Prompt::Name);
        QVERIFY(nodes().records() == before);
        QVERIFY(w().DataSaved());
    }

    void rename_keepsLeadingSpaces_addComparesTrimmed() {
        start();
        QVERIFY(openEntry(w(), 0, "FRUIT"));
        prompter().answerName("PEAR");
        shortcut(2);
        verifyUndo(2, 5, 11);
        QVERIFY(clickEntry(w(), 5, "APPLE"));
        prompter().answerName("  APPLE2");
        shortcut(4);
        const NameRequest asked = prompter().last().name;
        QCOMPARE(asked.title, QString("Change QuillMar Item"));
        QCOMPARE(asked.prompt, QString("Name for FRUIT Cell:"));
        QCOMPARE(asked.text, QString("APPLE"));
        QVERIFY(asked.selectAll);
        QCOMPARE(nodes()[3].Name, makeName("  APPLE2"));
        // The list shows the name as stored, spaces and all; a rename cannot be undone and
        // ends the undo of the add before it.
        QVERIFY(w().browser().list(5)->entries()->textAt(0).startsWith("  APPLE2"));
        verifyUndo(0, -1, 0);

        prompter().answerName("APPLE2");
        prompter().answer(PromptAnswer::Cancel);
        shortcut(2);
        QCOMPARE(prompter().last().text, QString("APPLE2 already exists !"));
    }

    void noSelection_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("alert");
        QTest::newRow("delete") << 3 << "No Selection";
        QTest::newRow("cut") << 6 << "No Selection!";
        QTest::newRow("copy") << 7 << "No Selection!";
        QTest::newRow("rename says nothing") << 4 << "";
        QTest::newRow("paste with an empty buffer says nothing") << 8 << "";
    }
    void noSelection() {
        QFETCH(int, command);
        QFETCH(QString, alert);
        start();
        w().menu().entry(MenuArray::Edit, command)->trigger();
        QCOMPARE(prompter().prompts.size(), alert.isEmpty() ? 0 : 1);
        if (!alert.isEmpty()) {
            QCOMPARE(prompter().last().text, alert);
            QCOMPARE(prompter().last().title, QString("QuillMar Alert"));
        }
        QVERIFY(w().DataSaved());
    }

    void deleteAndUndo_freeCountMovesBySubtreeSize_data() {
        QTest::addColumn<int>("cel"); // cell 0 lists VEG, cell 5 its children
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("question");
        QTest::addColumn<int>("size");
        QTest::newRow("leaf") << 5 << "LEEK"
                              << "Sure to delete LEEK ?" << 1;
        QTest::newRow("subtree") << 5 << "BEAN"
                                 << "Sure to delete BEAN\r\nand all its subitems ?" << 3;
        QTest::newRow("subtree of five") << 0 << "VEG"
                                         << "Sure to delete VEG\r\nand all its subitems ?" << 5;
    }
    void deleteAndUndo_freeCountMovesBySubtreeSize() {
        QFETCH(int, cel);
        QFETCH(QString, name);
        QFETCH(QString, question);
        QFETCH(int, size);
        start();
        QVERIFY(openEntry(w(), 0, "VEG"));
        QVERIFY(clickEntry(w(), cel, name));
        const std::int32_t s = slot(cel == 0 ? name : "VEG/" + name);
        const std::vector<Node> before = nodes().records();

        prompter().answer(PromptAnswer::Cancel);
        QTest::keyClicks(w().browser().list(cel), "-");
        QCOMPARE(prompter().last().text, question);
        QCOMPARE(prompter().last().title, QString("QuillMar Warning"));
        QCOMPARE(prompter().last().icon, PromptIcon::None);
        QVERIFY(nodes().records() == before);

        prompter().answer(PromptAnswer::Ok);
        QTest::keyClicks(w().browser().list(cel), "-");
        QCOMPARE(nodes().FreeCount(), size);
        QCOMPARE(count(), QString("Items: %1").arg(9 - size));
        QCOMPARE(edit().DelCount(), size);
        verifyUndo(3, cel, s);
        QVERIFY(!cellTexts(w(), cel).join(' ').contains(name));

        shortcut(0);
        QCOMPARE(nodes().FreeCount(), 0);
        QCOMPARE(count(), QString("Items: 9"));
        QVERIFY(nodes().records() == before);
        verifyUndo(0, -1, 0);
        QCOMPARE(w().status().statusText(), QString());
    }

    void deleteMiddleSibling_undo_thenDeleteThird() {
        start("TOP\n  A\n  B\n  C\n");
        QVERIFY(clickEntry(w(), 0, "B"));
        prompter().answer(PromptAnswer::Ok);
        shortcut(3);
        QCOMPARE(nodes()[2].NextSibling, 4);
        QCOMPARE(nodes()[4].PrevSibling, 2);
        shortcut(0);
        QCOMPARE(childNames(nodes(), 1), QStringList({"A", "B", "C"}));
        QCOMPARE(nodes()[2].NextSibling, 3);
        QCOMPARE(nodes()[4].PrevSibling, 3);
        QVERIFY(clickEntry(w(), 0, "C"));
        prompter().answer(PromptAnswer::Ok);
        shortcut(3);
        QCOMPARE(childNames(nodes(), 1), QStringList({"A", "B"}));
        QCOMPARE(nodes()[3].NextSibling, 0);
    }

    void delete_emptiesLaterCellsAndPlusMarks() {
        start("TOP\n  A\n    B\n      C\n  X\n    Y\n");
        QVERIFY(openEntry(w(), 0, "A"));
        QVERIFY(openEntry(w(), 5, "B"));
        QCOMPARE(headerText(w(), 10), QString("B"));
        QVERIFY(clickEntry(w(), 0, "A"));
        prompter().answer(PromptAnswer::Ok);
        shortcut(3);
        for (int cel : {5, 10}) {
            QCOMPARE(w().browser().cells()[cel].Nod, 0);
            QCOMPARE(headerText(w(), cel), QString());
            QCOMPARE(cellTexts(w(), cel), QStringList());
        }
        QCOMPARE(cellTexts(w(), 0), QStringList({"+ X"}));

        // The only child gone, its parent loses the "+ " mark; Undo gives it back.
        QVERIFY(openEntry(w(), 0, "X"));
        QVERIFY(clickEntry(w(), 5, "Y"));
        prompter().answer(PromptAnswer::Ok);
        shortcut(3);
        QCOMPARE(nodes()[5].FirstChild, 0);
        QCOMPARE(cellTexts(w(), 0), QStringList({"X"}));
        shortcut(0);
        QCOMPARE(cellTexts(w(), 0), QStringList({"+ X"}));
        QCOMPARE(cellTexts(w(), 5), QStringList({"Y"}));
    }

    void addReusingFreedSlot_endsUndoOfDelete() {
        start();
        QVERIFY(openEntry(w(), 0, "VEG"));
        QVERIFY(clickEntry(w(), 5, "BEAN"));
        prompter().answer(PromptAnswer::Ok);
        shortcut(3);
        QCOMPARE(nodes().FreeCount(), 3);
        prompter().answerName("PEA");
        shortcut(2);
        QCOMPARE(slot("VEG/PEA"), 6); // the lowest free slot
        QCOMPARE(nodes().FreeCount(), 2);
        verifyUndo(2, 5, 6);
        // Undo takes back the add; the deleted subtree stays deleted.
        shortcut(0);
        QCOMPARE(childNames(nodes(), 5), QStringList({"LEEK"}));
        QCOMPARE(nodes().FreeCount(), 3);
        verifyUndo(0, -1, 0);
    }

    void undoAdd_ofFirstChild_dropsPlusMark() {
        start();
        QVERIFY(openEntry(w(), 0, "EMPTY"));
        prompter().answerName("NEW");
        shortcut(2);
        QVERIFY(cellTexts(w(), 0).contains("+ EMPTY"));
        QCOMPARE(cellTexts(w(), 5), QStringList({"NEW"}));
        shortcut(0);
        QCOMPARE(nodes()[10].FirstChild, 0);
        QVERIFY(cellTexts(w(), 0).contains("EMPTY"));
        QCOMPARE(cellTexts(w(), 5), QStringList());
        QCOMPARE(nodes().FreeCount(), 1);
    }

    void copyPaste_rebuildsShape_undoFreesIt() {
        start();
        const std::int32_t nodeCount = nodes().NodeCount();
        QVERIFY(openEntry(w(), 0, "VEG"));
        QVERIFY(clickEntry(w(), 5, "BEAN"));
        shortcut(7);
        QCOMPARE(edit().BufCount(), 3);
        // Copy changes nothing, but ends the chance to undo.
        QVERIFY(w().DataSaved());
        QVERIFY(!saveEnabled());
        verifyUndo(0, -1, 0);
        QVERIFY(w().menu().entry(MenuArray::Edit, 8)->isEnabled());

        QVERIFY(openEntry(w(), 0, "FRUIT"));
        shortcut(8);
        const std::int32_t top = slot("FRUIT/BEAN");
        QCOMPARE(top, nodeCount + 1);
        QCOMPARE(childNames(nodes(), top), QStringList({"GREEN", "RED"}));
        QCOMPARE(nodes()[top].Level, 2);
        QCOMPARE(nodes()[slot("FRUIT/BEAN/RED")].Level, 3);
        QCOMPARE(cellTexts(w(), 5), QStringList({"+ BEAN", "APPLE", "KIWI"}));
        QVERIFY(!w().DataSaved());
        verifyUndo(8, 5, top);
        QCOMPARE(count(), QString("Items: 12"));

        shortcut(0);
        QCOMPARE(childNames(nodes(), 2), QStringList({"APPLE", "KIWI"}));
        QCOMPARE(nodes().FreeCount(), 3);
        QCOMPARE(cellTexts(w(), 5), QStringList({"APPLE", "KIWI"}));
    }

    void pasteTwice_clashGivesNewName_laterPastesUseIt() {
        start();
        QVERIFY(openEntry(w(), 0, "FRUIT"));
        QVERIFY(clickEntry(w(), 5, "APPLE"));
        shortcut(7);
        prompter().answer(PromptAnswer::Cancel);
        shortcut(8);
        QCOMPARE(prompter().last().text, kClash);
        QCOMPARE(prompter().last().title, QString("QuillMar Alert"));
        QCOMPARE(prompter().last().icon, PromptIcon::Question);
        QCOMPARE(prompter().last().buttons, PromptButtons::OkCancel);
        QCOMPARE(childNames(nodes(), 2), QStringList({"APPLE", "KIWI"}));

        prompter().answer(PromptAnswer::Ok);
        prompter().answerName("KIWI"); // clashes too: asked again
        prompter().answer(PromptAnswer::Ok);
        prompter().answerName(" APPLE2");
        shortcut(8);
        const NameRequest asked = prompter().last().name;
        QCOMPARE(asked.title, QString("Change QuillMar Item"));
        QCOMPARE(asked.prompt, QString("Name for FRUIT Cell:"));
        QCOMPARE(asked.text, QString());
        QCOMPARE(childNames(nodes(), 2), QStringList({"APPLE", "KIWI", "APPLE2"}));
        QCOMPARE(edit().Buf()[0].Name, makeName(" APPLE2"));

        prompter().clear();
        QVERIFY(openEntry(w(), 0, "VEG"));
        shortcut(8);
        QCOMPARE(prompter().prompts.size(), 0);
        QCOMPARE(childNames(nodes(), 5), QStringList({"BEAN", "LEEK", "APPLE2"}));
    }

    void pasteUnderItemInsideCopiedSubtree() {
        start();
        QVERIFY(clickEntry(w(), 0, "VEG"));
        shortcut(7);
        QVERIFY(openEntry(w(), 0, "VEG"));
        QVERIFY(openEntry(w(), 5, "BEAN"));
        QVERIFY(clickEntry(w(), 10, "GREEN"));
        QVERIFY(openEntry(w(), 10, "GREEN"));
        shortcut(8);
        const std::int32_t copy = slot("VEG/BEAN/GREEN/VEG");
        QVERIFY(copy > 10);
        QCOMPARE(nodes()[copy].Level, 4);
        QCOMPARE(childNames(nodes(), copy), QStringList({"BEAN", "LEEK"}));
        QCOMPARE(childNames(nodes(), slot("VEG/BEAN/GREEN/VEG/BEAN")),
                 QStringList({"GREEN", "RED"}));
        // The original below the copy is untouched.
        QCOMPARE(childNames(nodes(), slot("VEG/BEAN/GREEN/VEG/BEAN/GREEN")), QStringList());
    }

    void cut_undo_thenCutPasteElsewhereUndo() {
        start();
        QVERIFY(openEntry(w(), 0, "VEG"));
        QVERIFY(clickEntry(w(), 5, "BEAN"));
        shortcut(6);
        QCOMPARE(prompter().prompts.size(), 0); // no confirmation
        QCOMPARE(childNames(nodes(), 5), QStringList({"LEEK"}));
        verifyUndo(6, 5, 6);
        QVERIFY(!w().DataSaved());
        shortcut(0);
        QCOMPARE(childNames(nodes(), 5), QStringList({"BEAN", "LEEK"}));
        QCOMPARE(nodes().FreeCount(), 0);

        // Cut, paste elsewhere, undo: the pasted copy goes, the cut subtree stays deleted.
        QVERIFY(clickEntry(w(), 5, "BEAN"));
        shortcut(6);
        QVERIFY(openEntry(w(), 0, "FRUIT"));
        shortcut(8);
        QCOMPARE(childNames(nodes(), slot("FRUIT/BEAN")), QStringList({"GREEN", "RED"}));
        QCOMPARE(slot("FRUIT/BEAN"), 6); // the cut slots are reused
        shortcut(0);
        QCOMPARE(childNames(nodes(), 2), QStringList({"APPLE", "KIWI"}));
        QCOMPARE(childNames(nodes(), 5), QStringList({"LEEK"}));
        QCOMPARE(nodes().FreeCount(), 3);
    }

    void copy_loadAnotherFile_paste() {
        start();
        QVERIFY(clickEntry(w(), 0, "VEG"));
        shortcut(7);
        QVERIFY(w().DataLoad(writeTreeFile(m_f->dir, "other.qmd", "OTHER\n  ONE\n")));
        w().Menu_Set(0, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1);
        w().browser().focusCell(0);
        shortcut(8);
        QCOMPARE(childNames(nodes(), 1), QStringList({"ONE", "VEG"}));
        QCOMPARE(childNames(nodes(), 3), QStringList({"BEAN", "LEEK"}));
        QCOMPARE(count(), QString("Items: 6"));
    }

    void firstAddIntoNewTree_enablesEveryEntry() {
        start();
        nodes().resetNew(makeName("NEWTOP"));
        w().Cells_Reset();
        w().Menu_Set(1, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0);
        edit().Undo_Set(0, -1, 0);
        const std::vector<std::pair<MenuArray, int>> gated{
            {MenuArray::Print, 1}, {MenuArray::Edit, 0}, {MenuArray::Edit, 3},
            {MenuArray::Edit, 4},  {MenuArray::Edit, 6}, {MenuArray::Edit, 7},
            {MenuArray::Edit, 8},  {MenuArray::Go, 0},   {MenuArray::Book, 0}};
        for (auto [array, index] : gated)
            QVERIFY(!w().menu().entry(array, index)->isEnabled());
        prompter().answerName("FIRST");
        shortcut(2);
        QCOMPARE(slot("FIRST"), 2);
        for (auto [array, index] : gated)
            QVERIFY(w().menu().entry(array, index)->isEnabled());
        QCOMPARE(count(), QString("Items: 1"));
    }

    void paste_tooDeep_refusedBeforeAllocating_data() {
        QTest::addColumn<int>("target"); // k: the subtree is pasted under Dk, at Level k
        QTest::addColumn<bool>("fits");
        QTest::newRow("deepest item at level 30") << 20 << true;
        QTest::newRow("deepest item at level 31") << 21 << false;
    }
    void paste_tooDeep_refusedBeforeAllocating() {
        QFETCH(int, target);
        QFETCH(bool, fits);
        // D1..D30 (slots 2..31) and E1..E10 (slots 32..41), two chains below the top.
        const std::string outline = chainOutline("D", 30) + chainOutline("E", 10);
        start(("TOP\n" + outline).c_str());
        QVERIFY(clickEntry(w(), 0, "E1"));
        shortcut(7);
        QCOMPARE(edit().BufCount(), 10);
        // The cells open ten levels at most; show the deep target through the browser.
        ColumnBrowser& b = w().browser();
        b.Cell_Clear(5);
        b.Cell_Show(5, target + 1);
        b.focusCell(5);
        const std::vector<Node> before = nodes().records();
        shortcut(8);
        if (fits) {
            QCOMPARE(prompter().prompts.size(), 0);
            QCOMPARE(nodes()[nodes().NodeCount()].Level, 30);
            QCOMPARE(nameText(nodes()[nodes().NodeCount()].Name), QString("E10"));
        } else {
            QCOMPARE(
                prompter().last().text,
                QString("Can't paste item here:\r\nIts items would lie more than 30 levels deep!"));
            QVERIFY(nodes().records() == before);
            verifyUndo(0, -1, 0);
        }
    }

    void paste_linksBelowOneMeanNone() {
        // A file may hold -1 where a link is none; the pasted shape must not change.
        NodeTable t = treeFromOutline(kTree);
        for (std::int32_t k = 2; k <= t.NodeCount(); ++k) {
            Node& n = t[k];
            for (std::int32_t* link : {&n.FirstChild, &n.PrevSibling, &n.NextSibling})
                if (*link == 0)
                    *link = -1;
        }
        const QString path = m_f->path("minus.qmd");
        std::string error;
        QVERIFY(saveDataFile(path.toStdString(), t, error));
        startWith(path);

        QVERIFY(clickEntry(w(), 0, "VEG"));
        shortcut(7);
        QVERIFY(openEntry(w(), 0, "EMPTY"));
        shortcut(8);
        const std::int32_t copy = slot("EMPTY/VEG");
        QCOMPARE(childNames(nodes(), copy), QStringList({"BEAN", "LEEK"}));
        QCOMPARE(childNames(nodes(), slot("EMPTY/VEG/BEAN")), QStringList({"GREEN", "RED"}));
        QCOMPARE(nodes()[slot("EMPTY/VEG/BEAN/RED")].Level, 4);
        // Deleting and restoring among such links keeps the tree whole too.
        QVERIFY(openEntry(w(), 0, "VEG"));
        QVERIFY(clickEntry(w(), 5, "LEEK"));
        prompter().answer(PromptAnswer::Ok);
        shortcut(3);
        QM_VERIFY_TREE(nodes());
        shortcut(0);
        QCOMPARE(childNames(nodes(), 5), QStringList({"BEAN", "LEEK"}));
    }

    void commandsWaitWhileAnotherRuns() {
        start();
        QVERIFY(clickEntry(w(), 0, "VEG"));
        {
            MainWindow::BusyScope busy(w());
            for (int index : {2, 3, 4, 6, 7, 8})
                w().menu().dispatch(MenuArray::Edit, index);
            shortcut(2);
        }
        QCOMPARE(prompter().prompts.size(), 0);
        QCOMPARE(edit().BufCount(), 0);
        QVERIFY(w().DataSaved());
    }
};

QTEST_MAIN(TestEditCommands)
#include "test_edit_commands.moc"
