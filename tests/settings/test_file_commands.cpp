// The File menu's commands, the save prompt, backups, recent files and auto-save, driven
// through the real window; files are checked on disk byte for byte. Noticing another
// program's change to a data file: by the file's identity, and by its bytes where the
// identity cannot tell. The recovery journal: what a crash leaves is offered when its tree
// is opened again, clean endings remove it, and a process killed at random moments never
// loses a change that is a second old.

#include <QCheckBox>
#include <QClipboard>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <random>

#include "edit/edit_commands.h"
#include "settings/disk_state.h"
#include "settings/file_commands.h"
#include "settings/options_dialog.h"
#include "store/content_hash.h"
#include "store/data_file.h"
#include "support/modal_driver.h"
#include "support/program_fixture.h"
#include "support/tree_checker.h"
#include "window/file_names.h"
#include "window/names.h"

using namespace qm;
using namespace qm::test;

namespace {

const char* kTree = "TOP\n  A\n    A1\n  B\n";
constexpr qint64 kSecond = 1000000000;
constexpr qint64 kMs = 1000000;
constexpr std::int64_t kT0 = 1'718'000'000'000;
const QString kCrLf = QStringLiteral("\r\n");

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

QString when(std::int64_t ms) {
    return QDateTime::fromMSecsSinceEpoch(ms).toString("yyyy-MM-dd hh:mm:ss");
}

// A program on the tree file, with the clock in the test's hand.
struct Session : ProgramFixture {
    const QString file = writeTreeFile(dir, "tree.qmd", kTree);
    const QString journal = file + ".qmr";
    std::int64_t clock = kT0;
    MainWindow& start(const QStringList& args = {}) {
        MainWindow& w = ProgramFixture::start(args);
        program->files().recovery().setClock([this] { return clock; });
        return w;
    }
    // Adds an item below the node of the current cell.
    void add(const QString& name) {
        prompter.answerName(name);
        QVERIFY(click(MenuArray::Edit, EditAdd));
    }
    void tick(std::int64_t ms = 250) {
        clock += ms;
        program->files().recovery().tick();
    }
    // The program ends without its clean exit, as a crash would end it.
    void crash() { program.reset(); }
    // Opens the file, adds `names` below its top item with a tick of `ms` after each, crashes.
    void crashAfterAdding(const QStringList& names, std::int64_t ms) {
        start({file}).browser().focusCell(0);
        for (const QString& name : names) {
            add(name);
            tick(ms);
        }
        crash();
    }
    // Opens the file with File > Open; the recovery question is answered with `choice`.
    void openAnswering(int choice) {
        prompter.answerOpen(file);
        prompter.answerChoice(choice);
        QVERIFY(click(MenuArray::File, FileOpen));
    }
};

} // namespace

class TestFileCommands : public QObject {
    Q_OBJECT

    // Five records' worth of bytes, for the tests that notice another program's change.
    QTemporaryDir m_dir;
    const QString m_path = m_dir.filePath(QStringLiteral("t.qmd"));

private slots:
    void init() { putFile(m_path, QByteArray(38 * 5, 'a')); }

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

    void identityMayMissChange_data() {
        QTest::addColumn<qint64>("changed");
        QTest::addColumn<qint64>("now");
        QTest::addColumn<bool>("remote");
        QTest::addColumn<bool>("mayMiss");
        const qint64 t = 1000 * kSecond + 123 * kMs;
        // clang-format off
        QTest::newRow("the same tick")         << t            << t                   << false << true;
        QTest::newRow("a tick later")          << t            << t + 4 * kMs         << false << true;
        QTest::newRow("clearly later")         << t            << t + 50 * kMs        << false << false;
        QTest::newRow("seconds only, 1 s on")  << 1000 * kSecond << 1001 * kSecond    << false << true;
        QTest::newRow("seconds only, 3 s on")  << 1000 * kSecond << 1003 * kSecond    << false << false;
        QTest::newRow("another machine's clock") << t          << t + 3600 * kSecond  << true  << true;
        // clang-format on
    }
    void identityMayMissChange() {
        QFETCH(qint64, changed);
        QFETCH(qint64, now);
        QFETCH(bool, remote);
        QTEST(qm::identityMayMissChange(changed, now, remote), "mayMiss");
    }

    // Recorded with the real clock: whether the identity or the bytes tell, every change is
    // seen, however quickly it follows.
    void changedSince_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("changed");
        QTest::newRow("untouched") << "none" << false;
        QTest::newRow("rewritten in place, its time put back") << "in place" << true;
        QTest::newRow("replaced by as many bytes, its time put back") << "replaced" << true;
        QTest::newRow("one byte longer") << "grown" << true;
        QTest::newRow("removed") << "removed" << true;
    }
    void changedSince() {
        QFETCH(QString, change);
        const std::optional<DiskState> known = readDiskState(m_path);
        QVERIFY(known.has_value());
        QCOMPARE(known->size, 38 * 5);
        if (change == "in place") {
            keepingTime(m_path, [&] {
                QFile f(m_path);
                QVERIFY(f.open(QIODevice::ReadWrite));
                f.write("b");
            });
        } else if (change == "replaced") {
            keepingTime(m_path, [&] {
                putFile(m_path + ".new", QByteArray(38 * 5, 'b'));
                QVERIFY(::rename(QFile::encodeName(m_path + ".new"), QFile::encodeName(m_path)) ==
                        0);
            });
        } else if (change == "grown") {
            putFile(m_path, QByteArray(38 * 5 + 1, 'a'));
        } else if (change == "removed") {
            QVERIFY(QFile::remove(m_path));
        }
        QTEST(qm::changedSince(*known, m_path), "changed");
    }

    // Recorded within the tick of the last write, the state keeps the bytes' hash, and only
    // the bytes then decide.
    void recordedInTheSameTick_bytesDecide() {
        const std::optional<DiskState> late = readDiskState(m_path, INT64_MAX);
        QVERIFY(late);
        QVERIFY(!late->hash);
        const std::optional<DiskState> known = readDiskState(m_path, late->changedNs);
        QVERIFY(known);
        QVERIFY(known->hash);
        QVERIFY(!qm::changedSince(*known, m_path));
        DiskState otherBytes = *known; // the same identity over other bytes
        otherBytes.hash = *known->hash + 1;
        QVERIFY(qm::changedSince(otherBytes, m_path));
    }

    // The hash a save takes of its bytes must be the one read back later, however either
    // side happened to split them; one byte or one more byte anywhere changes it.
    void contentHash_data() {
        QTest::addColumn<int>("piece");
        QTest::addColumn<int>("flip");
        QTest::addColumn<bool>("same");
        QTest::newRow("byte by byte") << 1 << -1 << true;
        QTest::newRow("odd pieces") << 7 << -1 << true;
        QTest::newRow("pieces of a block and one") << 33 << -1 << true;
        QTest::newRow("a byte in a block") << 1000 << 4100 << false;
        QTest::newRow("a byte in the last block") << 1000 << 100000 << false;
        QTest::newRow("a byte past the last block") << 1000 << 100002 << false;
    }
    void contentHash() {
        QFETCH(int, piece);
        QFETCH(int, flip);
        std::string bytes(100003, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i * 2654435761u >> 13);
        ContentHash whole;
        whole.add(bytes.data(), bytes.size());
        if (flip >= 0)
            bytes[std::size_t(flip)] ^= 1;
        ContentHash pieces;
        for (std::size_t at = 0; at < bytes.size(); at += std::size_t(piece))
            pieces.add(bytes.data() + at, std::min(std::size_t(piece), bytes.size() - at));
        QTEST(pieces.value() == whole.value(), "same");
        pieces.add("", 1);
        QVERIFY(pieces.value() != whole.value());
    }

    // A save's own state takes the hash of what it wrote: nothing to ask at the next save,
    // and another program's same-size rewrite in that tick is still seen.
    void writtenState_keepsTheHashOfWhatWasWritten() {
        std::string outline = "TOP\n"; // records beyond one piece of writing and of reading
        for (int i = 0; i < 40000; ++i)
            outline += "  ITEM\n";
        const NodeTable table = treeFromOutline(outline);
        ContentHash written;
        std::string error;
        QVERIFY2(saveDataFile(m_path.toStdString(), table, error, nullptr, &written),
                 error.c_str());
        const std::optional<DiskState> known = writtenDiskState(m_path, written.value());
        QVERIFY(known);
        QVERIFY(known->hash);
        QVERIFY(!qm::changedSince(*known, m_path));
        keepingTime(m_path, [&] {
            QFile f(m_path);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.seek(38 * 30000 + 18));
            f.write("J");
        });
        QVERIFY(qm::changedSince(*known, m_path));
    }

    // The three answers to a journal beside an unchanged file.
    void reopenAfterCrash_data() {
        QTest::addColumn<int>("choice");
        QTest::newRow("Recover") << 0;
        QTest::newRow("Discard") << 1;
        QTest::newRow("Cancel") << 2;
    }
    void reopenAfterCrash() {
        QFETCH(int, choice);
        Session f;
        const QByteArray bytes = f.readFile(f.file);
        MainWindow& w = f.start({f.file});
        QVERIFY(openEntry(w, 0, "A"));
        const int shown = w.browser().CurCel(); // the cell that lists A's children
        f.add("NEW");
        f.tick();
        QVERIFY(QFile::exists(f.journal));
        const CellArray cells = w.browser().cells();
        f.crash();
        QCOMPARE(f.readFile(f.file), bytes);
        QVERIFY(!QFile::exists(f.path("tree.qms")) && !QFile::exists(f.path("tree.qmb")));

        MainWindow& again = f.start();
        f.openAnswering(choice);
        const Prompt asked = f.prompter.last();
        QCOMPARE(asked.said(), "QuillMar Recovery|Changes to" + kCrLf + f.file + kCrLf +
                                   "made up to " + when(kT0 + 250) + " were not saved." + kCrLf +
                                   "Recover them?");
        QCOMPARE(asked.choices, QStringList({"Recover", "Discard", "Cancel"}));
        QCOMPARE(asked.preferred, 0);
        QCOMPARE(asked.cancel, 2);
        QCOMPARE(asked.icon, PromptIcon::Question);
        QCOMPARE(f.readFile(f.file), bytes);
        if (choice == 2) { // nothing opened, the journal left for later
            QCOMPARE(again.windowTitle(), QString("QuillMar  [no data]"));
            QVERIFY(QFile::exists(f.journal));
            return;
        }
        QCOMPARE(again.windowTitle(), "QuillMar  [" + f.file + "]");
        QCOMPARE(childNames(again.nodes(), 2),
                 choice == 0 ? QStringList({"A1", "NEW"}) : QStringList({"A1"}));
        QCOMPARE(again.DataSaved(), choice == 1);
        QCOMPARE(again.menu().entry(MenuArray::File, FileSave)->isEnabled(), choice == 0);
        QCOMPARE(QFile::exists(f.journal), choice == 0); // the recovered tree keeps one
        if (choice == 1)
            return;
        QCOMPARE(again.browser().cells(), cells);
        QCOMPARE(cellTexts(again, shown), QStringList({"A1", "NEW"}));
        QCOMPARE(f.program->files().recovery().writer().path(), f.journal.toStdString());
        // A crash now still has everything; a save ends the journal.
        QCOMPARE(readJournalFile(f.journal.toStdString()).changes, 1);
        QVERIFY(f.click(MenuArray::File, FileSave));
        QVERIFY(!QFile::exists(f.journal));
        QCOMPARE(tableHash(loadDataFile(f.file.toStdString()).table), tableHash(again.nodes()));
        QCOMPARE(f.prompter.unexpected, 0);
    }

    // Another program changed the file since: the changes are offered into a tree of their
    // own, never replayed onto the other tree; the cut-off last change is counted.
    void fileChangedSince_recoversIntoNewTree() {
        Session f;
        f.crashAfterAdding({"ONE", "TWO"}, 400);
        // Cut inside the last change, TWO; the cells recorded after it go too.
        const qsizetype two = f.readFile(f.journal).lastIndexOf("TWO");
        QVERIFY(two > 0);
        QVERIFY(QFile(f.journal).resize(two + 1));
        writeTreeFile(f.dir, "tree.qmd", "OTHER\n  X\n");
        const QByteArray other = f.readFile(f.file);

        MainWindow& again = f.start();
        f.openAnswering(0);
        QCOMPARE(f.prompter.last().text,
                 "Changes to" + kCrLf + f.file + kCrLf + "made up to " + when(kT0 + 400) +
                     " were not saved." + kCrLf + "The file has been changed since." + kCrLf +
                     "The last change could not be read and is lost." + kCrLf + "Recover them?");
        QCOMPARE(f.prompter.last().choices.value(0), QString("Recover into a new, unsaved tree"));
        QCOMPARE(again.windowTitle(), QString("QuillMar  [...]"));
        QVERIFY(again.CurFile().isEmpty() && !again.DataSaved());
        QCOMPARE(childNames(again.nodes(), 1), QStringList({"A", "B", "ONE"}));
        QCOMPARE(f.readFile(f.file), other);
        QVERIFY(!QFile::exists(f.journal));
        QCOMPARE(QDir(f.stateFolder()).entryList({"untitled-*.qmr"}).size(), 1);
        QM_VERIFY_TREE(again.nodes());
    }

    // A journal whose first tree is damaged holds nothing to recover: it can only go.
    void damagedBeyondUse_offersDiscardOnly() {
        Session f;
        f.crashAfterAdding({"X"}, 250);
        QByteArray bytes = f.readFile(f.journal);
        const qsizetype top = bytes.indexOf("TOP "); // in the tree it began with
        QVERIFY(top > 0);
        bytes[top] = 'X';
        putFile(f.journal, bytes);

        MainWindow& again = f.start();
        f.openAnswering(0);
        QCOMPARE(f.prompter.last().text, "Changes to" + kCrLf + f.file + kCrLf +
                                             "were not saved, and can't be recovered: the tree "
                                             "it began with is damaged." +
                                             kCrLf + "Delete the recovery file?");
        QCOMPARE(f.prompter.last().choices, QStringList({"Discard", "Cancel"}));
        QCOMPARE(f.prompter.last().preferred, 1);
        QVERIFY(!QFile::exists(f.journal));
        QCOMPARE(childNames(again.nodes(), 1), QStringList({"A", "B"}));
        QVERIFY(again.DataSaved());
    }

    // A tree never saved is offered at start, before the file the command line names. Changes
    // that come as a whole outline, not one edit at a time: a paste from the clipboard is
    // replayed onto its file, an imported tree comes back as an untitled one.
    void recovered_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("untitled"); // its top item; empty: the file's tree
        // clang-format off
        QTest::newRow("New, offered at start") << "new"    << "FRESH";
        QTest::newRow("Paste from Clipboard")  << "paste"  << "";
        QTest::newRow("Import Outline")        << "import" << "LIST";
        // clang-format on
    }
    void recovered() {
        QFETCH(QString, how);
        QFETCH(QString, untitled);
        Session f;
        const QByteArray bytes = f.readFile(f.file);
        const QString doc = f.path("list.md");
        putFile(doc, "# LIST\n\n- ONE\n  - UNDER\n- TWO\n");
        MainWindow& w = f.start(how == "new" ? QStringList() : QStringList({f.file}));
        w.browser().focusCell(0);
        if (how == "new") {
            f.prompter.answerName("FRESH");
            QVERIFY(f.click(MenuArray::File, FileNew));
            f.add("KID");
            QCOMPARE(childNames(w.nodes(), 1), QStringList({"KID"}));
        } else if (how == "import") {
            f.prompter.answerOpen(doc);
            QVERIFY(f.click(MenuArray::File, FileImportOutline));
        } else {
            QGuiApplication::clipboard()->setText("- PASTED\n  - UNDER\n");
            QVERIFY(f.click(MenuArray::Edit, EditPasteClipboard));
            QCOMPARE(childNames(w.nodes(), 1), QStringList({"A", "B", "PASTED"}));
        }
        const std::uint64_t changed = tableHash(w.nodes());
        f.tick();
        f.crash();
        QCOMPARE(f.readFile(f.file), bytes);

        f.prompter.answerChoice(0);
        MainWindow& again = f.start(how == "import" ? QStringList() : QStringList({f.file}));
        QCOMPARE(f.prompter.last().text.section(kCrLf, 0, 1),
                 "Changes to" + kCrLf + (untitled.isEmpty() ? f.file : "the new tree " + untitled));
        QCOMPARE(f.prompter.last().choices.value(0), QString("Recover"));
        QCOMPARE(tableHash(again.nodes()), changed);
        QCOMPARE(again.windowTitle(),
                 untitled.isEmpty() ? "QuillMar  [" + f.file + "]" : QString("QuillMar  [...]"));
        QVERIFY(!again.DataSaved());
        QVERIFY(again.menu().entry(MenuArray::File, FileSave)->isEnabled());
        QVERIFY(again.menu().entry(MenuArray::Edit, EditDelete)->isEnabled());
        QCOMPARE(f.readFile(f.file), bytes);
        QCOMPARE(f.prompter.unexpected, 0);
    }

    // Save, New or Exit after giving the changes up, and a plain Exit, leave no journal;
    // an Exit cancelled keeps it, and the program's own journal is never offered to it.
    void cleanEndings_removeTheJournal() {
        Session f;
        MainWindow& w = f.start({f.file});
        w.browser().focusCell(0);
        f.add("X");
        f.tick();
        QVERIFY(QFile::exists(f.journal));
        f.prompter.answer(PromptAnswer::No); // "Save ... first ?"
        f.prompter.answerOpen(f.file);       // the same file again: no recovery question
        QVERIFY(f.click(MenuArray::File, FileOpen));
        QVERIFY(!QFile::exists(f.journal));
        w.browser().focusCell(0);
        f.add("Y");
        f.tick();
        f.prompter.answer(PromptAnswer::Cancel);
        QVERIFY(!w.close());
        QVERIFY(QFile::exists(f.journal));
        f.prompter.answer(PromptAnswer::No);
        f.prompter.answerName("NEW");
        QVERIFY(f.click(MenuArray::File, FileNew));
        QVERIFY(!QFile::exists(f.journal));
        f.add("Z");
        f.tick();
        QCOMPARE(QDir(f.stateFolder()).entryList({"*.qmr"}).size(), 1);
        f.prompter.answer(PromptAnswer::No);
        QVERIFY(w.close());
        QCOMPARE(QDir(f.stateFolder()).entryList({"*.qmr"}).size(), 0);
        QVERIFY(f.prompter.allAnswered() && f.prompter.unexpected == 0);
    }

    // Off by default; when on, a start without a file named opens the last one, cells too.
    void openLastFileAtStart() {
        Session f;
        MainWindow& w = f.start({f.file});
        QVERIFY(openEntry(w, 0, "A"));
        const int shown = w.browser().CurCel();
        f.prompter.answerName("NEW");
        QVERIFY(f.click(MenuArray::Edit, EditAdd));
        QVERIFY(f.click(MenuArray::File, FileSave));
        QVERIFY(w.close());
        QCOMPARE(f.start().windowTitle(), QString("QuillMar  [no data]"));
        QVERIFY(f.readFile(f.iniPath()).contains("OpenLast= 0"));

        QString option;
        onModal<OptionsDialog>([&](OptionsDialog& d) {
            auto* box = d.findChild<QCheckBox*>("ChkOpenLast");
            option = box->text() + (box->isChecked() ? " on" : " off");
            box->setChecked(true);
            d.findChild<QPushButton*>("cmdOK")->click();
        });
        QVERIFY(f.click(MenuArray::File, FileOptions));
        QCOMPARE(option, QString("Open the last file at start off"));
        QVERIFY(f.readFile(f.iniPath()).contains("OpenLast= 1"));
        QVERIFY(f.program->window().close());
        MainWindow& again = f.start();
        QCOMPARE(again.windowTitle(), "QuillMar  [" + f.file + "]");
        QCOMPARE(cellTexts(again, shown), QStringList({"A1", "NEW"}));
    }

    // A child process runs the real window with random edits and is killed at random
    // moments. Every change made a second before the kill comes back, exactly the tree as
    // it stood after some edit, and nothing but the journal was written.
    void killedAtRandom_recoversEveryChangeASecondOld() {
        const QString child = QCoreApplication::applicationDirPath() + "/recovery_child";
        std::mt19937 rng(20240612);
        qputenv("QT_QPA_PLATFORM", "offscreen"); // for the child
        for (int run = 0; run < 24; ++run) {
            ProgramFixture f; // the child's folder: the tree, the settings, the state folder
            const QString file = writeTreeFile(f.dir, "tree.qmd", kTree);
            f.writeIni("[AutoSave]\nValue=-1\n");
            const QByteArray before = fileBytes(file);
            qputenv("XDG_STATE_HOME", QFile::encodeName(f.path("state")));
            QProcess p;
            p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            p.start(child, {f.dir.path(), QString::number(run)});
            // Now and then right at the start, when little or nothing is journaled yet.
            const int edits = 1 + int(rng() % (run % 4 == 0 ? 3 : 150));
            QByteArray out;
            while (out.count("E ") < edits && p.waitForReadyRead(10000))
                out += p.readAllStandardOutput();
            p.kill();
            QVERIFY(p.waitForFinished());
            QCOMPARE(p.exitStatus(), QProcess::CrashExit);
            out += p.readAllStandardOutput();

            // The states after each edit, and the clock when the journal last had its ticks.
            QList<std::int64_t> times;
            QList<QByteArray> hashes{
                QByteArray::number(tableHash(loadDataFile(file.toStdString()).table))};
            std::int64_t ticked = 0;
            for (const QByteArray& line : out.split('\n')) {
                const QList<QByteArray> w = line.split(' ');
                if (w.size() == 4 && w[0] == "E") {
                    times << w[2].toLongLong();
                    hashes << w[3];
                } else if (w.size() == 2 && w[0] == "T") {
                    ticked = w[1].toLongLong();
                }
            }
            qsizetype oldest = 0; // the state that must at least come back
            while (oldest < times.size() && times[oldest] <= ticked - 1000)
                ++oldest;
            QCOMPARE(fileBytes(file), before);
            QVERIFY(!QFile::exists(f.path("tree.qms")) && !QFile::exists(f.path("tree.qmb")));

            f.prompter.answerChoice(0); // Recover; Discard for a journal of no use
            const NodeTable& nodes = f.start({file}).nodes();
            // Killed before anything new was journaled: nothing is offered.
            QVERIFY(f.prompter.prompts.size() <= 1);
            if (f.prompter.prompts.isEmpty())
                f.prompter.clear();
            const QByteArray got = QByteArray::number(tableHash(nodes));
            QM_VERIFY_TREE(nodes);
            const qsizetype at = hashes.indexOf(got, oldest);
            QVERIFY2(at >= 0,
                     qPrintable(QString("run %1: edits %2, ticked %3: state not found from %4")
                                    .arg(run)
                                    .arg(times.size())
                                    .arg(ticked)
                                    .arg(oldest)));
            QCOMPARE(f.prompter.unexpected, 0);
        }
    }
};

QTEST_MAIN(TestFileCommands)
#include "test_file_commands.moc"
