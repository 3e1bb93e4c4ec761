// Add, rename, delete, undo, cut, copy and paste, driven through the real main window's
// menus, shortcuts and keys with scripted answers to every prompt.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QTest>

#include "edit/edit_commands.h"
#include "store/data_file.h"
#include "support/program_fixture.h"
#include "support/tree_checker.h"
#include "support/window_driver.h"

using namespace qm;
using namespace qm::test;

// Line k is slot k: FRUIT 2, APPLE 3, KIWI 4, VEG 5, BEAN 6, GREEN 7, RED 8, LEEK 9, EMPTY 10.
const char* const kTree = "TOP\n  FRUIT\n    APPLE\n    KIWI\n  VEG\n    BEAN\n      GREEN\n"
                          "      RED\n    LEEK\n  EMPTY\n";

using Cmd = EditEntry;

using Names = QStringList;

class TestEditCommands : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramFixture> m_f;

    MainWindow& w() { return m_f->w(); }
    EditCommands& edit() { return m_f->program->edit(); }
    NodeTable& nodes() { return w().nodes(); }
    ScriptedPrompter& prompter() { return m_f->prompter; }

    void start(const char* outline = kTree) {
        startFile(writeTreeFile(m_f->dir, "tree.qmd", outline));
    }
    /// Starts on kTree from a file that holds -1 wherever a link is none, as some files do.
    void startMinusLinks() {
        NodeTable t = treeFromOutline(kTree);
        for (std::int32_t k = 2; k <= t.NodeCount(); ++k)
            for (std::int32_t* link : {&t[k].FirstChild, &t[k].PrevSibling, &t[k].NextSibling})
                *link = *link == 0 ? -1 : *link;
        std::string error;
        QVERIFY(saveDataFile(m_f->path("minus.qmd").toStdString(), t, error));
        startFile(m_f->path("minus.qmd"));
    }
    void startFile(const QString& file) {
        m_f->start({file});
        w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w()));
    }
    /// Runs an Edit entry by its shortcut, as a user at the keyboard would.
    void shortcut(Cmd c) {
        static constexpr Qt::Key keys[] = {Qt::Key_Z, {},        Qt::Key_A, Qt::Key_D, Qt::Key_R,
                                           {},        Qt::Key_X, Qt::Key_C, Qt::Key_V};
        QTest::keyClick(&w(), keys[c], Qt::ControlModifier);
    }
    void confirmDelete() {
        prompter().answer(PromptAnswer::Ok);
        shortcut(EditDelete);
    }
    /// The slot at a path of names below the top item ("VEG/BEAN"); 0 when there is none.
    std::int32_t slot(const QString& path) {
        std::int32_t s = 1;
        for (const QString& name : path.split('/')) {
            for (s = nodes()[s].FirstChild; s >= 1 && nameText(nodes()[s].Name) != name;)
                s = nodes()[s].NextSibling;
            if (s < 1)
                return 0;
        }
        return s;
    }
    void verifyUndo(int action, int cel = -1, std::int32_t nod = 0) {
        QCOMPARE(QList<int>({int(edit().UndoAction()), edit().UndoCel(), edit().UndoNod()}),
                 QList<int>({action, cel, nod}));
        QCOMPARE(w().menu().entry(MenuArray::Edit, EditUndo)->isEnabled(), action > 0);
    }
    /// The name of the entry selected in a cell, as listed.
    QString selectedName(int cel) {
        const std::int32_t s = w().browser().selectedSlot(cel);
        return s >= 1 ? nameText(nodes()[s].Name) : QString();
    }
    /// The i-th prompt shown; negative counts from the last.
    Prompt shown(qsizetype i) {
        return prompter().prompts.value(i < 0 ? prompter().prompts.size() + i : i);
    }
    void verifyPrompt(int i, const QString& text, const QString& title, PromptIcon icon,
                      PromptButtons buttons) {
        const Prompt p = shown(i);
        QCOMPARE(Names({p.text, p.title}), Names({text, title}));
        QCOMPARE(p.icon, icon);
        QCOMPARE(p.buttons, buttons);
    }
    void verifyAsked(int i, const QString& title, const QString& prompt, const QString& text) {
        const NameRequest a = shown(i).name;
        QCOMPARE(Names({a.title, a.prompt, a.text}), Names({title, prompt, text}));
    }

private slots:
    void init() {
        m_f = std::make_unique<ProgramFixture>();
        m_f->writeIni("[AutoSave]\nValue=-1\n"); // no saves in the middle of a test
    }
    void cleanup() {
        QM_VERIFY_TREE(nodes());
        m_f.reset();
    }

    void addAndRename_namesTrimmedCheckedAndAskedAgain() {
        start();
        QVERIFY(openEntry(w(), 0, "FRUIT"));
        QVERIFY(clickEntry(w(), 5, "KIWI"));
        const NodeSlots before = nodes().records();
        // Spaces only, a name the file cannot hold (asked again, then left) and a clash left
        // with Cancel change nothing.
        prompter().answerName("   ");
        shortcut(EditAdd);
        const QString bad = QString::fromUtf8("KIWI\u2192\u65e5");
        for (Cmd c : {EditAdd, EditRename}) {
            prompter().answerName(bad);
            prompter().answer(PromptAnswer::Ok);
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
        QCOMPARE(nodes().records(), before);
        QVERIFY(w().DataSaved());
        verifyUndo(0);

        // Added names are trimmed; a clash answered OK asks again, box empty; case counts.
        prompter().answerName("  PEAR ");
        shortcut(EditAdd);
        verifyAsked(-1, "Add QuillMar item", "Name for FRUIT child item:", "");
        prompter().answerName("APPLE");
        prompter().answer(PromptAnswer::Ok);
        prompter().answerName("apple");
        shortcut(EditAdd);
        QCOMPARE(shown(-1).name.text, QString());
        QCOMPARE(childNames(nodes(), 2), Names({"APPLE", "KIWI", "PEAR", "apple"}));
        QCOMPARE(selectedName(5), QString("apple")); // the next command acts on it
        QVERIFY(!w().DataSaved());
        QVERIFY(w().menu().entry(MenuArray::File, FileSave)->isEnabled());
        verifyUndo(EditAdd, 5, 12);

        // A rename keeps leading spaces, cannot be undone and ends the add's undo.
        QVERIFY(clickEntry(w(), 5, "APPLE"));
        prompter().answerName("  APPLE2");
        shortcut(EditRename);
        verifyAsked(-1, "Change QuillMar Item", "Name for FRUIT Cell:", "APPLE");
        QVERIFY(prompter().last().name.selectAll);
        QCOMPARE(nodes()[3].Name, makeName("  APPLE2"));
        verifyUndo(0);
        prompter().answerName("APPLE2");
        prompter().answer(PromptAnswer::Cancel);
        shortcut(EditAdd);
        QCOMPARE(prompter().last().text, QString("APPLE2 already exists !"));
    }

    void deleteAndUndo_freeCountMovesBySubtreeSize_laterCellsEmptied() {
        startMinusLinks();
        QVERIFY(openEntry(w(), 0, "VEG"));
        const NodeSlots before = nodes().records();
        for (auto [name, s, size, question] :
             {std::tuple("LEEK", 9, 1, "Sure to delete LEEK ?"),
              {"BEAN", 6, 3, "Sure to delete BEAN\r\nand all its subitems ?"}}) {
            QVERIFY(clickEntry(w(), 5, name));
            prompter().answer(PromptAnswer::Cancel);
            prompter().answer(PromptAnswer::Ok);
            QTest::keyClicks(w().browser().list(5), "-");
            verifyPrompt(-1, question, "QuillMar Warning", PromptIcon::None,
                         PromptButtons::OkCancel);
            QVERIFY(nodes().records() == before);
            QTest::keyClicks(w().browser().list(5), "-");
            QCOMPARE(nodes().FreeCount(), size);
            QCOMPARE(w().status().countText(), QString("Items: %1").arg(9 - size));
            verifyUndo(EditDelete, 5, s);
            // Undone from another cell, the item is back selected in the cell it left, current.
            QVERIFY(clickEntry(w(), 0, "EMPTY"));
            shortcut(EditUndo);
            QCOMPARE(nodes().FreeCount(), 0);
            QVERIFY(nodes().records() == before);
            verifyUndo(0);
            QCOMPARE(w().browser().CurCel(), 5);
            QCOMPARE(Names({selectedName(0), selectedName(5)}), Names({"VEG", name}));
        }

        // Deleting an item shown open empties every cell that showed what lay below it.
        QVERIFY(openEntry(w(), 5, "BEAN"));
        QVERIFY(clickEntry(w(), 0, "VEG"));
        confirmDelete();
        QCOMPARE(w().browser().cells()[5].Nod, 0);
        QCOMPARE(w().browser().cells()[10].Nod, 0);
        QCOMPARE(cellTexts(w(), 5) + cellTexts(w(), 10), Names());
        QCOMPARE(headerText(w(), 5) + headerText(w(), 10), QString());
        QCOMPARE(cellTexts(w(), 0), Names({"+ FRUIT", "EMPTY"}));
    }

    void copyPaste_shapeUndoClashesPasteInsideTheCopiedAndIntoAnotherFile() {
        startMinusLinks();
        QVERIFY(openEntry(w(), 0, "VEG"));
        QVERIFY(clickEntry(w(), 5, "BEAN"));
        shortcut(EditCopy);
        // Copy changes nothing, but ends the chance to undo.
        QVERIFY(w().DataSaved());
        QVERIFY(!w().menu().entry(MenuArray::File, FileSave)->isEnabled());
        verifyUndo(0);
        // It offers the subtree to other programs too, as an outline and as OPML; Paste takes
        // the buffer whatever the clipboard holds.
        QClipboard* clipboard = QGuiApplication::clipboard();
        QCOMPARE(clipboard->text(), QString("BEAN\n  GREEN\n  RED\n"));
        QCOMPARE(clipboard->mimeData()->data("text/x-opml"),
                 QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<opml version=\"2.0\">\n"
                            "  <head>\n    <title>BEAN</title>\n  </head>\n  <body>\n"
                            "    <outline text=\"BEAN\">\n      <outline text=\"GREEN\"/>\n"
                            "      <outline text=\"RED\"/>\n    </outline>\n  </body>\n</opml>\n"));
        clipboard->setText("KIWI");
        QVERIFY(openEntry(w(), 0, "FRUIT"));
        shortcut(EditPaste);
        QCOMPARE(childNames(nodes(), 11), Names({"GREEN", "RED"}));
        QCOMPARE(cellTexts(w(), 5), Names({"+ BEAN", "APPLE", "KIWI"}));
        QCOMPARE(selectedName(5), QString("BEAN"));
        verifyUndo(EditPaste, 5, 11);
        shortcut(EditUndo);
        QCOMPARE(nodes().FreeCount(), 3);

        // Back into VEG the name clashes; a new name that clashes too is asked for again.
        QVERIFY(openEntry(w(), 0, "VEG"));
        prompter().answer(PromptAnswer::Cancel);
        shortcut(EditPaste);
        verifyPrompt(0,
                     "Can't paste item here:\r\nIt has the same name!\r\n\r\nChange name for "
                     "top-item ?",
                     "QuillMar Alert", PromptIcon::Question, PromptButtons::OkCancel);
        for (const char* name : {"LEEK", " BEAN2"}) {
            prompter().answer(PromptAnswer::Ok);
            prompter().answerName(name);
        }
        shortcut(EditPaste);
        verifyAsked(-1, "Change QuillMar Item", "Name for VEG Cell:", "");
        QCOMPARE(childNames(nodes(), 5), Names({"BEAN", "LEEK", "BEAN2"}));

        // Later pastes take the new name unasked; below GREEN, inside the copied BEAN, the
        // copy is the buffer's shape, not a walk of the growing tree.
        QVERIFY(openEntry(w(), 5, "BEAN"));
        QVERIFY(openEntry(w(), 10, "GREEN"));
        shortcut(EditPaste); // a clash would ask, unscripted
        QCOMPARE(childNames(nodes(), slot("VEG/BEAN/GREEN/BEAN2")), Names({"GREEN", "RED"}));
        QCOMPARE(childNames(nodes(), slot("VEG/BEAN/GREEN/BEAN2/GREEN")), Names());

        // The buffer outlives loading another file.
        QVERIFY(w().DataLoad(writeTreeFile(m_f->dir, "other.qmd", "OTHER\n  ONE\n")));
        w().browser().focusCell(0);
        shortcut(EditPaste);
        QCOMPARE(childNames(nodes(), 1), Names({"ONE", "BEAN2"}));
        QCOMPARE(w().status().countText(), QString("Items: 4"));
    }

    // More than 100,000 items stay in the buffer alone, and the status bar says so.
    void cutCopy_over100000Items_bufferOnly() {
        std::string outline = "TOP\n  FITS\n";
        for (int i = 1; i < 100000; ++i)
            outline += "    F" + std::to_string(i) + "\n";
        outline += "  OVER\n";
        for (int i = 1; i <= 100000; ++i)
            outline += "    O" + std::to_string(i) + "\n";
        start(outline.c_str());
        QClipboard* clipboard = QGuiApplication::clipboard();
        QVERIFY(clickEntry(w(), 0, "FITS"));
        shortcut(EditCopy);
        QCOMPARE(edit().BufCount(), 100000);
        QVERIFY(clipboard->text().startsWith("FITS\n  F1\n"));
        QVERIFY(clipboard->mimeData()->hasFormat("text/x-opml"));
        for (Cmd c : {EditCopy, EditCut}) {
            QVERIFY(clickEntry(w(), 0, "OVER"));
            shortcut(c);
            QCOMPARE(edit().BufCount(), 100001);
            QVERIFY(clipboard->text().startsWith("FITS\n"));
            QCOMPARE(w().status().statusText(),
                     QString("In QuillMar's buffer only, not on the clipboard: more than "
                             "100,000 items"));
        }
        QCOMPARE(childNames(nodes(), 1), Names({"FITS"}));
    }

    void cutUndo_addReusesCutSlotsAndEndsUndo_pasteElsewhereUndo() {
        start();
        // Without a selection only the texts differ; rename and an empty paste say nothing.
        for (int alerts = 0; alerts < 3; ++alerts)
            prompter().answer(PromptAnswer::Ok);
        for (Cmd c : {EditDelete, EditCut, EditCopy, EditRename, EditPaste})
            w().menu().entry(MenuArray::Edit, c)->trigger();
        verifyPrompt(0, "No Selection", "QuillMar Alert", PromptIcon::Exclamation,
                     PromptButtons::Ok);
        QCOMPARE(Names({shown(1).text, shown(2).text}), Names({"No Selection!", "No Selection!"}));

        QVERIFY(openEntry(w(), 0, "VEG"));
        QVERIFY(clickEntry(w(), 5, "BEAN"));
        const NodeSlots before = nodes().records();
        {
            MainWindow::BusyScope busy(w()); // held off while busy
            for (Cmd c : {EditAdd, EditDelete, EditRename, EditCut, EditCopy, EditPaste})
                w().menu().dispatch(MenuArray::Edit, c);
            shortcut(EditAdd);
        }
        QCOMPARE(prompter().prompts.size(), 3);
        QCOMPARE(edit().BufCount(), 0);
        QVERIFY(w().DataSaved());
        QCOMPARE(nodes().records(), before);

        shortcut(EditCut); // no confirmation; on the clipboard too
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("BEAN\n  GREEN\n  RED\n"));
        QCOMPARE(w().status().statusText(), QString());
        verifyUndo(EditCut, 5, 6);
        QVERIFY(!w().DataSaved());
        shortcut(EditUndo);
        QVERIFY(nodes().records() == before);

        QVERIFY(clickEntry(w(), 5, "BEAN"));
        shortcut(EditCut);
        prompter().answerName("PEA");
        shortcut(EditAdd);
        QCOMPARE(slot("VEG/PEA"), 6); // the lowest free slot
        verifyUndo(EditAdd, 5, 6);
        shortcut(EditUndo); // takes back the add; the cut subtree stays cut
        QCOMPARE(childNames(nodes(), 5), Names({"LEEK"}));
        QCOMPARE(nodes().FreeCount(), 3);
        verifyUndo(0);

        QVERIFY(openEntry(w(), 0, "FRUIT"));
        shortcut(EditPaste);
        QCOMPARE(slot("FRUIT/BEAN"), 6);
        QCOMPARE(childNames(nodes(), 6), Names({"GREEN", "RED"}));
        shortcut(EditUndo);
        QCOMPARE(childNames(nodes(), 2), Names({"APPLE", "KIWI"}));
        QCOMPARE(nodes().FreeCount(), 3);
    }

    // Delete, F2 and Insert in a list run their commands; the menu a right click opens acts
    // on the entry under the mouse.
    void keysAndRightClick_runTheirCommands() {
        start();
        QVERIFY(openEntry(w(), 0, "FRUIT"));
        QVERIFY(clickEntry(w(), 5, "KIWI"));
        prompter().answer(PromptAnswer::Cancel);
        prompter().answerName(QString());
        prompter().answerName(QString());
        CellList* list = w().browser().list(5);
        for (Qt::Key key : {Qt::Key_Delete, Qt::Key_F2, Qt::Key_Insert})
            QTest::keyClick(list, key);
        QCOMPARE(
            Names({shown(0).text, shown(1).text, shown(2).text}),
            Names({"Sure to delete KIWI ?", "Name for FRUIT Cell:", "Name for FRUIT child item:"}));
        QCOMPARE(prompter().prompts.size(), 3);
        const QPoint apple =
            list->visualRect(list->entries()->index(cellTexts(w(), 5).indexOf("APPLE"))).center();
        QTest::mousePress(list->viewport(), Qt::RightButton, {}, apple);
        QTest::mouseRelease(list->viewport(), Qt::RightButton, {}, apple);
        QMenu* menu = w().menu().topMenu(1);
        QTRY_COMPARE(QApplication::activePopupWidget(), menu);
        prompter().answer(PromptAnswer::Ok);
        QTest::mouseClick(
            menu, Qt::LeftButton, {},
            menu->actionGeometry(w().menu().entry(MenuArray::Edit, EditDelete)).center());
        QCOMPARE(prompter().last().text, QString("Sure to delete APPLE ?"));
        QCOMPARE(childNames(nodes(), 2), Names({"KIWI"}));
    }

    void paste_deeperThan30Levels_refusedBeforeAllocating() {
        // D1..D30 (slots 2..31) and E1..E10 (slots 32..41), two chains below the top.
        std::string outline = "TOP\n";
        for (std::size_t i = 1, n = 1; i <= 40; ++i, n = i > 30 ? i - 30 : i)
            outline += std::string(2 * n, ' ') + (i > 30 ? 'E' : 'D') + std::to_string(n) + '\n';
        start(outline.c_str());
        QVERIFY(clickEntry(w(), 0, "E1"));
        shortcut(EditCopy);
        // The cells open ten levels at most; show the deep targets through the browser. The
        // copy's top goes one below the target, its last item ten below.
        const auto pasteBelow = [&](std::int32_t level) {
            w().browser().Cell_Show(5, level + 1); // D<level>
            w().browser().focusCell(5);
            shortcut(EditPaste);
        };
        const NodeSlots before = nodes().records();
        prompter().answer(PromptAnswer::Ok);
        pasteBelow(21);
        QCOMPARE(
            prompter().last().text,
            QString("Can't paste item here:\r\nIts items would lie more than 30 levels deep!"));
        QVERIFY(nodes().records() == before);
        verifyUndo(0);
        pasteBelow(20);
        QCOMPARE(nodes()[nodes().NodeCount()].Level, 30);
        QCOMPARE(nameText(nodes()[nodes().NodeCount()].Name), QString("E10"));
    }
};

QTEST_MAIN(TestEditCommands)
#include "test_edit_commands.moc"
