// Add, rename, delete, undo, cut, copy and paste, driven through the real main window's
// menus, shortcuts and keys with scripted answers to every prompt.

#include <QAction>
#include <QTest>
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
const char* kTree = "TOP\n  FRUIT\n    APPLE\n    KIWI\n  VEG\n    BEAN\n      GREEN\n"
                    "      RED\n    LEEK\n  EMPTY\n";

// Edit menu indexes.
enum Cmd { Undo = 0, Add = 2, Delete = 3, Rename = 4, Cut = 6, Copy = 7, Paste = 8 };

using Names = QStringList;

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
    void start(const std::string& outline = kTree) {
        startWith(writeTreeFile(m_f->dir, "tree.qmd", outline.c_str()));
    }
    /// Runs an Edit entry by its shortcut, as a user at the keyboard would.
    void shortcut(Cmd c) {
        static constexpr Qt::Key keys[] = {Qt::Key_Z, {},        Qt::Key_A, Qt::Key_D, Qt::Key_R,
                                           {},        Qt::Key_X, Qt::Key_C, Qt::Key_V};
        QTest::keyClick(&w(), keys[c], Qt::ControlModifier);
    }
    void confirmDelete() {
        prompter().answer(PromptAnswer::Ok);
        shortcut(Delete);
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
    void verifyUndo(int action, int cel = -1, std::int32_t nod = 0) {
        QCOMPARE(edit().UndoAction(), action);
        QCOMPARE(edit().UndoCel(), cel);
        QCOMPARE(edit().UndoNod(), nod);
        QCOMPARE(w().menu().entry(MenuArray::Edit, Undo)->isEnabled(), action > 0);
    }
    /// The i-th prompt shown; negative counts from the last.
    Prompt shown(qsizetype i) {
        return prompter().prompts.value(i < 0 ? prompter().prompts.size() + i : i);
    }
    QString count() { return w().status().countText(); }
    void verifyPrompt(int i, const QString& text, const QString& title, PromptIcon icon,
                      PromptButtons buttons) {
        const Prompt p = shown(i);
        QCOMPARE(p.text, text);
        QCOMPARE(p.title, title);
        QCOMPARE(p.icon, icon);
        QCOMPARE(p.buttons, buttons);
    }
    void verifyAsked(int i, const QString& title, const QString& prompt, const QString& text) {
        const NameRequest asked = shown(i).name;
        QCOMPARE(asked.title, title);
        QCOMPARE(asked.prompt, prompt);
        QCOMPARE(asked.text, text);
    }

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

    void addAndRename_namesTrimmedCheckedAndAskedAgain() {
        start();
        QVERIFY(openEntry(w(), 0, "FRUIT"));
        QVERIFY(clickEntry(w(), 5, "KIWI"));
        const std::vector<Node> before = nodes().records();
        // Spaces only, a name the file cannot hold (asked again, then left) and a clash left
        // with Cancel change nothing.
        prompter().answerName("   ");
        shortcut(Add);
        const QString bad = QString::fromUtf8("KIWI\u2192\u65e5");
        for (Cmd c : {Add, Rename}) {
            prompter().answerName(bad);
            prompter().answerName(QString());
            shortcut(c);
            QCOMPARE(shown(-2).text,
                     "The name " + bad + " has characters a QuillMar DataFile can't hold !");
            QCOMPARE(shown(-2).icon, PromptIcon::Exclamation);
            QCOMPARE(shown(-1).kind, Prompt::Name);
        }
        prompter().answerName(" KIWI ");
        prompter().answer(PromptAnswer::Cancel);
        QTest::keyClicks(w().browser().list(5), "+");
        verifyPrompt(-1, "KIWI already exists !", "Quillmar Input Error", PromptIcon::None,
                     PromptButtons::OkCancel);
        QVERIFY(nodes().records() == before);
        QVERIFY(w().DataSaved() && !w().menu().entry(MenuArray::File, 2)->isEnabled());
        verifyUndo(0);

        // Added names are trimmed; a clash answered OK asks again with an empty box; case
        // counts.
        prompter().answerName("  PEAR ");
        shortcut(Add);
        verifyAsked(-1, "Add QuillMar item", "Name for FRUIT child item:", "");
        prompter().answerName("APPLE");
        prompter().answer(PromptAnswer::Ok);
        prompter().answerName("apple");
        shortcut(Add);
        QCOMPARE(shown(-1).name.text, QString());
        QCOMPARE(childNames(nodes(), 2), Names({"APPLE", "KIWI", "PEAR", "apple"}));
        QCOMPARE(cellTexts(w(), 5).size(), 4);
        QCOMPARE(count(), QString("Items: 11"));
        QVERIFY(!w().DataSaved() && w().menu().entry(MenuArray::File, 2)->isEnabled());
        verifyUndo(Add, 5, 12);

        // A rename keeps leading spaces, cannot be undone and ends the add's undo.
        QVERIFY(clickEntry(w(), 5, "APPLE"));
        prompter().answerName("  APPLE2");
        shortcut(Rename);
        verifyAsked(-1, "Change QuillMar Item", "Name for FRUIT Cell:", "APPLE");
        QVERIFY(prompter().last().name.selectAll);
        QCOMPARE(nodes()[3].Name, makeName("  APPLE2"));
        QVERIFY(w().browser().list(5)->entries()->textAt(0).startsWith("  APPLE2"));
        verifyUndo(0);
        prompter().answerName("APPLE2");
        prompter().answer(PromptAnswer::Cancel);
        shortcut(Add);
        QCOMPARE(prompter().last().text, QString("APPLE2 already exists !"));
    }

    void deleteAndUndo_freeCountMovesBySubtreeSize_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("question");
        QTest::newRow("leaf") << "LEEK" << 1 << "Sure to delete LEEK ?";
        QTest::newRow("subtree") << "BEAN" << 3 << "Sure to delete BEAN\r\nand all its subitems ?";
    }
    void deleteAndUndo_freeCountMovesBySubtreeSize() {
        QFETCH(QString, name);
        QFETCH(int, size);
        start();
        QVERIFY(openEntry(w(), 0, "VEG"));
        QVERIFY(clickEntry(w(), 5, name));
        const std::int32_t s = slot("VEG/" + name);
        const std::vector<Node> before = nodes().records();

        prompter().answer(PromptAnswer::Cancel);
        prompter().answer(PromptAnswer::Ok);
        QTest::keyClicks(w().browser().list(5), "-");
        QFETCH(QString, question);
        verifyPrompt(0, question, "QuillMar Warning", PromptIcon::None, PromptButtons::OkCancel);
        QVERIFY(nodes().records() == before);
        QTest::keyClicks(w().browser().list(5), "-");
        QCOMPARE(nodes().FreeCount(), size);
        QCOMPARE(count(), QString("Items: %1").arg(9 - size));
        verifyUndo(Delete, 5, s);

        shortcut(Undo);
        QCOMPARE(nodes().FreeCount(), 0);
        QCOMPARE(count(), QString("Items: 9"));
        QVERIFY(nodes().records() == before);
        verifyUndo(0);
    }

    void delete_emptiesLaterCells() {
        start("TOP\n  A\n    B\n      C\n  X\n    Y\n");
        QVERIFY(openEntry(w(), 0, "A"));
        QVERIFY(openEntry(w(), 5, "B"));
        QVERIFY(clickEntry(w(), 0, "A"));
        confirmDelete();
        for (int cel : {5, 10}) {
            QCOMPARE(w().browser().cells()[cel].Nod, 0);
            QCOMPARE(headerText(w(), cel), QString());
            QCOMPARE(cellTexts(w(), cel), Names());
        }
        QCOMPARE(cellTexts(w(), 0), Names({"+ X"}));
    }

    void minusOneLinks_pasteThenDeleteMiddleUndoDeleteLast() {
        // A file may hold -1 where a link is none; this one does everywhere.
        NodeTable t = treeFromOutline(kTree);
        for (std::int32_t k = 2; k <= t.NodeCount(); ++k)
            for (std::int32_t* link : {&t[k].FirstChild, &t[k].PrevSibling, &t[k].NextSibling})
                *link = *link == 0 ? -1 : *link;
        std::string error;
        QVERIFY(saveDataFile(m_f->path("minus.qmd").toStdString(), t, error));
        startWith(m_f->path("minus.qmd"));

        QVERIFY(clickEntry(w(), 0, "VEG"));
        shortcut(Copy);
        QVERIFY(openEntry(w(), 0, "EMPTY"));
        shortcut(Paste);
        QCOMPARE(childNames(nodes(), slot("EMPTY/VEG")), Names({"BEAN", "LEEK"}));
        QCOMPARE(childNames(nodes(), slot("EMPTY/VEG/BEAN")), Names({"GREEN", "RED"}));
        QCOMPARE(nodes()[slot("EMPTY/VEG/BEAN/RED")].Level, 4);
        QM_VERIFY_TREE(nodes());

        QVERIFY(clickEntry(w(), 0, "VEG"));
        confirmDelete();
        QCOMPARE(childNames(nodes(), 1), Names({"FRUIT", "EMPTY"}));
        QM_VERIFY_TREE(nodes());
        shortcut(Undo);
        QCOMPARE(childNames(nodes(), 1), Names({"FRUIT", "VEG", "EMPTY"}));
        QM_VERIFY_TREE(nodes());
        QVERIFY(clickEntry(w(), 0, "EMPTY"));
        confirmDelete();
        QCOMPARE(childNames(nodes(), 1), Names({"FRUIT", "VEG"}));
    }

    void copyPaste_shapeUndoClashesAndPasteInsideTheCopied() {
        start();
        QVERIFY(openEntry(w(), 0, "VEG"));
        QVERIFY(clickEntry(w(), 5, "BEAN"));
        shortcut(Copy);
        QCOMPARE(edit().BufCount(), 3);
        // Copy changes nothing, but ends the chance to undo.
        QVERIFY(w().DataSaved());
        QVERIFY(!w().menu().entry(MenuArray::File, 2)->isEnabled());
        verifyUndo(0);

        QVERIFY(openEntry(w(), 0, "FRUIT"));
        shortcut(Paste);
        QCOMPARE(slot("FRUIT/BEAN"), 11);
        QCOMPARE(childNames(nodes(), 11), Names({"GREEN", "RED"}));
        QCOMPARE(nodes()[slot("FRUIT/BEAN/RED")].Level, 3);
        QCOMPARE(cellTexts(w(), 5), Names({"+ BEAN", "APPLE", "KIWI"}));
        QVERIFY(!w().DataSaved());
        verifyUndo(Paste, 5, 11);
        QCOMPARE(count(), QString("Items: 12"));
        shortcut(Undo);
        QCOMPARE(nodes().FreeCount(), 3);
        QCOMPARE(cellTexts(w(), 5), Names({"APPLE", "KIWI"}));

        // Back into VEG the name clashes; a new name that clashes too is asked for again.
        QVERIFY(openEntry(w(), 0, "VEG"));
        prompter().answer(PromptAnswer::Cancel);
        shortcut(Paste);
        verifyPrompt(0,
                     "Can't paste item here:\r\nIt has the same name!\r\n\r\nChange name for "
                     "top-item ?",
                     "QuillMar Alert", PromptIcon::Question, PromptButtons::OkCancel);
        QCOMPARE(childNames(nodes(), 5), Names({"BEAN", "LEEK"}));
        for (const char* name : {"LEEK", " BEAN2"}) {
            prompter().answer(PromptAnswer::Ok);
            prompter().answerName(name);
        }
        shortcut(Paste);
        verifyAsked(prompter().prompts.size() - 1, "Change QuillMar Item",
                    "Name for VEG Cell:", "");
        QCOMPARE(childNames(nodes(), 5), Names({"BEAN", "LEEK", "BEAN2"}));

        // Later pastes take the new name unasked; below GREEN, inside the copied BEAN, the
        // copy is the buffer's shape, not a walk of the growing tree.
        prompter().clear();
        QVERIFY(openEntry(w(), 5, "BEAN"));
        QVERIFY(openEntry(w(), 10, "GREEN"));
        shortcut(Paste);
        QCOMPARE(prompter().prompts.size(), 0);
        const std::int32_t copy = slot("VEG/BEAN/GREEN/BEAN2");
        QCOMPARE(nodes()[copy].Level, 4);
        QCOMPARE(childNames(nodes(), copy), Names({"GREEN", "RED"}));
        QCOMPARE(childNames(nodes(), slot("VEG/BEAN/GREEN/BEAN2/GREEN")), Names());
    }

    void cutUndo_addReusesCutSlotsAndEndsUndo_pasteElsewhereUndo() {
        start();
        QVERIFY(openEntry(w(), 0, "VEG"));
        QVERIFY(clickEntry(w(), 5, "BEAN"));
        shortcut(Cut); // no confirmation
        QCOMPARE(childNames(nodes(), 5), Names({"LEEK"}));
        verifyUndo(Cut, 5, 6);
        QVERIFY(!w().DataSaved());
        shortcut(Undo);
        QCOMPARE(childNames(nodes(), 5), Names({"BEAN", "LEEK"}));
        QCOMPARE(nodes().FreeCount(), 0);

        QVERIFY(clickEntry(w(), 5, "BEAN"));
        shortcut(Cut);
        prompter().answerName("PEA");
        shortcut(Add);
        QCOMPARE(slot("VEG/PEA"), 6); // the lowest free slot
        QCOMPARE(nodes().FreeCount(), 2);
        verifyUndo(Add, 5, 6);
        shortcut(Undo); // takes back the add; the cut subtree stays cut
        QCOMPARE(childNames(nodes(), 5), Names({"LEEK"}));
        QCOMPARE(nodes().FreeCount(), 3);
        verifyUndo(0);

        QVERIFY(openEntry(w(), 0, "FRUIT"));
        shortcut(Paste);
        QCOMPARE(slot("FRUIT/BEAN"), 6);
        QCOMPARE(childNames(nodes(), 6), Names({"GREEN", "RED"}));
        shortcut(Undo);
        QCOMPARE(childNames(nodes(), 2), Names({"APPLE", "KIWI"}));
        QCOMPARE(childNames(nodes(), 5), Names({"LEEK"}));
        QCOMPARE(nodes().FreeCount(), 3);
    }

    void copy_loadAnotherFile_paste() {
        start();
        QVERIFY(clickEntry(w(), 0, "VEG"));
        shortcut(Copy);
        QVERIFY(w().DataLoad(writeTreeFile(m_f->dir, "other.qmd", "OTHER\n  ONE\n")));
        w().Menu_Set(0, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1);
        w().browser().focusCell(0);
        shortcut(Paste);
        QCOMPARE(childNames(nodes(), 1), Names({"ONE", "VEG"}));
        QCOMPARE(childNames(nodes(), 3), Names({"BEAN", "LEEK"}));
        QCOMPARE(count(), QString("Items: 6"));
    }

    void firstAddIntoNewTree_enablesEveryEntry() {
        start();
        nodes().resetNew(makeName("NEWTOP"));
        w().Cells_Reset();
        w().Menu_Set(1, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0);
        edit().Undo_Set(0, -1, 0);
        const auto gatedEnabled = [&](bool on) {
            for (auto [array, index] : {std::pair(MenuArray::Print, 1),
                                        {MenuArray::Edit, 0},
                                        {MenuArray::Edit, 3},
                                        {MenuArray::Edit, 4},
                                        {MenuArray::Edit, 6},
                                        {MenuArray::Edit, 7},
                                        {MenuArray::Edit, 8},
                                        {MenuArray::Go, 0},
                                        {MenuArray::Book, 0}})
                QCOMPARE(w().menu().entry(array, index)->isEnabled(), on);
        };
        gatedEnabled(false);
        prompter().answerName("FIRST");
        shortcut(Add);
        QCOMPARE(slot("FIRST"), 2);
        gatedEnabled(true);
        QCOMPARE(count(), QString("Items: 1"));
    }

    void paste_deeperThan30Levels_refusedBeforeAllocating() {
        // D1..D30 (slots 2..31) and E1..E10 (slots 32..41), two chains below the top.
        std::string outline = "TOP\n";
        for (const char* prefix : {"D", "E"})
            for (int i = 1; i <= (*prefix == 'D' ? 30 : 10); ++i)
                outline += std::string(2 * static_cast<std::size_t>(i), ' ') + prefix +
                           std::to_string(i) + "\n";
        start(outline);
        QVERIFY(clickEntry(w(), 0, "E1"));
        shortcut(Copy);
        // The cells open ten levels at most; show the deep targets through the browser. The
        // copy's top goes one below the target, its last item ten below.
        const auto pasteBelow = [&](std::int32_t level) {
            w().browser().Cell_Clear(5);
            w().browser().Cell_Show(5, level + 1); // D<level>
            w().browser().focusCell(5);
            shortcut(Paste);
        };
        const std::vector<Node> before = nodes().records();
        pasteBelow(21);
        QCOMPARE(
            prompter().last().text,
            QString("Can't paste item here:\r\nIts items would lie more than 30 levels deep!"));
        QVERIFY(nodes().records() == before);
        verifyUndo(0);
        pasteBelow(20);
        QCOMPARE(nodes()[nodes().NodeCount()].Level, 30);
        QCOMPARE(nameText(nodes()[nodes().NodeCount()].Name), QString("E10"));
        QCOMPARE(prompter().prompts.size(), 1);
    }

    void withoutSelectionOrWhileBusy_nothingChanges() {
        start();
        for (Cmd c : {Delete, Cut, Copy, Rename, Paste}) // rename and empty paste say nothing
            w().menu().entry(MenuArray::Edit, c)->trigger();
        QCOMPARE(prompter().prompts.size(), 3);
        verifyPrompt(0, "No Selection", "QuillMar Alert", PromptIcon::Exclamation,
                     PromptButtons::Ok);
        QCOMPARE(prompter().prompts[1].text, QString("No Selection!"));
        QCOMPARE(prompter().prompts[2].text, QString("No Selection!"));

        QVERIFY(clickEntry(w(), 0, "VEG"));
        {
            MainWindow::BusyScope busy(w());
            for (Cmd c : {Add, Delete, Rename, Cut, Copy, Paste})
                w().menu().dispatch(MenuArray::Edit, c);
            shortcut(Add);
        }
        QCOMPARE(prompter().prompts.size(), 3);
        QCOMPARE(edit().BufCount(), 0);
        QVERIFY(w().DataSaved());
    }
};

QTEST_MAIN(TestEditCommands)
#include "test_edit_commands.moc"
