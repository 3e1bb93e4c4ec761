// The program's own command line: what is an option, what is handed to Qt, and what names
// the file.

#include <QTest>

#include "app/launch_options.h"

using namespace qm;
using Action = LaunchOptions::Action;

class TestLaunchOptions : public QObject {
    Q_OBJECT

private slots:
    void parse_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QStringList>("qt");
        QTest::addColumn<QStringList>("file");
        QTest::addColumn<QString>("error");
        const auto row = [](const char* name, const QStringList& args, Action action,
                            const QStringList& qt, const QStringList& file,
                            const QString& error = {}) {
            QTest::newRow(name) << args << int(action) << qt << file << error;
        };
        row("nothing", {}, Action::Run, {}, {});
        row("a path with spaces, unquoted", {"my", "trees/a.qmd"}, Action::Run, {},
            {"my", "trees/a.qmd"});
        row("help", {"--help", "x.qmd"}, Action::Help, {}, {});
        row("short help", {"-h"}, Action::Help, {}, {});
        row("version", {"--version"}, Action::Version, {}, {});
        row("a name with a dash after --", {"--", "-x.qmd"}, Action::Run, {}, {"-x.qmd"});
        row("-- and --help after it are names", {"--", "--help"}, Action::Run, {}, {"--help"});
        row("a lone dash is a name", {"-"}, Action::Run, {}, {"-"});
        row("options end at the name", {"a.qmd", "--help"}, Action::Run, {}, {"a.qmd", "--help"});
        row("Qt's options with their values",
            {"-platform", "xcb", "--style=Fusion", "-reverse", "a"}, Action::Run,
            {"-platform", "xcb", "--style=Fusion", "-reverse"}, {"a"});
        row("unknown option", {"--open", "a.qmd"}, Action::Usage, {}, {}, "unknown option --open");
        row("a Qt flag given a value", {"-reverse=yes"}, Action::Usage, {}, {},
            "unknown option -reverse=yes");
        row("Qt's option without its value", {"-platform"}, Action::Usage, {}, {},
            "-platform needs a value");
    }
    void parse() {
        QFETCH(QStringList, arguments);
        const LaunchOptions o = parseLaunchOptions(arguments);
        QTEST(int(o.action), "action");
        QTEST(o.qtArguments, "qt");
        QTEST(o.fileWords, "file");
        QTEST(o.error, "error");
    }
};

QTEST_GUILESS_MAIN(TestLaunchOptions)
#include "test_launch_options.moc"
