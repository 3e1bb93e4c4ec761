// The one output rule of every qmtool command that writes a file: never the file it reads,
// by any spelling or link; never a folder, a pipe or a device; never a read-only file; an
// existing file only with --force. A refusal names the path, exits with 1 and writes nothing.

#include <QDir>
#include <QtTest>

#include "store/data_file.h"
#include "support/file_bytes.h"
#include "support/tool_run.h"
#include "support/window_driver.h"
#include "tool/listing_command.h"

using namespace qm;
using namespace qm::test;

class TestOutputRule : public QObject {
    Q_OBJECT

private slots:
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
        const ToolRun r = runCommand(runToolWithListing, args);

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

QTEST_MAIN(TestOutputRule)
#include "test_output_rule.moc"
