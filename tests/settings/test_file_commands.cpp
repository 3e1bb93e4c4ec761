// The File menu's commands, the save prompt, backups, recent files and auto-save, driven
// through the real window; files are checked on disk byte for byte.

#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <QTimer>

#include "edit/edit_commands.h"
#include "settings/file_commands.h"
#include "support/program_fixture.h"
#include "window/file_names.h"
#include "window/names.h"

using namespace qm;
using namespace qm::test;

namespace {

const char* kTree = "TOP\n  A\n    A1\n  B\n";

// Marks the tree changed as an editing command would.
void change(MainWindow& w, const char* name = "CHANGED") {
    w.nodes()[1].Name = makeName(name);
    w.DataChanged(1);
}

// Changes or ticks, each followed by the event loop's turn, which runs a save that fell due.
void changed(MainWindow& w, AutoSave& as, int times) {
    for (int i = 0; i < times; ++i) {
        change(w);
        as.retryPending();
    }
}
void ticked(AutoSave& as, int times) {
    for (int i = 0; i < times; ++i) {
        as.TimAs_Timer();
        as.retryPending();
    }
}

// The recent files' four places.
QStringList recentFiles(const ProgramFixture& f) {
    const auto& r = f.program->settings().RecentFiles;
    return {r[0], r[1], r[2], r[3]};
}

} // namespace

class TestFileCommands : public QObject {
    Q_OBJECT

private slots:
    // New and loads signal before (old tree still there) and after (new one shown) replacing
    // the tree; a refused file replaces nothing; the undo record goes with the old tree.
    void newAndLoads_replaceTheTree_saveAskCancelledKeepsIt() {
        ProgramFixture f;
        const QString a = writeTreeFile(f.dir, "a.qmd", kTree);
        const QString b = writeTreeFile(f.dir, "b.qmd", "BEE\n");
        const QString bad = f.path("bad.qmd");
        putFile(bad, QByteArray(38 * 3, 'x'));
        MainWindow& w = f.start({a});
        QStringList seen;
        connect(&w, &MainWindow::treeAboutToBeReplaced, this, [&] {
            seen << "before " + trimmedNameText(w.nodes()[1].Name) + " " + w.CurFile() + " " +
                        headerText(w, 0);
        });
        connect(&w, &MainWindow::treeReplaced, this,
                [&] { seen << "after " + w.windowTitle() + " " + headerText(w, 0); });
        f.prompter.answerName("NEW");
        QVERIFY(f.click(MenuArray::Edit, EditAdd));
        QVERIFY(w.menu().entry(MenuArray::Edit, EditUndo)->isEnabled());
        f.prompter.answer(PromptAnswer::No); // "Save ... first ?"
        f.prompter.answerOpen(b);
        QVERIFY(f.click(MenuArray::File, FileOpen));
        QVERIFY(!w.menu().entry(MenuArray::Edit, EditUndo)->isEnabled());
        QCOMPARE(f.program->edit().UndoAction(), UndoKind::None);
        f.prompter.answerOpen(bad);
        f.prompter.answer(PromptAnswer::Ok); // refused, with a message of the loader's
        QVERIFY(f.click(MenuArray::File, FileOpen));
        QCOMPARE(w.CurFile(), b); // refused, with a message of the loader's
        f.prompter.answerName("  ");
        QVERIFY(f.click(MenuArray::File, FileNew)); // all spaces: nothing happens
        QCOMPARE(w.windowTitle(), "QuillMar  [" + b + "]");
        f.prompter.answerName("ABCDEFGHIJKLMNOPQRS");
        QVERIFY(f.click(MenuArray::File, FileNew));
        QCOMPARE(f.prompter.last().said(), QString("New QuillMar DataFile|Name for TOP Cell:"));
        QCOMPARE(seen.mid(0, 3),
                 QStringList({"before TOP " + a + " TOP", "after QuillMar  [" + b + "] BEE",
                              "before BEE " + b + " BEE"}));
        QCOMPARE(seen.size(), 4);
        QVERIFY(seen[3].startsWith("after QuillMar  [...] ABCDEFGHIJKLMNO"));
        QCOMPARE(std::string(w.nodes()[1].Name.data(), 20), std::string("ABCDEFGHIJKLMNOPQRS "));
        QCOMPARE(w.browser().CurCel(), 0);
        QCOMPARE(w.status().countText(), QString("Items: 0"));
        // Never saved: Yes, then the Save As dialog is cancelled: nothing is given up.
        change(w, "T2");
        f.prompter.answer(PromptAnswer::Yes);
        f.prompter.answerSave(QString());
        QVERIFY(!f.program->files().Save_Ask());
        const Prompt ask = f.prompter.prompts.value(f.prompter.prompts.size() - 2);
        QCOMPARE(ask.said(), QString("QuillMar Request|Save  first ?"));
        QCOMPARE(ask.icon, PromptIcon::Question);
        QCOMPARE(ask.buttons, PromptButtons::YesNoCancel);
        QCOMPARE(f.prompter.last().said(), QString("Save QuillMar Data|T2.qmd"));
        QVERIFY(!w.DataSaved());
        // The asking command stops too.
        f.prompter.answer(PromptAnswer::Cancel);
        QVERIFY(f.click(MenuArray::File, FileNew));
        QCOMPARE(trimmedNameText(w.nodes()[1].Name), QString("T2"));
        QVERIFY(f.prompter.allAnswered());
    }

    // Over a longer file: Cancel at the overwrite question, a failing write, then success.
    void saveAs_overLongerFile_cancelFailWrite_thenChangedOnDisk() {
        ProgramFixture f;
        const QString big = writeTreeFile(f.dir, "big.qmd", "BIG\n  1\n  2\n  3\n  4\n  5\n");
        const QString small = writeTreeFile(f.dir, "small.qmd", kTree);
        const QByteArray bigBefore = f.readFile(big);
        MainWindow& w = f.start({small});
        change(w);
        f.prompter.answerSave(big);
        f.prompter.answer(PromptAnswer::Cancel);
        QVERIFY(f.click(MenuArray::File, FileSaveAs));
        QCOMPARE(f.prompter.last().said(), QString("QuillMar Warning|Overwrite existing file ?"));
        QCOMPARE(f.prompter.last().icon, PromptIcon::Question);
        QCOMPARE(f.readFile(big), bigBefore);
        // Another program rewrites the open file; then a folder where the new file should go
        // makes the write fail without touching either.
        writeTreeFile(f.dir, "small.qmd", "OTHER\n  X\n");
        const QByteArray otherSmall = f.readFile(small);
        const QString target = f.path("gone/x.qmd");
        QVERIFY(QDir().mkpath(target));
        f.prompter.answerSave(target);
        f.prompter.answer(PromptAnswer::Ok); // "Overwrite existing file ?"
        f.prompter.answer(PromptAnswer::Ok); // the failure alert
        QVERIFY(f.click(MenuArray::File, FileSaveAs));
        QVERIFY(f.prompter.last().text.startsWith(target + "\r\ncould not be saved: "));
        QCOMPARE(f.prompter.last().title, QString("QuillMar Alert"));
        QVERIFY(!w.DataSaved());
        QCOMPARE(w.CurFile(), small);
        QCOMPARE(f.readFile(small), otherSmall);
        // The failure did not take that rewrite as known: Save still asks first.
        f.prompter.answer(PromptAnswer::Cancel);
        QVERIFY(f.click(MenuArray::File, FileSave));
        QCOMPARE(f.prompter.last().text,
                 small +
                     "\r\nwas changed by another program since it was loaded.\r\nOverwrite it ?");
        QCOMPARE(f.readFile(small), otherSmall);
        f.prompter.answerSave(big);
        f.prompter.answer(PromptAnswer::Ok);
        QVERIFY(f.click(MenuArray::File, FileSaveAs));
        QCOMPARE(QFileInfo(big).size(), qint64(38 * 5));
        QCOMPARE(f.readFile(big).left(38).mid(18), QByteArray("QuillMar v2.0 DbFile"));
        QCOMPARE(w.windowTitle(), "QuillMar  [" + big + "]");
        QVERIFY(!w.menu().entry(MenuArray::File, FileSave)->isEnabled());
        QCOMPARE(f.program->settings().RecentFiles[0], big);
        QVERIFY(QFileInfo::exists(f.path("big.qms")));
        // Changed by another program to as many bytes, its time put back: Save asks first;
        // Exit's Cancel still writes the settings.
        change(w, "AGAIN");
        keepingTime(big, [&] { writeTreeFile(f.dir, "big.qmd", "SOMEONE ELSE\n  X\n  Y\n  Z\n"); });
        const QByteArray theirs = f.readFile(big);
        QCOMPARE(theirs.size(), 38 * 5);
        f.prompter.answer(PromptAnswer::Cancel);
        QVERIFY(f.click(MenuArray::File, FileSave));
        QCOMPARE(f.prompter.last().title, QString("QuillMar Warning"));
        QCOMPARE(f.readFile(big), theirs);
        QVERIFY(!w.DataSaved());
        f.prompter.answer(PromptAnswer::Cancel);
        QVERIFY(f.click(MenuArray::File, FileExit));
        QVERIFY(w.isVisible());
        const QByteArray ini = f.readFile(f.iniPath());
        QVERIFY(ini.contains("[Display]"));
        QVERIFY(ini.contains("MainLeft= "));
        QVERIFY(ini.contains("Name1=" + big.toUtf8()));
        f.prompter.answer(PromptAnswer::Ok);
        QVERIFY(f.click(MenuArray::File, FileSave));
        QVERIFY(w.DataSaved());
        QVERIFY(f.readFile(big) != theirs);
    }

    void withDefaultSuffix_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved");
        // clang-format off
        QTest::newRow("none")                   << "/t/househol" << "/t/househol.qmd";
        QTest::newRow("its own kept")           << "/t/notes.tree" << "/t/notes.tree";
        QTest::newRow("capitals")               << "/t/A.QMD" << "/t/A.QMD";
        QTest::newRow("dot only in the folder") << "/t/my.dir/notes" << "/t/my.dir/notes.qmd";
        QTest::newRow("hidden name")            << "/t/.trees" << "/t/.trees.qmd";
        QTest::newRow("the signature's name")   << "/t/QuillMar v2.0 DbFile" << "/t/QuillMar v2.0 DbFile.qmd";
        QTest::newRow("a version number")       << "/t/tree v2.0" << "/t/tree v2.0.qmd";
        QTest::newRow("a dot typed last")       << "/t/tree." << "/t/tree.qmd";
        // clang-format on
    }
    void withDefaultSuffix() {
        QFETCH(QString, typed);
        QTEST(qm::withDefaultSuffix(typed, "qmd"), "saved");
    }

    // Save As proposes the file's own name in its folder; a tree not saved yet is named
    // after its top item, with what no file name can hold replaced.
    void saveAs_proposesTheFilesOwnName_data() {
        QTest::addColumn<QString>("top"); // empty: the tree is opened from a.qmd
        QTest::addColumn<QString>("proposed");
        // clang-format off
        QTest::newRow("an opened file")                << QString() << "a.qmd";
        QTest::newRow("a new tree")                    << "GARDEN"  << "GARDEN.qmd";
        QTest::newRow("a new tree named with a slash") << "IN/OUT"  << "IN_OUT.qmd";
        // clang-format on
    }
    void saveAs_proposesTheFilesOwnName() {
        QFETCH(QString, top);
        ProgramFixture f;
        QVERIFY(QDir(f.dir.path()).mkpath("sub"));
        const QString a = writeTreeFile(f.dir, "sub/a.qmd", kTree);
        f.start({a});
        if (!top.isEmpty()) {
            f.prompter.answerName(top);
            QVERIFY(f.click(MenuArray::File, FileNew));
        }
        f.prompter.answerSave(QString());
        QVERIFY(f.click(MenuArray::File, FileSaveAs));
        QTEST(f.prompter.last().text, "proposed");
        QCOMPARE(f.prompter.last().folder, f.path("sub")); // the file's, or the one used last
    }

    // However a file is opened, its cells come back as they were saved: the current cell
    // current again, each cell of its path highlighting the entry open in the next.
    void open_everyWay_showsTheSavedPath_data() {
        QTest::addColumn<QString>("way");
        QTest::newRow("command line") << "command line";
        QTest::newRow("File, Open") << "open";
        QTest::newRow("recent file") << "recent";
        QTest::newRow("Save As, then opened") << "save as";
    }
    void open_everyWay_showsTheSavedPath() {
        QFETCH(QString, way);
        ProgramFixture f;
        const QString path =
            writeTreeFile(f.dir, "deep.qmd", "DEEP\n  A\n    B\n      C\n        D\n  Z\n");
        const QString other = writeTreeFile(f.dir, "other.qmd", "OTHER\n");
        MainWindow& w = f.start({path});
        for (const char* name : {"A", "B", "C"})
            QVERIFY(openEntry(w, w.browser().CurCel(), name));
        pressKey(w, w.browser().CurCel(), Qt::Key_Escape);
        const QString saved = cellPicture(w);
        QCOMPARE(saved, QString("0+DEEP[A] 1+A[B] 5-A 6*B[C] 10-B 11-C"));
        const QString target = way == "save as" ? f.path("copy.qmd") : path;
        f.prompter.answerSave(target);
        if (target == path)
            f.prompter.answer(PromptAnswer::Ok); // overwrite
        QVERIFY(f.click(MenuArray::File, FileSaveAs));
        f.prompter.answerOpen(other);
        QVERIFY(f.click(MenuArray::File, FileOpen));
        QCOMPARE(cellPicture(w), QString("0*OTHER[]"));
        if (way == "command line") {
            f.start({target});
        } else if (way == "recent") {
            QVERIFY(f.click(MenuArray::FileMRU, 2));
        } else {
            f.prompter.answerOpen(target);
            QVERIFY(f.click(MenuArray::File, FileOpen));
        }
        QCOMPARE(f.w().CurFile(), target);
        QCOMPARE(cellPicture(f.w()), saved);
        QCOMPARE(f.w().browser().CurCel(), 6);
        QVERIFY(f.w().browser().list(6)->hasFocus());
    }

    // Started in another folder with relative names on the command line, in a dialog and in a
    // hand-written recent entry: every file is known by its full path.
    void paths_absoluteEverywhere_dialogsStartInCurrentOrLastFolder() {
        ProgramFixture f;
        QVERIFY(QDir(f.dir.path()).mkpath("one/two"));
        const QString a = writeTreeFile(f.dir, "one/a.qmd", kTree);
        const QString b = writeTreeFile(f.dir, "one/two/b.qmd", "BEE\n");
        f.writeIni("[FileBuf]\nCount=2\nName1=two/b.qmd\nName2=" + a.toUtf8() + "\n");
        struct Cwd {
            QString old = QDir::currentPath();
            ~Cwd() { QDir::setCurrent(old); }
        } cwd;
        QVERIFY(QDir::setCurrent(f.path("one")));
        MainWindow& w = f.start({"a.qmd"});
        QCOMPARE(w.windowTitle(), "QuillMar  [" + a + "]");
        QVERIFY(f.click(MenuArray::FileMRU, 2));
        QCOMPARE(w.CurFile(), b);
        QCOMPARE(recentFiles(f).mid(0, 2), QStringList({b, a}));
        f.prompter.answerOpen("a.qmd");
        QVERIFY(f.click(MenuArray::File, FileOpen));
        QCOMPARE(f.prompter.last().folder, f.path("one/two"));
        QCOMPARE(f.prompter.last().filters, QString("QuillMar Data (*.qmd);;All Files (*)"));
        QCOMPARE(w.CurFile(), a);
        // A new tree has no folder of its own: Save As starts in the last one used.
        f.prompter.answerName("NEW");
        QVERIFY(f.click(MenuArray::File, FileNew));
        f.prompter.answerSave("househol");
        QVERIFY(f.click(MenuArray::File, FileSaveAs));
        QCOMPARE(f.prompter.last().folder, f.path("one"));
        QCOMPARE(f.prompter.last().filters, QString("QuillMar Data (*.qmd);;All Files (*)"));
        QCOMPARE(w.CurFile(), f.path("one/househol.qmd"));
        QVERIFY(QFileInfo::exists(f.path("one/househol.qms")));
        QVERIFY(!QFileInfo::exists(f.path("one/househol")));
        w.close();
        const QByteArray ini = f.readFile(f.iniPath());
        for (const QString& entry :
             {"Name1=" + f.path("one/househol.qmd"), "Name2=" + a, "Name3=" + b})
            QVERIFY2(ini.contains((entry + '\n').toUtf8()), qPrintable(entry));
        QVERIFY(f.prompter.allAnswered());
    }

    void backups_fromSecondSaveOfRunOnly_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("backup");
        QTest::addColumn<bool>("on");
        // clang-format off
        QTest::newRow("with extension") << "tree.qmd" << "tree.qmb" << true;
        QTest::newRow("without a dot") << "notes" << "noteb" << true;
        QTest::newRow("backups off") << "t.qmd" << "t.qmb" << false;
        // clang-format on
    }
    void backups_fromSecondSaveOfRunOnly() {
        QFETCH(QString, name);
        QFETCH(QString, backup);
        QFETCH(bool, on);
        ProgramFixture f;
        if (!on)
            f.writeIni("[AutoSave]\nBackup= 0\n");
        const QString file = writeTreeFile(f.dir, name, kTree);
        MainWindow& w = f.start({file});
        QByteArray previous = f.readFile(file);
        for (const char* label : {"FIRST", "SECOND", "THIRD"}) {
            change(w, label);
            QVERIFY(f.click(MenuArray::File, FileSave));
            const bool made = on && label != std::string_view("FIRST");
            QCOMPARE(QFileInfo::exists(f.path(backup)) ? f.readFile(f.path(backup)) : "none",
                     made ? previous : "none");
            QVERIFY(f.readFile(file) != previous);
            previous = f.readFile(file);
        }
        QCOMPARE(f.program->files().BackupArmed(), on);
    }

    void recentFiles_orderExchangeAndDrop() {
        ProgramFixture f;
        MainWindow& w = f.start();
        QStringList files;
        for (const char* name : {"a.qmd", "b.qmd", "c.qmd", "d.qmd", "e.qmd"})
            files << writeTreeFile(f.dir, name, kTree);
        const auto open = [&](std::initializer_list<int> which) {
            for (int i : which) {
                f.prompter.answerOpen(files[i]);
                QVERIFY(f.click(MenuArray::File, FileOpen));
            }
        };
        open({0, 1, 2, 0}); // C, B, A: A and C change places
        QCOMPARE(f.prompter.prompts[0].title, QString("Open QuillMar Data"));
        QCOMPARE(recentFiles(f), QStringList({files[0], files[1], files[2], ""}));
        open({3, 4});
        // E, D, A, B with four places, C dropped.
        QCOMPARE(recentFiles(f), QStringList({files[4], files[3], files[0], files[1]}));
        QVERIFY(w.menu().fileBar1()->isVisible());
        QCOMPARE(w.menu().entry(MenuArray::FileMRU, 1)->text(), RecentFiles::shortened(files[4]));
        // Choosing D when its file is gone: removed, the count kept, place 4 hidden.
        QFile::remove(files[3]);
        f.prompter.answer(PromptAnswer::Ok);
        QVERIFY(f.click(MenuArray::FileMRU, 2));
        QCOMPARE(f.prompter.last().text, files[3] + "\r\nDoesn't exist any more!");
        QCOMPARE(recentFiles(f), QStringList({files[4], files[0], files[1], ""}));
        QCOMPARE(f.program->settings().RecentCount, 4);
        QVERIFY(!w.menu().entry(MenuArray::FileMRU, 4)->isVisible());
        // Choosing an entry opens it and exchanges it with the first place.
        QVERIFY(f.click(MenuArray::FileMRU, 3));
        QCOMPARE(w.CurFile(), files[1]);
        QCOMPARE(recentFiles(f), QStringList({files[1], files[0], files[4], ""}));
        // Written at exit with the empty place.
        w.close();
        QVERIFY(f.readFile(f.iniPath()).contains("Name4=\n"));
    }

    // A path no file can have (a NUL inside) is dropped when the menu is built, with a word;
    // an entry naming a folder or a pipe says it is no data file, and is taken off.
    void recentFiles_nulDropped_noDataFileSaysSo() {
        ProgramFixture f;
        const QString folder = f.path("folder.qmd"), fifo = f.path("pipe.qmd");
        QVERIFY(makeOddFile("folder", folder));
        QVERIFY(makeOddFile("fifo", fifo));
        f.writeIni("[FileBuf]\nCount= 4\nMax= 4\nName1=" + folder.toUtf8() + "\nName2=/x/A" +
                   QByteArray(1, '\0') + "B.qmd\nName3=" + fifo.toUtf8() + "\n");
        f.prompter.answer(PromptAnswer::Ok);
        MainWindow& w = f.start();
        QCOMPARE(f.prompter.last().text, "/x/A\\x00B.qmd\r\ncan't be a file's name: it holds a NUL "
                                         "character. It was taken off the recent files.");
        QCOMPARE(recentFiles(f), QStringList({folder, fifo, "", ""}));
        QCOMPARE(w.menu().entry(MenuArray::FileMRU, 2)->text(), RecentFiles::shortened(fifo));
        for (const auto& [path, kind] : {std::pair{folder, "a folder"}, {fifo, "a pipe (FIFO)"}}) {
            f.prompter.answer(PromptAnswer::Ok);
            QVERIFY(f.click(MenuArray::FileMRU, 1));
            QCOMPARE(f.prompter.last().text, path + "\r\nis not a data file: it is " + kind + ".");
        }
        QCOMPARE(recentFiles(f), QStringList({"", "", "", ""}));
        QVERIFY(w.CurFile().isEmpty());
    }

    // Names differing only in case are two files here.
    void recentFiles_exactMatchAndCaptions() {
        ProgramFixture f;
        f.writeIni("[FileBuf]\nCount= 2\nMax= 4\nName1=/x/B.qmd\nName2=/TREES/A&B.QMD\n");
        MainWindow& w = f.start();
        QCOMPARE(w.menu().entry(MenuArray::FileMRU, 2)->text(), QString("/TREES/A&&B.QMD"));
        RecentFiles& recent = f.program->files().recent();
        recent.MRU_Add("/trees/a&b.qmd");
        recent.MRU_Add("/TREES/A&B.QMD");
        QCOMPARE(recentFiles(f), QStringList({"/TREES/A&B.QMD", "/x/B.qmd", "/trees/a&b.qmd", ""}));
        const QString fits = "abcdefghijklmnopqrstuvwxyz0123456"; // 34 characters
        QCOMPARE(RecentFiles::shortened(fits) + '|' + RecentFiles::shortened(fits + "78"),
                 fits + "|abcdefghijklmno ... uvwxyz012345678");
    }

    // Minutes mode ticks every 15 s and adds to the changes; the file was written if the
    // counter ended below what was added.
    void autoSave_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("changes");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("counter");
        QTest::addColumn<bool>("saved");
        QTest::newRow("2 minutes: 16th tick not yet") << 0 << 2 << 3 << 16 << 19 << false;
        QTest::newRow("2 minutes: 17th tick saves") << 0 << 2 << 3 << 17 << 0 << true;
        QTest::newRow("2 minutes: counting goes on") << 0 << 2 << 3 << 27 << 10 << true;
        QTest::newRow("2 minutes: saved again, changed or not") << 0 << 2 << 3 << 37 << 0 << true;
        QTest::newRow("10 changes: the 10th saves") << 1 << 4 << 10 << 0 << 0 << true;
        QTest::newRow("3 changes, five made: third saves") << 1 << 1 << 5 << 0 << 2 << false;
        QTest::newRow("9 of 10 changes: not yet") << 1 << 4 << 9 << 0 << 9 << false;
        QTest::newRow("off: never") << -1 << 0 << 30 << 0 << 30 << false;
    }
    void autoSave() {
        QFETCH(int, mode);
        QFETCH(int, position);
        QFETCH(int, changes);
        QFETCH(int, ticks);
        QFETCH(int, counter);
        ProgramFixture f;
        const QByteArray at = QByteArray::number(position);
        f.writeIni("[AutoSave]\nValue=" + QByteArray::number(mode) + "\nMinutes= " + at +
                   "\nChanges= " + at + "\nBackup= 0\n");
        const QString file = writeTreeFile(f.dir, "t.qmd", kTree);
        const QByteArray before = f.readFile(file);
        MainWindow& w = f.start({file});
        QCOMPARE(w.TimAs().isActive(), mode == 0);
        QCOMPARE(w.TimAs().interval(), 15000);
        AutoSave& as = f.program->files().autoSave();
        changed(w, as, changes);
        ticked(as, ticks);
        QCOMPARE(w.AsCounter(), counter);
        QTEST(w.DataSaved(), "saved");
        QCOMPARE(f.readFile(file) != before, counter < changes + ticks);
        QVERIFY(!as.pending());
    }

    // A save due inside a command or while a dialog is open waits for its end. Auto-save asks
    // nothing: a file changed elsewhere waits for Save, a new tree for Save As, saying why.
    void autoSave_waitsForCommandOrDialog_asksNothing() {
        ProgramFixture f;
        f.writeIni("[AutoSave]\nValue=0\nMinutes=0\nChanges=0\nBackup=0\n"); // 8 ticks
        const QString file = writeTreeFile(f.dir, "t.qmd", kTree);
        MainWindow& w = f.start({file});
        AutoSave& as = f.program->files().autoSave();
        // One tick before the save falls due; then the last tick, held off.
        const auto toLastTick = [&](const char* name) {
            change(w, name); // changes count as ticks
            for (int i = 0; i < 6; ++i)
                as.TimAs_Timer();
            QVERIFY(!as.pending());
        };
        const auto lastTickHeld = [&](const QByteArray& before) {
            ticked(as, 1);
            QVERIFY(as.pending());
            QCOMPARE(f.readFile(file), before);
        };
        toLastTick("T1");
        QByteArray before = f.readFile(file);
        {
            MainWindow::BusyScope command(w);
            lastTickHeld(before);
            QVERIFY(as.retryTimer().isActive());
        }
        as.retryPending();
        QVERIFY(!as.pending());
        QVERIFY(!as.retryTimer().isActive());
        QVERIFY(w.DataSaved());
        QVERIFY(f.readFile(file) != before);
        toLastTick("T2");
        before = f.readFile(file);
        QDialog dialog(&w);
        dialog.setModal(true);
        dialog.show();
        lastTickHeld(before);
        dialog.close();
        as.retryPending();
        QVERIFY(f.readFile(file) != before);
        // Every second change: the second is made by Add, inside the command.
        f.program->settings().AsMode = 1;
        as.applyMode();
        changed(w, as, 1);
        before = f.readFile(file);
        f.prompter.answerName("NEWEST");
        QVERIFY(f.click(MenuArray::Edit, EditAdd));
        QVERIFY(as.pending());
        QCOMPARE(f.readFile(file), before);
        as.retryPending();
        QVERIFY(w.DataSaved());
        QVERIFY(f.readFile(file).contains("NEWEST"));

        writeTreeFile(f.dir, "t.qmd", "THEIRS\n");
        const QByteArray theirs = f.readFile(file);
        changed(w, as, 2);
        QCOMPARE(w.status().statusText(),
                 QString("Not saved automatically: the file was changed by another program "
                         "(Save asks)"));
        QCOMPARE(f.readFile(file), theirs);
        QVERIFY(!w.DataSaved());
        f.prompter.answer(PromptAnswer::No); // "Save  first ?"
        f.prompter.answerName("TOP");
        QVERIFY(f.click(MenuArray::File, FileNew));
        changed(w, as, 2);
        QCOMPARE(w.status().statusText(),
                 QString("Not saved yet: give the tree a file with Save As"));
        QVERIFY(!w.DataSaved());
        QCOMPARE(f.prompter.prompts.size(), 3); // the names for Add and New, and Save first
    }
};

QTEST_MAIN(TestFileCommands)
#include "test_file_commands.moc"
