// qmtool listing: the printed listing laid out into a PDF without a window, read back with
// pdftotext; refusals leave an existing output file as it was. And the output rule every
// writing command shares.

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "support/file_bytes.h"
#include "support/pdf_text.h"
#include "support/tool_run.h"
#include "support/window_driver.h"
#include "tool/listing_command.h"

using namespace qm;
using namespace qm::test;

namespace {

using Run = ToolRun;

Run run(const QStringList& args) {
    return runCommand(runToolWithListing, args);
}

// BIG lists 300 items; names outside ASCII reach the path and the PDF intact.
QByteArray tree() {
    QByteArray outline = "TOP\n  BIG\n";
    for (int i = 1; i <= 300; ++i)
        outline += "    N" + QByteArray::number(i).rightJustified(3, '0') + '\n';
    return outline + "  ÉTÉ\n    S1\n      S1A\n    S2\n  LEAF\n";
}

} // namespace

class TestListingCommand : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_file;

    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() { m_file = writeTreeFile(m_dir, "tree.qmd", tree().constData()); }

    void listing_optionsShapeThePages_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("pages");
        QTest::newRow("defaults: two columns") << QStringList() << 3;
        QTest::newRow("one column") << QStringList{"--columns", "1"} << 5;
        QTest::newRow("one column, 12 points") << QStringList{"--columns=1", "--font-size=12"} << 6;
    }
    void listing_optionsShapeThePages() {
        QFETCH(QStringList, options);
        QFETCH(int, pages);
        const QString pdf = path("big.pdf");
        QCOMPARE(
            run(QStringList{"listing", m_file, "TOP/BIG", "-o", pdf, "--force"} + options).code, 0);
        const QString text = pdfText(pdf);
        QCOMPARE(text.count('\f'), pages);
        QVERIFY(text.contains(QString("QuillMar listing for BIG, page %1").arg(pages)));
    }

    // Indentation follows --hierarchy: three spaces of 10-point Arial are 8.33 points.
    void listing_hierarchyIndents() {
        const QString pdf = path("indent.pdf");
        QCOMPARE(run({"listing", m_file, "TOP", "-o", pdf, "--hierarchy", "3"}).code, 0);
        const QString bbox = pdfText(pdf, {"-bbox"});
        QVERIFY(bbox.contains(QRegularExpression("xMin=\"50.000000\"[^>]*>BIG<")));
        QVERIFY(bbox.contains(QRegularExpression("xMin=\"58\\.33[0-9]*\"[^>]*>N001<")));
    }

    void refusals_leaveTheOutputAlone_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("status");
        const QString out = "out.pdf";
        QTest::newRow("no such item")
            << QStringList{"TOP/NONE", "-o", out} << "qmtool: \"TOP/NONE\": no such item in " << 1;
        QTest::newRow("a leaf") << QStringList{"TOP/LEAF", "-o", out}
                                << "qmtool: \"TOP/LEAF\": has no child items to list\n"
                                << 1;
        QTest::newRow("no column fits")
            << QStringList{"TOP", "-o", out, "--font-size", "300"}
            << "qmtool: not one column fits across the page at 300" << 1;
        QTest::newRow("no output") << QStringList{"TOP"} << "qmtool: usage: qmtool listing " << 2;
        QTest::newRow("bad number") << QStringList{"TOP", "-o", out, "--columns", "2x"}
                                    << "qmtool: --columns needs a whole number from 1 to 100" << 2;
        QTest::newRow("unknown option") << QStringList{"TOP", "-o", out, "--colour"}
                                        << "qmtool: unknown option --colour; see qmtool --help\n"
                                        << 2;
        const QString missing = path("missing/out.pdf"); // its folder is not made either
        QTest::newRow("unwritable output") << QStringList{"TOP", "-o", missing}
                                           << "qmtool: " + missing + ": cannot be written: " << 1;
    }
    void refusals_leaveTheOutputAlone() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QFETCH(int, status);
        const QString out = path("out.pdf");
        putFile(out, "old");
        const QStringList words = QStringList{"listing", m_file, "--force"} +
                                  args.replaceInStrings(QRegularExpression("^out.pdf$"), out);
        const Run r = run(words);
        QCOMPARE(r.code, status);
        QVERIFY2(r.err.startsWith(message), qPrintable(r.err));
        QCOMPARE(fileBytes(out), QByteArray("old"));
        QVERIFY(!QFileInfo::exists(path("missing")));
    }

    // The program itself, with no display and no platform named: the items below the path.
    void qmtool_listsWithoutADisplay() {
        const QString pdf = path("process.pdf");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("QM_BINARY_DIR") + "/src/tool/qmtool",
                {"listing", m_file, "TOP/ÉTÉ", "-o", pdf});
        QVERIFY(p.waitForFinished(60000));
        QVERIFY(!p.readAllStandardError().contains("qmtool:")); // Qt may warn of its own
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(textLines(pdfText(pdf)),
                 QStringList({"QuillMar listing for ÉTÉ, page 1", "S1", "S1A", "S2"}));
    }

    // The one output rule of every command that writes a file: never the file it reads, by
    // any spelling or link; never a folder, a pipe or a device; never a read-only file; an
    // existing file only with --force. A refusal names the path, exits with 1, writes nothing.
    void everyWritingCommand_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("force");
        QTest::addColumn<QString>("refusal"); // empty: written
        struct Target {
            const char* kind;
            bool force;
            const char* refusal;
        };
        const Target targets[] = {
            {"input, spelt another way", true, "itself, which is being read"},
            {"input, hard link", true, "itself, which is being read"},
            {"input, symbolic link", true, "itself, which is being read"},
            {"folder", true, "it is a folder"},
            {"fifo", true, "it is a pipe (FIFO)"},
            {"device", true, "it is a device"},
            {"read-only file", true, "it is read-only"},
            {"existing file", false, "it already exists; use --force to replace it"},
            {"existing file", true, ""},
        };
        for (const char* command : {"export", "import", "repair", "listing"})
            for (const Target& t : targets)
                QTest::addRow("%s over %s%s", command, t.kind, t.force ? ", --force" : "")
                    << command << t.kind << t.force << t.refusal;
    }
    void everyWritingCommand() {
        QFETCH(QString, command);
        QFETCH(QString, target);
        QFETCH(bool, force);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        const QString data = writeTreeFile(dir, "in.qmd", "TOP\n  A\n    A1\n");
        const QString outline = dir.filePath("in.txt");
        putFile(outline, "TOP\n  B\n");
        // What the command reads, and the name of its output.
        const QString input = command == "import" ? outline : data;
        QVERIFY(QDir(dir.path()).mkdir("sub"));
        QString out = dir.filePath("out");
        if (target == "input, spelt another way") {
            out = dir.path() + "/sub/../" + QFileInfo(input).fileName();
        } else if (target == "input, hard link") {
            QVERIFY(::link(qPrintable(input), qPrintable(out)) == 0);
        } else if (target == "input, symbolic link") {
            QVERIFY(QFile::link(input, out));
        } else if (target == "read-only file" || target == "existing file") {
            putFile(out, "older");
            if (target == "read-only file")
                QVERIFY(QFile::setPermissions(out, QFile::ReadOwner));
        } else if (!makeOddFile(target, out)) {
            QSKIP("this system does not let a test make one");
        }
        const QByteArray inputBytes = fileBytes(input);
        const QList<qint64> before = fileStamp(out);

        QStringList args{command, input};
        args << (command == "import"    ? QStringList{out}
                 : command == "listing" ? QStringList{"TOP", "-o", out}
                                        : QStringList{"-o", out});
        if (force)
            args << "--force";
        const Run r = run(args);

        QCOMPARE(fileBytes(input), inputBytes);
        if (refusal.isEmpty()) {
            QCOMPARE(r.err, QString());
            QCOMPARE(r.code, 0);
            QVERIFY(fileBytes(out) != "older");
            return;
        }
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err, "qmtool: " + out + ": not written: " +
                            (refusal.startsWith("itself") ? "it is " + input + " " : QString()) +
                            refusal + "\n");
        QCOMPARE(fileStamp(out), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter("qmtmp"),
                 QStringList());
    }
};

QTEST_MAIN(TestListingCommand)
#include "test_listing_command.moc"
