// Start-up: the command line, its options and the file it names, and the window it opens with.

#include <QTest>

#include "app/launch_options.h"
#include "app/program.h"
#include "app/startup.h"
#include "support/program_fixture.h"
#include "window/twips.h"
#include "window/zoom.h"

using namespace qm;
using namespace qm::test;
using Action = LaunchOptions::Action;

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    // What is an option, what is handed to Qt, and the file the remaining words name.
    void parse_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QStringList>("qt");
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("error");
        const auto row = [](const char* name, const QStringList& args, Action action,
                            const QStringList& qt, const QStringList& words, const QString& file,
                            const QString& error = {}) {
            QTest::newRow(name) << args << int(action) << qt << words << file << error;
        };
        const auto file = [&](const char* name, const QStringList& words, const QString& file) {
            row(name, words, Action::Run, {}, words, file);
        };
        row("nothing", {}, Action::Run, {}, {}, "");
        row("help", {"--help", "x.qmd"}, Action::Help, {}, {}, "");
        row("short help", {"-h"}, Action::Help, {}, {}, "");
        row("version", {"--version"}, Action::Version, {}, {}, "");
        row("a name with a dash after --", {"--", "-x.qmd"}, Action::Run, {}, {"-x.qmd"}, "-x.qmd");
        row("-- and --help after it are names", {"--", "--help"}, Action::Run, {}, {"--help"},
            "--help");
        file("a lone dash is a name", {"-"}, "-");
        file("options end at the name", {"a.qmd", "--help"}, "a.qmd --help");
        row("Qt's options with their values",
            {"-platform", "xcb", "--style=Fusion", "-reverse", "a"}, Action::Run,
            {"-platform", "xcb", "--style=Fusion", "-reverse"}, {"a"}, "a");
        row("unknown option", {"--open", "a.qmd"}, Action::Usage, {}, {}, "",
            "unknown option --open");
        row("a Qt flag given a value", {"-reverse=yes"}, Action::Usage, {}, {}, "",
            "unknown option -reverse=yes");
        row("Qt's option without its value", {"-platform"}, Action::Usage, {}, {}, "",
            "-platform needs a value");
        file("plain path", {"/tmp/a.qmd"}, "/tmp/a.qmd");
        file("quoted path", {"\"/tmp/a.qmd\""}, "/tmp/a.qmd");
        file("spaces without quotes", {"/tmp/my", "trees/a.qmd"}, "/tmp/my trees/a.qmd");
        file("quoted with spaces", {"\"/tmp/my", "trees/a.qmd\""}, "/tmp/my trees/a.qmd");
        file("lone double quote", {"\""}, "");
        file("quote drops the last character whatever it is", {"\"/tmp/a.qmdx"}, "/tmp/a.qmd");
    }
    void parse() {
        QFETCH(QStringList, arguments);
        const LaunchOptions o = parseLaunchOptions(arguments);
        QTEST(int(o.action), "action");
        QTEST(o.qtArguments, "qt");
        QTEST(o.fileWords, "words");
        QTEST(commandLineFile(o.fileWords), "file");
        QTEST(o.error, "error");
    }

    // The file the command line names is opened silently; a missing one leaves no data.
    void start_withFile_data() {
        QTest::addColumn<QString>("argument"); // %1: the path of a tree
        QTest::addColumn<bool>("opened");
        QTest::newRow("unquoted") << "%1" << true;
        QTest::newRow("quoted") << "\"%1\"" << true;
        QTest::newRow("missing") << "/nonexistent/tree.qmd" << false;
    }
    void start_withFile() {
        QFETCH(QString, argument);
        QFETCH(bool, opened);
        ProgramFixture f;
        const QString path = writeTreeFile(f.dir, "my trees.qmd", "WORLD\n  EUROPE\n    FRANCE\n");
        MainWindow& w = f.start(argument.arg(path).split(' '));
        QCOMPARE(w.windowTitle(), "QuillMar  [" + (opened ? path : QString("no data")) + "]");
        QCOMPARE(w.columnArea()->isVisible(), opened);
        QCOMPARE(w.status().countText(), QString(opened ? "Items: 2" : "Items: 0"));
        QCOMPARE(w.status().statusText(), QString());
        const auto on = [&](MenuArray array, int entry) {
            return w.menu().entry(array, entry)->isEnabled();
        };
        QCOMPARE((QList<bool>{on(MenuArray::File, FileSave), on(MenuArray::File, FileSaveAs),
                              on(MenuArray::Edit, EditAdd), on(MenuArray::Edit, EditCut),
                              on(MenuArray::Go, GoFind), on(MenuArray::Edit, EditUndo)}),
                 (QList<bool>{false, opened, opened, opened, opened, false}));
        if (opened) {
            QCOMPARE(headerText(w, 0), QString("WORLD"));
            QCOMPARE(w.browser().CurCel(), 0);
        }
        QCOMPARE(f.prompter.prompts.size(), 0);
    }

    // Available areas: 800 x 600 at the origin, and a second screen to the right.
    void placeWindow_data() {
        QTest::addColumn<QPointF>("wanted");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QPoint>("placed");
        const QSize w(688, 560);
        const QRect screen(0, 0, 800, 600);
        // clang-format off
        QTest::newRow("fits: kept")            << QPointF(67, 30)     << w << screen << QPoint(67, 30);
        QTest::newRow("bottom off: moved up")  << QPointF(67, 67)     << w << screen << QPoint(67, 40);
        QTest::newRow("huge")                  << QPointF(6.7e9, 6.7e9) << w << screen << QPoint(112, 40);
        QTest::newRow("negative")              << QPointF(-6667, -6667) << w << screen << QPoint(0, 0);
        QTest::newRow("not a number")          << QPointF(qQNaN(), 5) << w << screen << QPoint(0, 5);
        QTest::newRow("larger than the screen: corner on it") << QPointF(300, 200) << QSize(1000, 700)
                                               << screen << QPoint(0, 0);
        QTest::newRow("taller only")           << QPointF(50, 50)     << QSize(600, 700) << screen << QPoint(50, 0);
        QTest::newRow("second screen")         << QPointF(5000, -10)  << w << QRect(1920, 24, 1920, 1056)
                                               << QPoint(3152, 24);
        // clang-format on
    }
    void placeWindow() {
        QFETCH(QPointF, wanted);
        QFETCH(QSize, size);
        QFETCH(QRect, available);
        QTEST(qm::placeWindow(wanted, size, available), "placed");
    }

    // Saved far off the screen: opened on it, and written back where it was shown.
    void savedPositionOffScreen_windowOnScreen_data() {
        QTest::addColumn<QByteArray>("left");
        QTest::addColumn<QByteArray>("top");
        QTest::newRow("huge") << QByteArray("99999999999") << QByteArray("99999999999");
        QTest::newRow("negative") << QByteArray("-100000") << QByteArray("-100000");
    }
    void savedPositionOffScreen_windowOnScreen() {
        QFETCH(QByteArray, left);
        QFETCH(QByteArray, top);
        ProgramFixture f;
        f.writeIni("[Display]\nMainLeft=" + left + "\nMainTop=" + top + "\n");
        MainWindow& w = f.start();
        const QRect screen = w.screen()->availableGeometry();
        QVERIFY(screen.width() >= w.width());
        QVERIFY(screen.height() >= w.height());
        QVERIFY2(screen.contains(w.frameGeometry()),
                 qPrintable(QString("%1,%2").arg(w.x()).arg(w.y())));
        QVERIFY(w.close());
        IniFile saved(f.iniPath());
        QCOMPARE(twips::toPixels(readIniNumber(saved, "Display", "MainLeft", 0)), w.x());
        QCOMPARE(twips::toPixels(readIniNumber(saved, "Display", "MainTop", 0)), w.y());
    }

    // Not a regular file of a sane size: one alert, the defaults, and the file left as it
    // was, at exit too.
    void oddSettingsFile_alertDefaultsLeftAlone_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("pipe") << "fifo" << QString("it is not a regular file");
        QTest::newRow("link to a pipe") << "link" << QString("it is not a regular file");
        QTest::newRow("64 GiB") << "huge" << QString("it is larger than 1 MiB");
    }
    void oddSettingsFile_alertDefaultsLeftAlone() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        ProgramFixture f;
        QVERIFY(makeOddFile(kind, f.iniPath()));
        const QList<qint64> before = fileStamp(f.iniPath());
        f.prompter.answer(PromptAnswer::Ok);
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
        prompter.answer(PromptAnswer::Ok);
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
