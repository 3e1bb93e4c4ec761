// Start-up: the command line, the window it opens with, and the file it names.

#include <QTemporaryDir>
#include <QTest>

#include "app/program.h"
#include "app/startup.h"
#include "support/program_fixture.h"

using namespace qm;
using namespace qm::test;

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void commandLineFile_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("file");
        QTest::newRow("nothing") << QStringList() << "";
        QTest::newRow("plain path") << QStringList{"/tmp/a.qmd"} << "/tmp/a.qmd";
        QTest::newRow("quoted path") << QStringList{"\"/tmp/a.qmd\""} << "/tmp/a.qmd";
        QTest::newRow("spaces without quotes")
            << QStringList{"/tmp/my", "trees/a.qmd"} << "/tmp/my trees/a.qmd";
        QTest::newRow("quoted with spaces")
            << QStringList{"\"/tmp/my", "trees/a.qmd\""} << "/tmp/my trees/a.qmd";
        QTest::newRow("lone double quote") << QStringList{"\""} << "";
        QTest::newRow("quote drops the last character whatever it is")
            << QStringList{"\"/tmp/a.qmdx"} << "/tmp/a.qmd";
    }
    void commandLineFile() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, file);
        QCOMPARE(qm::commandLineFile(arguments), file);
    }

    void start_withExistingFile_opensIt_data() {
        QTest::addColumn<bool>("quoted");
        QTest::newRow("unquoted") << false;
        QTest::newRow("quoted") << true;
    }
    void start_withExistingFile_opensIt() {
        QFETCH(bool, quoted);
        QTemporaryDir dir;
        const QString path = writeTreeFile(dir, "my trees.qmd", "WORLD\n  EUROPE\n    FRANCE\n");
        ScriptedPrompter prompter;
        Program program(prompter, dir.filePath("QuillMar.ini"));
        const QString arg = quoted ? "\"" + path + "\"" : path;
        program.start(arg.split(' '), false);
        MainWindow& w = program.window();
        QCOMPARE(w.windowTitle(), "QuillMar  [" + path + "]");
        QCOMPARE(headerText(w, 0), QString("WORLD"));
        QCOMPARE(w.browser().CurCel(), 0);
        QCOMPARE(w.status().countText(), QString("Items: 2"));
        QCOMPARE(w.status().statusText(), QString());
        QVERIFY(!w.menu().entry(MenuArray::File, FileSave)->isEnabled());
        QVERIFY(w.menu().entry(MenuArray::File, FileSaveAs)->isEnabled());
        QVERIFY(w.menu().entry(MenuArray::Edit, EditCut)->isEnabled());
        QVERIFY(w.menu().entry(MenuArray::Go, GoFind)->isEnabled());
        QVERIFY(!w.menu().entry(MenuArray::Edit, EditUndo)->isEnabled());
        QCOMPARE(prompter.prompts.size(), 0);
    }

    void start_withMissingFile_startsEmptyAndSilent() {
        QTemporaryDir dir;
        ScriptedPrompter prompter;
        Program program(prompter, dir.filePath("QuillMar.ini"));
        program.start({"/nonexistent/tree.qmd"}, false);
        MainWindow& w = program.window();
        QCOMPARE(w.windowTitle(), QString("QuillMar  [no data]"));
        QVERIFY(!w.columnArea()->isVisible());
        QCOMPARE(w.status().statusText(), QString());
        QCOMPARE(w.status().countText(), QString("Items: 0"));
        QVERIFY(!w.menu().entry(MenuArray::Edit, EditAdd)->isEnabled());
        QCOMPARE(prompter.prompts.size(), 0);
    }

    // Not a regular file of a sane size: one alert, the defaults, and the file left as it
    // was, at exit too.
    void oddSettingsFile_alertDefaultsLeftAlone_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("pipe") << "fifo"
                              << "it is not a regular file";
        QTest::newRow("link to a pipe") << "link"
                                        << "it is not a regular file";
        QTest::newRow("64 GiB") << "huge"
                                << "it is larger than 1 MiB";
    }
    void oddSettingsFile_alertDefaultsLeftAlone() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        ProgramFixture f;
        QVERIFY(makeOddFile(kind, f.iniPath()));
        const QList<qint64> before = fileStamp(f.iniPath());
        MainWindow& w = f.start();
        QCOMPARE(f.prompter.prompts.size(), 1);
        QCOMPARE(f.prompter.last().title, QString("QuillMar Alert"));
        QCOMPARE(f.prompter.last().text,
                 f.iniPath() + "\r\ncan't be used for the settings: " + reason +
                     ".\r\nThe default settings are used, and the file is left as it is.");
        const Settings& s = f.program->settings();
        QCOMPARE((QList<int>{s.RecentMax, s.AsMode, s.AsChanges, s.MakeBackup}),
                 (QList<int>{4, 1, 4, 1}));
        QVERIFY(w.close());
        QCOMPARE(f.prompter.prompts.size(), 1);
        QCOMPARE(fileStamp(f.iniPath()), before);
    }

    // A place where nothing can be made: the alert names the file once, with the reason.
    void settingsNotSaved_alertNamesThePathOnce() {
        ScriptedPrompter prompter;
        const QString path = "/proc/self/QuillMar.ini";
        Program program(prompter, path);
        program.start({}, false);
        QVERIFY(program.window().close());
        QCOMPARE(prompter.prompts.size(), 1);
        const QString text = prompter.last().text;
        QVERIFY2(text.startsWith("The settings could not be saved in " + path + ":\r\n"),
                 qPrintable(text));
        QCOMPARE(text.count(path), 1);
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
