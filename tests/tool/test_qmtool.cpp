// qmtool's commands, run in-process on files made through the store.

#include <QTemporaryDir>
#include <QtTest>

#include <sstream>

#include "store/data_file.h"
#include "support/file_bytes.h"
#include "support/tree_checker.h"
#include "tool/commands.h"

using namespace qm;
using test::fileBytes;
using test::putFile;

namespace {

struct Run {
    int code = -1;
    QString out, err;
};

Run run(const QStringList& args) {
    std::vector<std::string> words;
    for (const QString& a : args)
        words.push_back(a.toStdString());
    std::ostringstream out, err;
    const int code = runTool(words, out, err);
    return {code, QString::fromStdString(out.str()), QString::fromStdString(err.str())};
}

void saveTable(const QString& path, const NodeTable& table) {
    std::string error;
    QVERIFY2(saveDataFile(path.toStdString(), table, error), error.c_str());
}

// A record: Parent, FirstChild, PrevSibling, NextSibling, Level, Name, InUse.
Node item(int parent, int first, int prev, int next, int level, const char* name,
          std::uint8_t inUse = kSlotInUse) {
    return {parent, first, prev, next, std::uint8_t(level), inUse, makeName(name)};
}

NodeTable tableOf(const std::vector<Node>& records) {
    NodeTable t;
    t.adopt(records, std::int32_t(records.size()) - 1);
    return t;
}

// TOP -> (C, " B " -> (A)) in slots 1, 5, 2 and 4; slot 3 was freed.
NodeTable craftedTable() {
    return tableOf({nodeHeader(), item(0, 5, 0, 0, 0, "TOP"), item(1, 4, 5, 0, 1, " B "),
                    item(2, 0, 0, 4, 2, "GONE", kSlotFree), item(2, 0, 0, 0, 2, "A"),
                    item(1, 0, 0, 2, 1, "C")});
}

const char* const kFindTree =
    "W\n  F\n    PLUM\n    APPLES\n    APPLE\n    Apple\n    PINE\n"
    "      APPLE\n  APPLE\n  A\n    C\n    B\n      D\n  ZÜRICH\n  X/Y\n    Z\n";

} // namespace

class TestQmtool : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void dumpStatsImport_storedOrderSurvives() {
        saveTable(path("crafted.qmd"), craftedTable());
        QCOMPARE(run({"stats", path("crafted.qmd")}).out,
                 "records: 6\nNodeCount: 5\nFreeCount: 1\nitems: 3\ndepth: 2\n");
        const Run dump = run({"dump", path("crafted.qmd")});
        QCOMPARE(dump.code, 0);
        QCOMPARE(dump.out, "TOP\n  C\n  B\n    A\n");
        QVERIFY(dump.err.isEmpty());
        putFile(path("crafted.txt"), "\xEF\xBB\xBF" + dump.out.toUtf8().replace("\n", "\r\n"));
        QCOMPARE(run({"import", path("crafted.txt"), path("again.qmd")}).code, 0);
        QCOMPARE(run({"stats", path("again.qmd")}).out,
                 "records: 5\nNodeCount: 4\nFreeCount: 0\nitems: 3\ndepth: 2\n");
        // Slots in outline order, as adding the items one by one would give.
        saveTable(path("added.qmd"),
                  tableOf({nodeHeader(), item(0, 2, 0, 0, 0, "TOP"), item(1, 0, 0, 3, 1, "C"),
                           item(1, 4, 2, 0, 1, "B"), item(3, 0, 0, 0, 2, "A")}));
        QCOMPARE(fileBytes(path("again.qmd")), fileBytes(path("added.qmd")));
        // An existing file is replaced only when asked.
        const QByteArray crafted = fileBytes(path("crafted.qmd"));
        const Run refused = run({"import", path("crafted.txt"), path("crafted.qmd")});
        QVERIFY(refused.code == 2 && refused.err.contains("already exists"));
        QCOMPARE(fileBytes(path("crafted.qmd")), crafted);
        QCOMPARE(run({"import", path("crafted.txt"), path("crafted.qmd"), "--force"}).code, 0);
        QCOMPARE(fileBytes(path("crafted.qmd")), fileBytes(path("added.qmd")));

        saveTable(path("blank.qmd"),
                  tableOf({nodeHeader(), item(0, 2, 0, 0, 0, "TOP"), item(1, 0, 0, 0, 1, "   ")}));
        const Run blank = run({"dump", path("blank.qmd")});
        QVERIFY(blank.code == 0 && blank.err.contains("1 item has a name an outline cannot hold"));
    }

    // Each row patches one byte of the crafted file.
    void checkFile_data() {
        QTest::addColumn<int>("at");
        QTest::addColumn<char>("value");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("report");
        const auto row = [](const char* name, int at, char value, int code, const char* report) {
            QTest::newRow(name) << at << value << code << "signature: " + QString(report);
        };
        row("clean", 0, 0, 0, "ok\n");
        row("signature differs in case", 18, 'q', 1, "wrong\n");
        row("item outside the tree", 3 * 38 + 17, char(255), 1,
            "ok\nslot 3 is in use but not part of the tree\n");
        row("wrong level", 4 * 38 + 16, 7, 1, "ok\nslot 4: Level 7 repaired to 2\n");
        row("link beyond the last slot", 38 + 4, 99, 1,
            "ok\nrefused: slot 1 links to slot 99, beyond the last slot 5\n");
    }
    void checkFile() {
        QFETCH(int, at);
        QFETCH(char, value);
        saveTable(path("check.qmd"), craftedTable());
        QByteArray bytes = fileBytes(path("check.qmd"));
        bytes[at] = value ? value : bytes[at]; // the clean row patches nothing
        putFile(path("check.qmd"), bytes);
        const Run r = run({"check", path("check.qmd")});
        QTEST(r.code, "code");
        QTEST(r.out, "report");
    }

    void find_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("found");
        const auto row = [](const char* name, const QStringList& args, const char* found) {
            QTest::newRow(name) << args << QString(found);
        };
        row("exact by default", {"W", "APPLE"}, "W/APPLE\nW/F/APPLE\nW/F/PINE/APPLE\n");
        row("text in names", {"W/F", "PL", "in-names"},
            "W/F/APPLE\nW/F/APPLES\nW/F/PINE/APPLE\nW/F/PLUM\n");
        row("names in text", {"W/F", "PINEAPPLE", "names-in"},
            "W/F/APPLE\nW/F/PINE\nW/F/PINE/APPLE\n");
        row("sorted walk order", {"W/A", "BCD", "names-in"}, "W/A/B\nW/A/B/D\nW/A/C\n");
        row("root itself never listed", {"W/A", "A", "exact"}, "");
        row("accented name", {"W", "ÜR", "in-names"}, "W/ZÜRICH\n");
        row("slash inside a name", {"W/X/Y", "Z", "exact"}, "W/X/Y/Z\n");
    }
    void find() {
        QFETCH(QStringList, args);
        saveTable(path("find.qmd"), test::treeFromOutline(kFindTree));
        if (args.size() > 2)
            args.insert(2, "--style");
        const Run r = run(QStringList{"find", path("find.qmd")} + args);
        QCOMPARE(r.code, 0);
        QTEST(r.out, "found");
    }

    // Import rows name the outline line at fault; no output file is left behind.
    void refused_oneLineAndExit2_data() {
        QTest::addColumn<QByteArray>("outline");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("message");
        const QString f = path("args.qmd");
        const auto row = [](const char* name, const QStringList& args, const QString& message) {
            QTest::newRow(name) << QByteArray() << args << QStringList{message};
        };
        const auto bad = [this](const char* name, const char* outline, int line, const char* why) {
            QTest::newRow(name) << QByteArray(outline)
                                << QStringList{"import", path("in.txt"), path("out.qmd")}
                                << QStringList{path("in.txt") + ':' + QString::number(line) + ": ",
                                               why};
        };
        row("unknown command", {"list", f}, "unknown command");
        row("missing argument", {"find", f, "W"}, "usage:");
        row("unknown option", {"dump", f, "--all"}, "unknown option");
        row("option of another command", {"dump", f, "--force"}, "import");
        row("unknown style", {"find", f, "W", "A", "--style", "x"}, "search style");
        row("empty search text", {"find", f, "W", ""}, "empty");
        row("root not found", {"find", f, "W/M", "A"}, "W/M: no such item");
        row("check a folder", {"check", m_dir.path()}, m_dir.path() + ": cannot be read: ");
        bad("empty outline", "\n\n", 1, "empty");
        bad("name of 21 characters", "T\n  ABCDEFGHIJKLMNOPQRSTU\n", 2, "20 characters");
        bad("character outside the code page", "T\n  A\n  \xC4\x8C\n", 3, "cannot hold");
        bad("invalid UTF-8", "T\n  \xFF\n", 2, "UTF-8");
        bad("blank line inside", "T\n  A\n\n  B\n", 3, "empty");
        bad("odd indentation", "T\n   A\n", 2, "odd");
        bad("skipped level", "T\n  A\n      B\n", 3, "skips");
        bad("second top-level line", "T\n  A\nTWO\n", 3, "second");
        bad("indented first line", "  T\n", 1, "indented");
    }
    void refused_oneLineAndExit2() {
        QFETCH(QByteArray, outline);
        QFETCH(QStringList, args);
        saveTable(path("args.qmd"), test::treeFromOutline("W\n  E\n"));
        putFile(path("in.txt"), outline);
        const Run r = run(args);
        QVERIFY(r.code == 2 && r.out.isEmpty() && !QFile::exists(path("out.qmd")));
        QVERIFY2(r.err.startsWith("qmtool: ") && r.err.count('\n') == 1, qPrintable(r.err));
        QFETCH(QStringList, message);
        for (const QString& part : message)
            QVERIFY2(r.err.contains(part), qPrintable(r.err));
    }

    void noArgumentsOrHelp_showUsage() {
        const Run none = run({}), help = run({"find", "--help"});
        QVERIFY(none.code == 2 && none.err.startsWith("Usage: qmtool"));
        QVERIFY(help.code == 0 && help.out.startsWith("Usage: qmtool"));
    }

    void sampleTree_dumpsToItsOutline() {
        QVERIFY2(qEnvironmentVariableIsSet("QM_SOURCE_DIR"), "run through ctest");
        const QString dir = qEnvironmentVariable("QM_SOURCE_DIR") + "/examples/";
        QCOMPARE(run({"check", dir + "world.qmd"}).code, 0);
        const Run dump = run({"dump", dir + "world.qmd"});
        QCOMPARE(dump.code, 0);
        QCOMPARE(dump.out.toUtf8(), fileBytes(dir + "world.txt"));
    }
};

QTEST_GUILESS_MAIN(TestQmtool)
#include "test_qmtool.moc"
