// The File menu's commands, the save prompt, backups, recent files and auto-save, driven
// through the real window; files are checked on disk byte for byte.

#include <QAction>
#include <QFileInfo>
#include <QTest>
#include <QTimer>

#include "edit/edit_commands.h"
#include "settings/file_commands.h"
#include "store/data_file.h"
#include "store/safe_file.h"
#include "support/program_fixture.h"
#include "window/names.h"

using namespace qm;
using namespace qm::test;

namespace {

const char* kTree = "TOP\n  A\n    A1\n  B\n";

// Marks the tree changed as an editing command would.
void change(MainWindow& w) {
    w.nodes()[2].Name = makeName("CHANGED");
    w.DataChanged(1);
}

QString mruCaption(MainWindow& w, int place) {
    QAction* a = w.menu().entry(MenuArray::FileMRU, place);
    return a->isVisible() ? a->text() : QString();
}

} // namespace

class TestFileCommands : public QObject {
    Q_OBJECT

private slots:
    void newTree_nameGivesTopItemAndMenuState() {
        ProgramFixture f;
        MainWindow& w = f.start();
        f.prompter.answerName("  ");
        f.click(MenuArray::File, 0);
        QCOMPARE(w.windowTitle(), QString("QuillMar  [no data]")); // all spaces: nothing happens
        f.prompter.answerName("ABCDEFGHIJKLMNOPQRS");
        f.click(MenuArray::File, 0);
        QCOMPARE(f.prompter.last().title, QString("New QuillMar DataFile"));
        QCOMPARE(f.prompter.last().text, QString("Name for TOP Cell:"));
        QCOMPARE(std::string(w.nodes()[1].Name.data(), 20), std::string("ABCDEFGHIJKLMNOPQRS "));
        QVERIFY(w.nodes()[0] == nodeHeader());
        QCOMPARE(w.windowTitle(), QString("QuillMar  [...]"));
        QCOMPARE(headerText(w, 0), QString("ABCDEFGHIJKLMNOPQRS"));
        QCOMPARE(w.browser().CurCel(), 0);
        QVERIFY(w.menu().entry(MenuArray::File, 2)->isEnabled());
        QVERIFY(w.menu().entry(MenuArray::Edit, 2)->isEnabled());
        QVERIFY(!w.menu().entry(MenuArray::Edit, 3)->isEnabled());
        QVERIFY(!w.menu().entry(MenuArray::Go, 0)->isEnabled());
        QCOMPARE(w.status().countText(), QString("Items: 0"));
        QVERIFY(f.prompter.allAnswered());
    }

    void saveAsk_neverSavedTree_yesOpensSaveAs_cancelKeepsTree() {
        ProgramFixture f;
        MainWindow& w = f.start();
        f.prompter.answerName("T");
        f.click(MenuArray::File, 0);
        w.nodes()[1].Name = makeName("T2");
        w.DataChanged(1);
        // Yes, then the Save As dialog is cancelled: nothing is given up.
        f.prompter.answer(PromptAnswer::Yes);
        f.prompter.answerSave(QString());
        QVERIFY(!f.program->files().Save_Ask());
        QCOMPARE(f.prompter.prompts[1].text, QString("Save  first ?"));
        QCOMPARE(f.prompter.prompts[1].title, QString("QuillMar Request"));
        QCOMPARE(f.prompter.prompts[1].icon, PromptIcon::Question);
        QCOMPARE(f.prompter.prompts[1].buttons, PromptButtons::YesNoCancel);
        QCOMPARE(f.prompter.prompts[2].title, QString("Save QuillMar Data"));
        QCOMPARE(f.prompter.prompts[2].text, QString("QuillMar v2.0 DbFile"));
        QVERIFY(!w.DataSaved());
        // The asking command stops too.
        f.prompter.answer(PromptAnswer::Cancel);
        f.click(MenuArray::File, 0);
        QCOMPARE(trimmedNameText(w.nodes()[1].Name), QString("T2"));
        QVERIFY(f.prompter.allAnswered());
    }

    void saveAs_overLongerFile_asksThenWritesExactRecords() {
        ProgramFixture f;
        const QString big = writeTreeFile(f.dir, "big.qmd", "BIG\n  1\n  2\n  3\n  4\n  5\n");
        const QString small = writeTreeFile(f.dir, "small.qmd", kTree);
        const QByteArray before = f.readFile(big);
        MainWindow& w = f.start({small});
        // Cancel at the overwrite question changes nothing.
        f.prompter.answerSave(big);
        f.prompter.answer(PromptAnswer::Cancel);
        f.click(MenuArray::File, 3);
        QCOMPARE(f.prompter.prompts[1].text, QString("Overwrite existing file ?"));
        QCOMPARE(f.prompter.prompts[1].title, QString("QuillMar Warning"));
        QCOMPARE(f.prompter.prompts[1].icon, PromptIcon::Question);
        QCOMPARE(w.CurFile(), small);
        QCOMPARE(f.readFile(big), before);
        f.prompter.answerSave(big);
        f.prompter.answer(PromptAnswer::Ok);
        f.click(MenuArray::File, 3);
        QCOMPARE(QFileInfo(big).size(), qint64(38 * 5));
        QCOMPARE(w.windowTitle(), "QuillMar  [" + big + "]");
        QCOMPARE(w.CurFile(), big);
        QVERIFY(!w.menu().entry(MenuArray::File, 2)->isEnabled());
        QCOMPARE(f.program->settings().RecentFiles[0], big);
        QVERIFY(QFileInfo::exists(f.path("big.qms")));
        QCOMPARE(f.readFile(big).left(38).mid(18), QByteArray("QuillMar v2.0 DbFile"));
    }

    void backups_madeFromSecondSaveOfRun_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("backup");
        QTest::newRow("with extension") << "tree.qmd"
                                        << "tree.qmb";
        QTest::newRow("without a dot") << "notes"
                                       << "noteb";
    }
    void backups_madeFromSecondSaveOfRun() {
        QFETCH(QString, name);
        QFETCH(QString, backup);
        ProgramFixture f;
        const QString file = writeTreeFile(f.dir, name, kTree);
        const QString bak = f.path(backup);
        MainWindow& w = f.start({file});
        const QByteArray original = f.readFile(file);
        change(w);
        f.click(MenuArray::File, 2);
        QVERIFY(!QFileInfo::exists(bak));
        QVERIFY(f.program->files().BackupArmed());
        const QByteArray first = f.readFile(file);
        QVERIFY(first != original);
        w.nodes()[3].Name = makeName("SECOND");
        w.DataChanged(1);
        f.click(MenuArray::File, 2);
        QCOMPARE(f.readFile(bak), first);
        const QByteArray second = f.readFile(file);
        w.nodes()[3].Name = makeName("THIRD");
        w.DataChanged(1);
        f.click(MenuArray::File, 2);
        QCOMPARE(f.readFile(bak), second);
        QVERIFY(w.DataSaved());
        QCOMPARE(w.AsCounter(), 0);
    }

    void backups_neverWithMakeBackupOff() {
        ProgramFixture f;
        f.writeIni("[AutoSave]\nBackup= 0\n");
        const QString file = writeTreeFile(f.dir, "t.qmd", kTree);
        MainWindow& w = f.start({file});
        for (int i = 0; i < 2; ++i) {
            change(w);
            f.click(MenuArray::File, 2);
        }
        QVERIFY(!QFileInfo::exists(f.path("t.qmb")));
        QVERIFY(!f.program->files().BackupArmed());
        f.program->settings().MakeBackup = 1; // switched on later: the next save only arms
        f.click(MenuArray::File, 2);
        QVERIFY(!QFileInfo::exists(f.path("t.qmb")));
    }

    void failedSave_reportsAndKeepsOldFileAndUnsavedState() {
        ProgramFixture f;
        const QString file = writeTreeFile(f.dir, "t.qmd", kTree);
        MainWindow& w = f.start({file});
        const QByteArray before = f.readFile(file);
        change(w);
        // A folder where the new file should go makes the write fail without touching the old.
        QVERIFY(QDir().mkpath(f.path("gone")));
        const QString target = f.path("gone/x.qmd");
        QVERIFY(QDir().mkpath(target));
        f.prompter.answerSave(target);
        f.prompter.answer(PromptAnswer::Ok); // "Overwrite existing file ?"
        f.prompter.answer(PromptAnswer::Ok); // the failure alert
        f.click(MenuArray::File, 3);
        QVERIFY(f.prompter.last().text.startsWith(target + "\r\ncould not be saved: "));
        QCOMPARE(f.prompter.last().title, QString("QuillMar Alert"));
        QVERIFY(!w.DataSaved());
        QCOMPARE(w.CurFile(), file);
        QCOMPARE(f.readFile(file), before);
        QVERIFY(w.menu().entry(MenuArray::File, 2)->isEnabled());
    }

    void save_fileChangedByAnotherProgram_asksFirst() {
        ProgramFixture f;
        const QString file = writeTreeFile(f.dir, "t.qmd", kTree);
        MainWindow& w = f.start({file});
        change(w);
        writeTreeFile(f.dir, "t.qmd", "SOMEONE ELSE\n  X\n  Y\n  Z\n");
        const QByteArray theirs = f.readFile(file);
        f.prompter.answer(PromptAnswer::Cancel);
        f.click(MenuArray::File, 2);
        QCOMPARE(f.prompter.last().title, QString("QuillMar Warning"));
        QCOMPARE(f.readFile(file), theirs);
        QVERIFY(!w.DataSaved());
        f.prompter.answer(PromptAnswer::Ok);
        f.click(MenuArray::File, 2);
        QVERIFY(w.DataSaved());
        QVERIFY(f.readFile(file) != theirs);
    }

    void recentFiles_orderExchangeAndDrop() {
        ProgramFixture f;
        MainWindow& w = f.start();
        QStringList files;
        for (const char* name : {"a.qmd", "b.qmd", "c.qmd", "d.qmd", "e.qmd"})
            files << writeTreeFile(f.dir, name, kTree);
        const auto openFile = [&](const QString& p) {
            f.prompter.answerOpen(p);
            f.click(MenuArray::File, 1);
        };
        for (int i = 0; i < 3; ++i)
            openFile(files[i]);
        // Opening a path that is not there leaves the open tree alone.
        openFile(f.path("nope.qmd"));
        QCOMPARE(f.prompter.last().text, f.path("nope.qmd") + "\r\nDoesn't exist !");
        QCOMPARE(f.prompter.prompts[0].title, QString("Open QuillMar Data"));
        QCOMPARE(w.browser().CurCel(), -1);
        QCOMPARE(w.CurFile(), files[2]);
        QCOMPARE(f.program->settings().RecentCount, 3);
        QCOMPARE(f.program->settings().RecentFiles[0], files[2]);
        openFile(files[0]); // C, B, A: A and C change places
        QCOMPARE(f.program->settings().RecentFiles[0], files[0]);
        QCOMPARE(f.program->settings().RecentFiles[1], files[1]);
        QCOMPARE(f.program->settings().RecentFiles[2], files[2]);
        openFile(files[3]);
        openFile(files[4]);
        // A, B, C, D, E: E, D, A, B with four places, C dropped.
        const auto& r = f.program->settings().RecentFiles;
        QCOMPARE(QStringList({r[0], r[1], r[2], r[3]}),
                 QStringList({files[4], files[3], files[0], files[1]}));
        QVERIFY(w.menu().fileBar1()->isVisible());
        QCOMPARE(mruCaption(w, 1), RecentFiles::shortened(files[4]));
        // Choosing D when its file is gone: removed, the count kept, place 4 hidden.
        QFile::remove(files[3]);
        f.click(MenuArray::FileMRU, 2);
        QCOMPARE(f.prompter.last().text, files[3] + "\r\nDoesn't exist any more!");
        QCOMPARE(QStringList({r[0], r[1], r[2], r[3]}),
                 QStringList({files[4], files[0], files[1], ""}));
        QCOMPARE(f.program->settings().RecentCount, 4);
        QVERIFY(!w.menu().entry(MenuArray::FileMRU, 4)->isVisible());
        QCOMPARE(w.CurFile(), files[4]);
        // Choosing an entry opens it and exchanges it with the first place.
        f.click(MenuArray::FileMRU, 3);
        QCOMPARE(w.CurFile(), files[1]);
        QCOMPARE(r[0], files[1]);
        QCOMPARE(r[2], files[4]);
        // Written at exit with the empty place.
        w.close();
        QVERIFY(f.readFile(f.iniPath()).contains("Name4=\n"));
    }

    void recentFiles_caseInsensitiveMatchAndCaptions() {
        ProgramFixture f;
        f.writeIni("[FileBuf]\nCount= 2\nMax= 4\nName1=/x/B.qmd\nName2=/TREES/A&B.QMD\n");
        MainWindow& w = f.start();
        QCOMPARE(mruCaption(w, 2), QString("/TREES/A&&B.QMD"));
        f.program->files().recent().MRU_Add("/trees/a&b.qmd");
        QCOMPARE(f.program->settings().RecentFiles[0], QString("/trees/a&b.qmd"));
        QCOMPARE(f.program->settings().RecentFiles[1], QString("/x/B.qmd"));
        QCOMPARE(RecentFiles::shortened("abcdefghijklmnopqrstuvwxyz0123456"),
                 QString("abcdefghijklmnopqrstuvwxyz0123456"));
        QCOMPARE(RecentFiles::shortened("abcdefghijklmnopqrstuvwxyz012345678"),
                 QString("abcdefghijklmno ... uvwxyz012345678"));
    }

    void autoSave_byMinutes_savesOnTheTwentiethTick() {
        ProgramFixture f;
        f.writeIni("[AutoSave]\nValue= 0\nMinutes= 2\nBackup= 0\n");
        const QString file = writeTreeFile(f.dir, "t.qmd", kTree);
        MainWindow& w = f.start({file});
        QVERIFY(w.TimAs().isActive());
        QCOMPARE(w.TimAs().interval(), 15000);
        AutoSave& as = f.program->files().autoSave();
        for (int i = 0; i < 3; ++i)
            change(w);
        for (int i = 0; i < 16; ++i)
            as.TimAs_Timer();
        QVERIFY(!w.DataSaved());
        as.TimAs_Timer(); // the 17th tick: counter 20
        QVERIFY(w.DataSaved());
        QCOMPARE(w.AsCounter(), 0);
        for (int i = 0; i < 20; ++i)
            as.TimAs_Timer(); // saved again after 5 minutes, changed or not
        QCOMPARE(w.AsCounter(), 0);
    }

    void autoSave_byChanges_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("changesPosition");
        QTest::addColumn<int>("changes");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<int>("counter");
        QTest::addColumn<bool>("written");
        QTest::newRow("10 changes: the 10th saves") << 1 << 4 << 10 << true << 0 << true;
        QTest::newRow("3 changes, five made: third saves") << 1 << 1 << 5 << false << 2 << true;
        QTest::newRow("9 of 10 changes: not yet") << 1 << 4 << 9 << false << 9 << false;
        QTest::newRow("off: never") << -1 << 0 << 30 << false << 30 << false;
    }
    void autoSave_byChanges() {
        QFETCH(int, mode);
        QFETCH(int, changesPosition);
        QFETCH(int, changes);
        QFETCH(bool, saved);
        QFETCH(int, counter);
        QFETCH(bool, written);
        ProgramFixture f;
        f.writeIni("[AutoSave]\nValue=" + QByteArray::number(mode) +
                   "\nChanges= " + QByteArray::number(changesPosition) + "\n");
        const QString file = writeTreeFile(f.dir, "t.qmd", kTree);
        const QByteArray before = f.readFile(file);
        MainWindow& w = f.start({file});
        QVERIFY(!w.TimAs().isActive());
        for (int i = 0; i < changes; ++i)
            change(w);
        QCOMPARE(w.DataSaved(), saved);
        QCOMPARE(w.AsCounter(), counter);
        QCOMPARE(f.readFile(file) != before, written);
    }

    void exit_cancelKeepsWindowButWritesSettings() {
        ProgramFixture f;
        const QString file = writeTreeFile(f.dir, "t.qmd", kTree);
        MainWindow& w = f.start({file});
        change(w);
        f.prompter.answer(PromptAnswer::Cancel);
        f.click(MenuArray::File, 5);
        QVERIFY(w.isVisible());
        const QByteArray ini = f.readFile(f.iniPath());
        QVERIFY(ini.contains("[Display]"));
        QVERIFY(ini.contains("MainLeft= "));
        QVERIFY(ini.contains("Name1=" + file.toUtf8()));
        f.prompter.answer(PromptAnswer::No);
        f.click(MenuArray::File, 5);
        QVERIFY(!w.isVisible());
    }
};

QTEST_MAIN(TestFileCommands)
#include "test_file_commands.moc"
