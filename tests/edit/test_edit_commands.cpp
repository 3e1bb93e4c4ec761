// Add, rename, delete, undo, cut, copy and paste, and the outline commands (Import Outline,
// Export Outline, Paste from Clipboard), driven through the real main window's menus,
// shortcuts and keys with scripted answers to every prompt; files are checked on disk.
// Seeded random edits are checked against a plain nested model.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <random>

#include "edit/edit_commands.h"
#include "store/data_file.h"
#include "support/program_fixture.h"
#include "support/tree_checker.h"
#include "support/window_driver.h"

using namespace qm;
using namespace qm::test;

namespace {

// Line k is slot k: FRUIT 2, APPLE 3, KIWI 4, VEG 5, BEAN 6, GREEN 7, RED 8, LEEK 9, EMPTY 10.
const char* const kTree = "TOP\n  FRUIT\n    APPLE\n    KIWI\n  VEG\n    BEAN\n      GREEN\n"
                          "      RED\n    LEEK\n  EMPTY\n";

// Line k is slot k: FRUIT 2, APPLE 3, KIWI 4, VEG 5, BEAN 6, GREEN 7, LEEK 8.
const char* const kOutlineTree = "TOP\n  FRUIT\n    APPLE\n    KIWI\n  VEG\n    BEAN\n      GREEN\n"
                                 "    LEEK\n";

const QByteArray kReadme = "# Garden Notes\n\nWhat grows where.\n\n## Beds\n"
                           "-   Tomatoes and peppers in the sun\n-   Herbs\n\n"
                           "    1. Basil\n    2. Thyme\n\n## Tools\n- Spade\n";

void setClipboard(const QByteArray& text, const QByteArray& opml = {}) {
    auto* data = new QMimeData;
    if (!text.isNull())
        data->setText(QString::fromUtf8(text));
    if (!opml.isNull())
        data->setData("text/x-opml", opml);
    QGuiApplication::clipboard()->setMimeData(data);
}

QString dumpOf(const NodeTable& table) {
    return QString::fromStdString(dumpOutline(table));
}

struct Item {
    std::string name; // trimmed, as the outline lists it
    std::vector<Item> kids;
};
using Path = std::vector<std::size_t>; // child indexes from the top item

// What the store's outline dump gives for a subtree.
std::string list(const Item& item, std::size_t level = 0) {
    std::string text = std::string(2 * level, ' ') + item.name + '\n';
    for (const Item& k : item.kids)
        text += list(k, level + 1);
    return text;
}

std::size_t height(const Item& item) {
    std::size_t h = 0;
    for (const Item& k : item.kids)
        h = std::max(h, height(k) + 1);
    return h;
}

void collect(const Item& item, std::vector<Path>& out, Path path = {}) {
    out.push_back(path);
    for (path.push_back(0); path.back() < item.kids.size(); ++path.back())
        collect(item.kids[path.back()], out, path);
}

Item& at(Item& root, const Path& path, std::size_t up = 0) {
    Item* item = &root;
    for (std::size_t i = 0; i + up < path.size(); ++i)
        item = &item->kids[path[i]];
    return *item;
}

// The same child positions in the table's stored order.
std::int32_t slotAt(const NodeTable& t, const Path& path) {
    std::int32_t s = 1;
    for (std::size_t i : path)
        for (s = t[s].FirstChild; i > 0; --i)
            s = t[s].NextSibling;
    return s;
}

} // namespace

using Cmd = EditEntry;
using Names = QStringList;

class TestEditCommands : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramFixture> m_f;

    MainWindow& w() { return m_f->w(); }
    EditCommands& edit() { return m_f->program->edit(); }
    NodeTable& nodes() { return w().nodes(); }
    ScriptedPrompter& prompter() { return m_f->prompter; }
    QAction* entry(MenuArray array, int index) { return w().menu().entry(array, index); }

    void start(const char* outline = kTree) {
        startWith({writeTreeFile(m_f->dir, "tree.qmd", outline)});
    }
    /// Starts on kTree from a file that holds -1 wherever a link is none, as some files do.
    void startMinusLinks() {
        NodeTable t = treeFromOutline(kTree);
        for (std::int32_t k = 2; k <= t.NodeCount(); ++k)
            for (std::int32_t* link : {&t[k].FirstChild, &t[k].PrevSibling, &t[k].NextSibling})
                *link = *link == 0 ? -1 : *link;
        std::string error;
        QVERIFY(saveDataFile(m_f->path("minus.qmd").toStdString(), t, error));
        startWith({m_f->path("minus.qmd")});
    }
    void startWith(const QStringList& args) {
        m_f->start(args);
        w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w()));
    }
    /// Runs an Edit entry by its shortcut, as a user at the keyboard would.
    void shortcut(Cmd c) {
        static constexpr Qt::Key keys[] = {Qt::Key_Z, {},        Qt::Key_A, Qt::Key_D, Qt::Key_R,
                                           {},        Qt::Key_X, Qt::Key_C, Qt::Key_V};
        QTest::keyClick(&w(), keys[c], Qt::ControlModifier);
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
        QCOMPARE(entry(MenuArray::Edit, EditUndo)->isEnabled(), action > 0);
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

    std::mt19937 m_rng{20240611};

    std::size_t roll(std::size_t n) { return m_rng() % n; }
    static int count(const Item& item) { return int(std::ranges::count(list(item), '\n')); }
    std::string someName() {
        std::string name(roll(3), ' ');
        name += char((roll(10) == 0 ? 'a' : 'A') + roll(5)); // 'a': as if pasted from elsewhere
        if (roll(3) == 0)
            name += char('A' + roll(5));
        return name + std::string(roll(3), ' ');
    }

    static constexpr Cmd kOps[] = {EditAdd,  EditRename, EditDelete, EditCut,
                                   EditCopy, EditPaste,  EditUndo};

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
        QVERIFY(entry(MenuArray::File, FileSave)->isEnabled());
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
        prompter().answer(PromptAnswer::Ok);
        shortcut(EditDelete);
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
        QVERIFY(!entry(MenuArray::File, FileSave)->isEnabled());
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
            entry(MenuArray::Edit, c)->trigger();
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
        QTest::mouseClick(menu, Qt::LeftButton, {},
                          menu->actionGeometry(entry(MenuArray::Edit, EditDelete)).center());
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

    // Import Outline is always on; Export Outline with a tree; Paste from Clipboard with a
    // tree and text on the clipboard.
    void entries_onWhenTheyCanRun() {
        setClipboard("A\n");
        startWith({});
        QVERIFY(entry(MenuArray::File, FileImportOutline)->isEnabled());
        QVERIFY(!entry(MenuArray::File, FileExportOutline)->isEnabled());
        QVERIFY(!entry(MenuArray::Edit, EditPasteClipboard)->isEnabled());
        prompter().answerName("TOP");
        QTest::keyClick(&w(), Qt::Key_N, Qt::ControlModifier);
        QVERIFY(entry(MenuArray::File, FileExportOutline)->isEnabled());
        QVERIFY(entry(MenuArray::Edit, EditPasteClipboard)->isEnabled());
        // Paste from Clipboard follows what the clipboard holds.
        auto* image = new QMimeData;
        image->setImageData(QImage(2, 2, QImage::Format_RGB32));
        QGuiApplication::clipboard()->setMimeData(image);
        QVERIFY(!entry(MenuArray::Edit, EditPasteClipboard)->isEnabled());
        setClipboard({}, "<opml/>");
        QVERIFY(entry(MenuArray::Edit, EditPasteClipboard)->isEnabled());
    }

    // The save prompt first; the result is an unsaved tree without a file, as New makes.
    void importOutline_newUnsavedTree_warningsInOneBox() {
        start(kOutlineTree);
        prompter().answerName("NEW");
        QVERIFY(m_f->click(MenuArray::Edit, EditAdd));
        const QString doc = m_f->path("garden notes.md");
        putFile(doc, kReadme);
        prompter().answer(PromptAnswer::Cancel);
        QTest::keyClick(&w(), Qt::Key_I, Qt::ControlModifier);
        QCOMPARE(prompter().last().said(),
                 QString("QuillMar Request|Save %1 first ?").arg(w().CurFile()));
        prompter().answer(PromptAnswer::No);
        prompter().answerOpen(doc);
        prompter().answer(PromptAnswer::Ok);
        QTest::keyClick(&w(), Qt::Key_I, Qt::ControlModifier);
        const Prompt open = shown(-2);
        QCOMPARE(open.title, QString("Import Outline"));
        QCOMPARE(open.folder, m_f->dir.path());
        QVERIFY(open.filters.startsWith("Outlines (*.opml *.md *.markdown *.txt);;OPML"));
        const Prompt told = prompter().last();
        QCOMPARE(told.said(), "QuillMar|" + doc +
                                  "\r\nwas imported as a new tree\r\n"
                                  "with 2 warnings; Show Details lists them.");
        QCOMPARE(told.icon, PromptIcon::Information);
        QCOMPARE(told.details,
                 QString("line 3, column 1: skipped 1 paragraph or other block of text that "
                         "names no item; the first starts here\n"
                         "line 6, column 1: name \"Tomatoes and peppers in the sun\" cut to "
                         "20 characters: \"Tomatoes and peppers\""));
        QCOMPARE(dumpOf(w().nodes()), QString("Garden Notes\n  Beds\n    Tomatoes and peppers\n"
                                              "    Herbs\n      Basil\n      Thyme\n  Tools\n"
                                              "    Spade\n"));
        QCOMPARE(w().windowTitle(), QString("QuillMar  [...]"));
        QVERIFY(w().CurFile().isEmpty());
        QCOMPARE(cellTexts(w(), 0), QStringList({"+ Beds", "+ Tools"}));
        QCOMPARE(w().browser().CurCel(), 0);
        // Unsaved, so closing asks; every command that needs items is on.
        QVERIFY(!w().DataSaved());
        for (auto [array, index] : {std::pair(MenuArray::File, int(FileSave)),
                                    {MenuArray::Edit, EditDelete},
                                    {MenuArray::Go, GoFind}})
            QVERIFY(entry(array, index)->isEnabled());
        QVERIFY(!entry(MenuArray::Edit, EditUndo)->isEnabled());
        // Its first save asks for a file, named after nothing of the document.
        const QString saved = m_f->path("garden.qmd");
        prompter().answerSave(saved);
        QVERIFY(m_f->click(MenuArray::File, FileSave));
        QCOMPARE(dumpOf(loadDataFile(saved.toStdString()).table), dumpOf(w().nodes()));
    }

    // A document that cannot be read leaves the tree as it was.
    void importOutline_refused_treeStays() {
        start(kOutlineTree);
        const NodeSlots before = w().nodes().records();
        const QString doc = m_f->path("broken.opml");
        putFile(doc, "<opml version=\"2.0\"><body>\n<outline text=\"A\">\n</body></opml>");
        prompter().answerOpen(doc);
        prompter().answer(PromptAnswer::Ok);
        QVERIFY(m_f->click(MenuArray::File, FileImportOutline));
        QCOMPARE(prompter().last().said(),
                 "QuillMar Alert|" + doc +
                     "\r\ncan't be imported: line 3, column 7: Opening and ending tag mismatch..");
        prompter().answerOpen(m_f->path("missing.md"));
        prompter().answer(PromptAnswer::Ok);
        QVERIFY(m_f->click(MenuArray::File, FileImportOutline));
        QVERIFY(prompter().last().text.contains("\r\ncan't be read: "));
        QVERIFY(w().nodes().records() == before);
        QCOMPARE(w().windowTitle(), "QuillMar  [" + m_f->path("tree.qmd") + "]");
        QVERIFY(w().DataSaved());
    }

    // The item the user is at, in the format of the file type chosen.
    void exportOutline_itemTheUserIsAt_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::addColumn<int>("format");
        // clang-format off
        QTest::newRow("OPML, its ending added")              << "OPML (*.opml)"        << "veg"      << "veg.opml" << int(OutlineFormat::Opml);
        QTest::newRow("Markdown, whatever the ending typed") << "Markdown (*.md)"      << "veg.list" << "veg.list" << int(OutlineFormat::Markdown);
        QTest::newRow("text outline")                        << "Text Outline (*.txt)" << "veg.txt"  << "veg.txt"  << int(OutlineFormat::TextFile);
        // clang-format on
    }
    void exportOutline_itemTheUserIsAt() {
        QFETCH(QString, filter);
        QFETCH(QString, typed);
        QFETCH(int, format);
        start(kOutlineTree);
        QVERIFY(clickEntry(w(), 0, "VEG"));
        prompter().answerSave(m_f->path(typed), filter);
        QTest::keyClick(&w(), Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
        const Prompt dialog = prompter().last();
        QCOMPARE(dialog.said(), QString("Export Outline|VEG.opml"));
        QCOMPARE(dialog.filters, QString("OPML (*.opml);;Markdown (*.md);;Text Outline (*.txt)"));
        QCOMPARE(dialog.details, QString("OPML (*.opml)"));
        QFETCH(QString, written);
        const QByteArray bytes = m_f->readFile(m_f->path(written));
        QCOMPARE(bytes, QByteArray::fromStdString(
                            exportOutline(w().nodes(), 5, OutlineFormat(format)).text));
        QCOMPARE(w().status().statusText(), "Exported VEG to " + m_f->path(written));
        QVERIFY(w().DataSaved());
    }

    // Nothing selected: the cell's item. Never over the open data file or a folder; an
    // existing file only when the user says so; a name the format cannot hold refuses the whole
    // export.
    void exportOutline_cellsItem_refusals() {
        start(kOutlineTree);
        QVERIFY(openEntry(w(), 0, "FRUIT"));
        w().browser().list(5)->clearSelection();
        w().browser().focusCell(5);
        const QString out = m_f->path("out.md");
        putFile(out, "older");
        // Exports to `file`, the prompts after the save dialog answered with `answers`.
        const auto exportTo = [&](const QString& file, QList<PromptAnswer> answers,
                                  const QString& filter = {}) {
            prompter().answerSave(file, filter);
            for (PromptAnswer a : answers)
                prompter().answer(a);
            QVERIFY(m_f->click(MenuArray::File, FileExportOutline));
        };
        exportTo(m_f->path("tree.qmd"), {PromptAnswer::Ok}, "Markdown (*.md)");
        QCOMPARE(prompter().last().said(),
                 "QuillMar Alert|" + m_f->path("tree.qmd") +
                     "\r\nis the open data file; export the outline to another file.");
        QVERIFY(QDir(m_f->dir.path()).mkdir("sub.md"));
        exportTo(m_f->path("sub.md"), {PromptAnswer::Ok});
        QCOMPARE(prompter().last().said(),
                 "QuillMar Alert|" + m_f->path("sub.md") + "\r\ncan't be written: it is a folder.");
        exportTo(out, {PromptAnswer::Cancel});
        QCOMPARE(shown(-2).said(),
                 QString("Export Outline|FRUIT.md")); // the last type chosen
        QCOMPARE(prompter().last().said(), QString("QuillMar Warning|Overwrite existing file ?"));
        QCOMPARE(m_f->readFile(out), QByteArray("older"));
        w().nodes()[4].Name = makeName("KI\nWI");
        exportTo(out, {PromptAnswer::Ok, PromptAnswer::Ok});
        QCOMPARE(prompter().last().text,
                 QString("TOP/FRUIT/KI\\x0AWI\r\ncan't be exported as Markdown: its name holds a "
                         "line break."));
        QCOMPARE(m_f->readFile(out), QByteArray("older"));
        w().nodes()[4].Name = makeName("KIWI");
        exportTo(out, {PromptAnswer::Ok});
        QCOMPARE(m_f->readFile(out), QByteArray("- FRUIT\n  - APPLE\n  - KIWI\n"));
    }

    // Text from elsewhere pasted as children of the current cell's item, Paste's name
    // clashes asked, the whole paste one step of undo.
    void pasteFromClipboard_children_clashAsked_oneUndo() {
        start(kOutlineTree);
        QVERIFY(openEntry(w(), 0, "FRUIT"));
        setClipboard("Shopping list:\n\n- KIWI\n- Pear\n  - *Conference*\n- Plum\n");
        prompter().answer(PromptAnswer::Ok);
        prompter().answerName("GOLD KIWI");
        prompter().answer(PromptAnswer::Ok);
        QTest::keyClick(w().browser().list(5), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(shown(0).said(),
                 QString("QuillMar Alert|Can't paste item here:\r\nIt has the same name!\r\n\r\n"
                         "Change name for top-item ?"));
        QCOMPARE(shown(1).name.prompt, QString("Name for FRUIT Cell:"));
        QCOMPARE(prompter().last().said(),
                 QString("QuillMar|The outline on the clipboard was pasted\r\n"
                         "with 1 warning; Show Details lists them."));
        QCOMPARE(childNames(w().nodes(), 2),
                 QStringList({"APPLE", "KIWI", "GOLD KIWI", "Pear", "Plum"}));
        QCOMPARE(cellTexts(w(), 5), QStringList({"+ Pear", "APPLE", "GOLD KIWI", "KIWI", "Plum"}));
        QCOMPARE(w().browser().CurCel(), 5);
        QVERIFY(!w().DataSaved());
        QVERIFY(m_f->click(MenuArray::Edit, EditUndo));
        QCOMPARE(dumpOf(w().nodes()), QString::fromLatin1(kOutlineTree));
        QCOMPARE(cellTexts(w(), 5), QStringList({"APPLE", "KIWI"}));
        // Cancel at the clash pastes nothing.
        setClipboard("APPLE\n");
        prompter().answer(PromptAnswer::Cancel);
        QVERIFY(m_f->click(MenuArray::Edit, EditPasteClipboard));
        QCOMPARE(dumpOf(w().nodes()), QString::fromLatin1(kOutlineTree));
    }

    // A subtree copied in one window pastes into another as it was, from its OPML.
    void pasteFromClipboard_secondWindowTakesTheCopy() {
        start(kOutlineTree);
        QVERIFY(clickEntry(w(), 0, "VEG"));
        w().nodes()[7].Name = makeName("GREEN\tTAB");
        QVERIFY(m_f->click(MenuArray::Edit, EditCopy));
        ProgramFixture other;
        other.writeIni("[AutoSave]\nValue=-1\n");
        MainWindow& second = other.start({writeTreeFile(other.dir, "b.qmd", "B\n  X\n")});
        QVERIFY(other.click(MenuArray::Edit, EditPasteClipboard));
        QCOMPARE(dumpOf(second.nodes()),
                 QString("B\n  X\n  VEG\n    BEAN\n      GREEN\tTAB\n    LEEK\n"));
        QCOMPARE(other.prompter.prompts.size(), 0);
        QM_VERIFY_TREE(second.nodes());
        // What cannot be read is said, and nothing changes.
        setClipboard("TOP\n   ODD\n");
        other.prompter.answer(PromptAnswer::Ok);
        QVERIFY(other.click(MenuArray::Edit, EditPasteClipboard));
        QCOMPARE(other.prompter.last().said(),
                 QString("QuillMar Alert|The clipboard holds no outline QuillMar can read:\r\n"
                         "line 2: odd indentation."));
        QCOMPARE(second.nodes().itemCount(), 5);
    }

    void randomEdits_matchModel() {
        start("TOP\n  A\n    B\n  C\n");
        // Keep the tree a few hundred items big: shrink more often once it grows.
        std::discrete_distribution<int> grow{10, 2, 3, 2, 2, 4, 3}, shrink{2, 2, 8, 4, 2, 1, 2};

        Item root{"TOP", {{"A", {{"B", {}}}}, {"C", {}}}};
        Item undone = root; // the model as it was before the edit Undo would take back
        int undoAction = 0, step = 0;
        std::vector<Item> buffer;               // empty, or the copied subtree
        CellList* cell = w().browser().list(5); // every command works in cell 5
        const auto record = [&](int action) {   // before the model changes
            undone = root;
            undoAction = action;
        };
        for (; step < 2000; ++step) {
            std::vector<Path> all;
            collect(root, all);
            const Path any = all[roll(all.size())];
            Path below = all.size() > 1 ? all[1 + roll(all.size() - 1)] : Path();
            Cmd op = kOps[(all.size() > 300 ? shrink : grow)(m_rng)];
            if (below.empty() && op != EditPaste && op != EditUndo)
                op = EditAdd;
            // Small subtrees only, so repeated pastes cannot blow the tree up.
            while ((op == EditCut || op == EditCopy) && count(at(root, below)) > 40)
                below.push_back(0);
            // Add, Paste and Undo work in `any`; the others on `below`, selected among its
            // siblings.
            const bool inside = op == EditAdd || op == EditPaste || op == EditUndo;
            w().browser().Cell_Clear(5);
            w().browser().Cell_Show(
                5, slotAt(w().nodes(), inside ? any : Path(below.begin(), below.end() - 1)));
            w().browser().focusCell(5);
            if (!inside)
                cell->selectRow(cell->entries()->rowOfSlot(slotAt(w().nodes(), below)));
            if (op == EditAdd || op == EditRename || op == EditPaste) {
                std::string name = buffer.empty() ? std::string() : buffer[0].name;
                if (op != EditPaste) {
                    const std::string typed =
                        roll(10) == 0 ? (op == EditAdd ? "   " : "") : someName();
                    prompter().answerName(QString::fromStdString(typed));
                    name = trimmedName(makeName(typed));
                } else if (!name.empty() && any.size() + 1 + height(buffer[0]) > 30) {
                    name.clear(); // refused with an alert
                    prompter().answer(PromptAnswer::Ok);
                }
                // A clash under `any` asks for another name, or is cancelled.
                const auto clash = [&](const Item& k) { return k.name == name; };
                if (op != EditRename && std::ranges::any_of(at(root, any).kids, clash)) {
                    name = roll(2) == 0 ? "U" + std::to_string(step) : std::string();
                    prompter().answer(name.empty() ? PromptAnswer::Cancel : PromptAnswer::Ok);
                    if (!name.empty())
                        prompter().answerName(QString::fromStdString(name));
                }
                if (!name.empty())
                    record(op == EditRename ? 0 : op);
                if (!name.empty() && op == EditRename)
                    at(root, below).name = name;
                else if (!name.empty()) // later pastes take the new name too
                    at(root, any).kids.push_back(
                        op == EditAdd ? Item{name, {}} : (buffer[0].name = name, buffer[0]));
            } else if (op == EditDelete || op == EditCut || op == EditCopy) {
                const bool confirm = op != EditDelete || roll(6) != 0;
                if (op == EditDelete)
                    prompter().answer(confirm ? PromptAnswer::Ok : PromptAnswer::Cancel);
                if (op != EditDelete)
                    buffer = {at(root, below)};
                if (confirm)
                    record(op == EditCopy ? 0 : op);
                auto& siblings = at(root, below, 1).kids;
                if (confirm && op != EditCopy)
                    siblings.erase(siblings.begin() + std::ptrdiff_t(below.back()));
            } else {
                if (undoAction)
                    root = undone;
                record(0);
            }

            w().menu().dispatch(MenuArray::Edit,
                                op); // the model was updated above; now the real edit
            QM_VERIFY_TREE(w().nodes());
            QCOMPARE(dumpOf(w().nodes()), QString::fromStdString(list(root)));
            QVERIFY2(prompter().allAnswered(), qPrintable(QString::number(step)));
            QCOMPARE(int(edit().UndoAction()), undoAction);
            QCOMPARE(edit().BufCount(), buffer.empty() ? 0 : count(buffer[0]));
            QCOMPARE(w().nodes().itemCount(), count(root) - 1);
            prompter().prompts.clear();
        }
    }
};

QTEST_MAIN(TestEditCommands)
#include "test_edit_commands.moc"
