// qmtool listing: the printed listing laid out into a PDF without a window, read back with
// pdftotext; refusals leave an existing output file as it was.

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

    void listing_writesTheItemsBelowThePath() {
        const QString pdf = path("ete.pdf");
        const Run r = run({"listing", m_file, "TOP/ÉTÉ", "-o", pdf});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.code, 0);
        const QString text = pdfText(pdf);
        QCOMPARE(textLines(text),
                 QStringList({"QuillMar listing for ÉTÉ, page 1", "S1", "S1A", "S2"}));
    }

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
    }

    void unwritableOutput_refused() {
        const QString out = path("missing/out.pdf");
        const Run r = run({"listing", m_file, "TOP", "-o", out});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.startsWith("qmtool: " + out + ": cannot be written: "), qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(path("missing")));
    }

    // The program itself, with no display and no platform named.
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
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(pdfText(pdf).contains("QuillMar listing for ÉTÉ, page 1"));
    }
};

QTEST_MAIN(TestListingCommand)
#include "test_listing_command.moc"
