// Import Outline, Export Outline and Paste from Clipboard, driven through the real window's
// menu entries and keys with scripted answers; files are checked on disk.

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QTest>

#include "edit/edit_commands.h"
#include "store/data_file.h"
#include "support/program_fixture.h"
#include "support/tree_checker.h"
#include "window/names.h"

using namespace qm;
using namespace qm::test;

namespace {

// Line k is slot k: FRUIT 2, APPLE 3, KIWI 4, VEG 5, BEAN 6, GREEN 7, LEEK 8.
const char* const kTree = "TOP\n  FRUIT\n    APPLE\n    KIWI\n  VEG\n    BEAN\n      GREEN\n"
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

} // namespace

class TestOutlineCommands : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramFixture> m_f;

    MainWindow& w() { return m_f->w(); }
    ScriptedPrompter& prompter() { return m_f->prompter; }
    QAction* entry(MenuArray array, int index) { return w().menu().entry(array, index); }

    void start(const QStringList& args = {}) {
        m_f->start(args);
        w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w()));
    }
    void startTree() { start({writeTreeFile(m_f->dir, "tree.qmd", kTree)}); }

private slots:
    void init() {
        m_f = std::make_unique<ProgramFixture>();
        m_f->writeIni("[AutoSave]\nValue=-1\n");
    }
    void cleanup() {
        QCOMPARE(prompter().unexpected, 0);
        QVERIFY(prompter().allAnswered());
        QM_VERIFY_TREE(w().nodes());
        m_f.reset();
    }

    // Import Outline is always on; Export Outline with a tree; Paste from Clipboard with a
    // tree and text on the clipboard.
    void entries_onWhenTheyCanRun() {
        setClipboard("A\n");
        start();
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
        startTree();
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
        const Prompt open = prompter().prompts.value(prompter().prompts.size() - 2);
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
        startTree();
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
        QTest::newRow("OPML, its ending added") << "OPML (*.opml)"
                                                << "veg"
                                                << "veg.opml" << int(OutlineFormat::Opml);
        QTest::newRow("Markdown, whatever the ending typed")
            << "Markdown (*.md)"
            << "veg.list"
            << "veg.list" << int(OutlineFormat::Markdown);
        QTest::newRow("text outline") << "Text Outline (*.txt)"
                                      << "veg.txt"
                                      << "veg.txt" << int(OutlineFormat::TextFile);
    }
    void exportOutline_itemTheUserIsAt() {
        QFETCH(QString, filter);
        QFETCH(QString, typed);
        QFETCH(int, format);
        startTree();
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
        startTree();
        QVERIFY(openEntry(w(), 0, "FRUIT"));
        w().browser().list(5)->clearSelection();
        w().browser().focusCell(5);
        const QString out = m_f->path("out.md");
        putFile(out, "older");
        prompter().answerSave(m_f->path("tree.qmd"), "Markdown (*.md)");
        prompter().answer(PromptAnswer::Ok);
        QVERIFY(m_f->click(MenuArray::File, FileExportOutline));
        QCOMPARE(prompter().last().said(),
                 "QuillMar Alert|" + m_f->path("tree.qmd") +
                     "\r\nis the open data file; export the outline to another file.");
        QVERIFY(QDir(m_f->dir.path()).mkdir("sub.md"));
        prompter().answerSave(m_f->path("sub.md"));
        prompter().answer(PromptAnswer::Ok);
        QVERIFY(m_f->click(MenuArray::File, FileExportOutline));
        QCOMPARE(prompter().last().said(),
                 "QuillMar Alert|" + m_f->path("sub.md") + "\r\ncan't be written: it is a folder.");
        prompter().answerSave(out);
        prompter().answer(PromptAnswer::Cancel);
        QVERIFY(m_f->click(MenuArray::File, FileExportOutline));
        QCOMPARE(prompter().prompts.value(prompter().prompts.size() - 2).said(),
                 QString("Export Outline|FRUIT.md")); // the last type chosen
        QCOMPARE(prompter().last().said(), QString("QuillMar Warning|Overwrite existing file ?"));
        QCOMPARE(m_f->readFile(out), QByteArray("older"));
        w().nodes()[4].Name = makeName("KI\nWI");
        prompter().answerSave(out);
        prompter().answer(PromptAnswer::Ok);
        prompter().answer(PromptAnswer::Ok);
        QVERIFY(m_f->click(MenuArray::File, FileExportOutline));
        QCOMPARE(prompter().last().text,
                 QString("TOP/FRUIT/KI\\x0AWI\r\ncan't be exported as Markdown: its name holds a "
                         "line break."));
        QCOMPARE(m_f->readFile(out), QByteArray("older"));
        w().nodes()[4].Name = makeName("KIWI");
        prompter().answerSave(out);
        prompter().answer(PromptAnswer::Ok);
        QVERIFY(m_f->click(MenuArray::File, FileExportOutline));
        QCOMPARE(m_f->readFile(out), QByteArray("- FRUIT\n  - APPLE\n  - KIWI\n"));
    }

    // Text from elsewhere pasted as children of the current cell's item, Paste's name
    // clashes asked, the whole paste one step of undo.
    void pasteFromClipboard_children_clashAsked_oneUndo() {
        startTree();
        QVERIFY(openEntry(w(), 0, "FRUIT"));
        setClipboard("Shopping list:\n\n- KIWI\n- Pear\n  - *Conference*\n- Plum\n");
        prompter().answer(PromptAnswer::Ok);
        prompter().answerName("GOLD KIWI");
        prompter().answer(PromptAnswer::Ok);
        QTest::keyClick(w().browser().list(5), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(prompter().prompts.value(0).said(),
                 QString("QuillMar Alert|Can't paste item here:\r\nIt has the same name!\r\n\r\n"
                         "Change name for top-item ?"));
        QCOMPARE(prompter().prompts.value(1).name.prompt, QString("Name for FRUIT Cell:"));
        QCOMPARE(prompter().last().said(),
                 QString("QuillMar|The outline on the clipboard was pasted\r\n"
                         "with 1 warning; Show Details lists them."));
        QCOMPARE(childNames(w().nodes(), 2),
                 QStringList({"APPLE", "KIWI", "GOLD KIWI", "Pear", "Plum"}));
        QCOMPARE(cellTexts(w(), 5), QStringList({"+ Pear", "APPLE", "GOLD KIWI", "KIWI", "Plum"}));
        QCOMPARE(w().browser().CurCel(), 5);
        QVERIFY(!w().DataSaved());
        QVERIFY(m_f->click(MenuArray::Edit, EditUndo));
        QCOMPARE(dumpOf(w().nodes()), QString::fromLatin1(kTree));
        QCOMPARE(cellTexts(w(), 5), QStringList({"APPLE", "KIWI"}));
        // Cancel at the clash pastes nothing.
        setClipboard("APPLE\n");
        prompter().answer(PromptAnswer::Cancel);
        QVERIFY(m_f->click(MenuArray::Edit, EditPasteClipboard));
        QCOMPARE(dumpOf(w().nodes()), QString::fromLatin1(kTree));
    }

    // A subtree copied in one window pastes into another as it was, from its OPML.
    void pasteFromClipboard_secondWindowTakesTheCopy() {
        startTree();
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
};

QTEST_MAIN(TestOutlineCommands)
#include "test_outline_commands.moc"
