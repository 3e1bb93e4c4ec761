// qmtool's commands, run in-process on files made through the store.

#include <QtTest>

#include "store/data_file.h"
#include "support/file_bytes.h"
#include "support/tool_run.h"
#include "support/tree_checker.h"
#include "tool/commands.h"

using namespace qm;
using namespace qm::test;

namespace {

using Run = ToolRun;

Run run(const QStringList& args) {
    return runCommand(runTool, args);
}

void saveTable(const QString& path, const NodeTable& table) {
    std::string error;
    QVERIFY2(saveDataFile(path.toStdString(), table, error), error.c_str());
}

// TOP -> (C, " B " -> (A)) in slots 1, 5, 2 and 4; slot 3 was freed. A's name can be changed.
// Records: Parent, FirstChild, PrevSibling, NextSibling, Level, InUse, Name.
NodeTable craftedTable(const char* a = "A") {
    NodeTable t;
    // clang-format off
    t.adopt({nodeHeader(),                                {0, 5, 0, 0, 0, kSlotInUse, makeName("TOP")},
             {1, 4, 5, 0, 1, kSlotInUse, makeName(" B ")}, {2, 0, 0, 4, 2, kSlotFree, makeName("GONE")},
             {2, 0, 0, 0, 2, kSlotInUse, makeName(a)}  ,   {1, 0, 0, 2, 1, kSlotInUse, makeName("C")}}, 5);
    // clang-format on
    return t;
}

} // namespace

class TestQmtool : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void dumpImportDumpAndUsage_storedOrderSurvives() {
        const QString crafted = path("crafted.qmd"), txt = path("crafted.txt");
        saveTable(crafted, craftedTable());
        const QByteArray craftedBytes = fileBytes(crafted);
        QCOMPARE(run({"stats", crafted}).out,
                 "records: 6\nNodeCount: 5\nFreeCount: 1\nitems: 3\ndepth: 2\n");
        const Run dump = run({"dump", crafted});
        QVERIFY(dump.code == 0 && dump.err.isEmpty());
        QCOMPARE(dump.out, "TOP\n  C\n  B\n    A\n");
        putFile(txt, "\xEF\xBB\xBF" + dump.out.toUtf8().replace("\n", "\r\n"));
        // An existing file is replaced only when asked.
        const Run refused = run({"import", txt, crafted});
        QVERIFY(refused.code == 2 && refused.err.contains("already exists"));
        QCOMPARE(fileBytes(crafted), craftedBytes);
        QCOMPARE(run({"import", txt, crafted, "--force"}).code, 0);
        QCOMPARE(run({"dump", crafted}).out, dump.out);
        // Slots in outline order, as adding the items one by one would give.
        saveTable(path("added.qmd"), treeFromOutline("TOP\n  C\n  B\n    A\n"));
        QCOMPARE(fileBytes(crafted), fileBytes(path("added.qmd")));

        saveTable(path("blank.qmd"), craftedTable("   "));
        const Run b = run({"dump", path("blank.qmd")});
        QVERIFY(b.code == 0 && b.err.contains("1 item has a name an outline cannot hold"));

        const Run none = run({}), help = run({"find", "--help"});
        QVERIFY(none.code == 2 && none.err.startsWith("Usage: qmtool"));
        QVERIFY(help.code == 0 && help.out.startsWith("Usage: qmtool"));
    }

    // Each row patches one byte of the crafted file; the clean row keeps its value.
    void checkFile_data() {
        QTest::addColumn<int>("at");
        QTest::addColumn<char>("value");
        QTest::addColumn<QString>("report");
        const auto row = [](const char* name, int at, char value, const char* report) {
            QTest::newRow(name) << at << value << "signature: " + QString(report);
        };
        row("clean", 4 * 38 + 16, 2, "ok\n");
        row("signature differs in case", 18, 'q', "wrong\n");
        row("item outside the tree", 3 * 38 + 17, char(255),
            "ok\nslot 3 is in use but not part of the tree\n");
        row("wrong level", 4 * 38 + 16, 7, "ok\nslot 4: Level 7 repaired to 2\n");
        row("link beyond the last slot", 38 + 4, 99,
            "ok\nrefused: slot 1 links to slot 99, beyond the last slot 5\n");
    }
    void checkFile() {
        QFETCH(int, at);
        QFETCH(char, value);
        saveTable(path("check.qmd"), craftedTable());
        putFile(path("check.qmd"), fileBytes(path("check.qmd")).replace(at, 1, &value, 1));
        const Run r = run({"check", path("check.qmd")});
        QCOMPARE(r.code, r.out == "signature: ok\n" ? 0 : 1); // 1 for any finding
        QTEST(r.out, "report");
    }

    void bundledSample_checksCleanAndDumpsToItsOutline() {
        const QString examples = qEnvironmentVariable("QM_SOURCE_DIR") + "/examples/";
        QCOMPARE(run({"check", examples + "world.qmd"}).code, 0);
        QCOMPARE(run({"dump", examples + "world.qmd"}).out.toUtf8(),
                 fileBytes(examples + "world.txt"));
    }

    void find_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("found");
        const auto row = [](const char* name, const QStringList& args, const char* found) {
            QTest::newRow(name) << args << QString(found);
        };
        row("exact by default", {"W", "APPLE"}, "W/APPLE\nW/F/APPLE\nW/F/PINE/APPLE\n");
        row("text in names", {"W/F", "PL", "--style", "in-names"},
            "W/F/APPLE\nW/F/APPLES\nW/F/PINE/APPLE\nW/F/PLUM\n");
        row("names in text, root not listed", {"W/F", "PINEAPPLEF", "--style", "names-in"},
            "W/F/APPLE\nW/F/PINE\nW/F/PINE/APPLE\n");
        row("slash and accent in names", {"W/X/Y", "ZÜRICH", "--style", "exact"}, "W/X/Y/ZÜRICH\n");
    }
    void find() {
        QFETCH(QStringList, args);
        saveTable(
            path("find.qmd"),
            treeFromOutline("W\n  F\n    PLUM\n    APPLES\n    APPLE\n"
                            "    Apple\n    PINE\n      APPLE\n  APPLE\n  X/Y\n    ZÜRICH\n"));
        const Run r = run(QStringList{"find", path("find.qmd")} + args);
        QCOMPARE(r.code, 0);
        QTEST(r.out, "found");
    }

    // Import rows name the outline line at fault; no output file is left behind.
    void refused_oneLineAndExit2_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const QString f = path("args.qmd");
        saveTable(f, treeFromOutline("W\n  E\n"));
        const auto row = [](const char* name, const QStringList& args, const QString& message) {
            QTest::newRow(name) << args << message;
        };
        const auto bad = [&](const char* name, const char* outline, const char* message) {
            putFile(path(name), outline); // each row imports its own file
            row(name, {"import", path(name), path("out.qmd")}, path(name) + message);
        };
        row("unknown command", {"list", f}, "unknown command");
        row("missing argument", {"find", f, "W"}, "usage:");
        row("unknown option", {"dump", f, "--all"}, "unknown option");
        row("option of another command", {"dump", f, "--force"}, "import");
        row("unknown style", {"find", f, "W", "A", "--style", "x"}, "search style");
        row("empty search text", {"find", f, "W", ""}, "empty");
        row("root not found", {"find", f, "W/M", "A"}, "W/M: no such item");
        row("check a folder", {"check", m_dir.path()}, m_dir.path() + ": cannot be read: ");
        bad("empty outline", "\n\n", ":1: the outline is empty");
        bad("name of 21 characters", "T\n  ABCDEFGHIJKLMNOPQRSTU\n", ":2: name longer than 20");
        bad("character outside the code page", "T\n  A\n  \xC4\x8C\n", ":3: name has characters");
        bad("invalid UTF-8", "T\n  \xFF\n", ":2: not valid UTF-8");
        bad("blank line inside", "T\n  A\n\n  B\n", ":3: empty name");
        bad("odd indentation", "T\n   A\n", ":2: odd indentation");
        bad("skipped level", "T\n  A\n      B\n", ":3: indentation skips");
        bad("second top-level line", "T\n  A\nTWO\n", ":3: a second top-level");
        bad("indented first line", "  T\n", ":1: the first line must not be indented");
    }
    void refused_oneLineAndExit2() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Run r = run(args);
        QVERIFY(r.code == 2 && r.out.isEmpty() && !QFile::exists(path("out.qmd")));
        QVERIFY2(r.err.startsWith("qmtool: ") && r.err.count('\n') == 1, qPrintable(r.err));
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
    }
};

QTEST_GUILESS_MAIN(TestQmtool)
#include "test_qmtool.moc"
