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
    QString out;
    QString err;
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

// TOP -> (C, " B " -> (A)) stored in slots 5, 2 and 4; slot 3 is free.
NodeTable craftedTable() {
    NodeTable t = test::treeFromOutline("TOP\n  B\n    GONE\n    A\n  C\n");
    t[2].Name = makeName(" B ");
    t[1].FirstChild = 5; // C moved to the front of TOP's children
    t[5].PrevSibling = 0;
    t[5].NextSibling = 2;
    t[2].PrevSibling = 5;
    t[2].NextSibling = 0;
    t[2].FirstChild = 4; // GONE unlinked and freed as Delete does
    t[4].PrevSibling = 0;
    t.freeSlot(3);
    return t;
}

} // namespace

class TestQmtool : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void dumpAndStats_storedOrderSurvivesImport() {
        saveTable(path("crafted.qmd"), craftedTable());
        QCOMPARE(run({"stats", path("crafted.qmd")}).out,
                 "records: 6\nNodeCount: 5\nFreeCount: 1\nitems: 3\ndepth: 2\n");
        const Run first = run({"dump", path("crafted.qmd")});
        QCOMPARE(first.code, 0);
        QCOMPARE(first.out, "TOP\n  C\n  B\n    A\n");
        QVERIFY(first.err.isEmpty());

        putFile(path("crafted.txt"), first.out.toUtf8());
        QCOMPARE(run({"import", path("crafted.txt"), path("again.qmd")}).code, 0);
        QCOMPARE(run({"dump", path("again.qmd")}).out, first.out);
        QCOMPARE(run({"stats", path("again.qmd")}).out,
                 "records: 5\nNodeCount: 4\nFreeCount: 0\nitems: 3\ndepth: 2\n");
    }

    void dumpBlankName_saysSoOnStderr() {
        NodeTable t = test::treeFromOutline("TOP\n  X\n");
        t[2].Name = makeName("   ");
        saveTable(path("blank.qmd"), t);
        const Run r = run({"dump", path("blank.qmd")});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.err.contains("1 item has a name an outline cannot hold"), qPrintable(r.err));
    }

    // Slots in outline order, as adding the items one by one would give.
    void importOutline_sameBytesAsAddingOneByOne() {
        putFile(path("add.txt"), "\xEF\xBB\xBFTOP\r\n  A\r\n    A1\r\n  B\r\n\r\n");
        QCOMPARE(run({"import", path("add.txt"), path("imported.qmd")}).code, 0);
        NodeTable t;
        t.adopt({nodeHeader(), Node{0, 2, 0, 0, 0, kSlotInUse, makeName("TOP")},
                 Node{1, 3, 0, 4, 1, kSlotInUse, makeName("A")},
                 Node{2, 0, 0, 0, 2, kSlotInUse, makeName("A1")},
                 Node{1, 0, 2, 0, 1, kSlotInUse, makeName("B")}},
                4);
        saveTable(path("added.qmd"), t);
        QCOMPARE(fileBytes(path("imported.qmd")), fileBytes(path("added.qmd")));
    }

    void importBadOutline_refused_data() {
        QTest::addColumn<QByteArray>("outline");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("reason");
        const auto row = [](const char* name, const char* outline, int line, const char* why) {
            QTest::newRow(name) << QByteArray(outline) << line << QString(why);
        };
        row("empty outline", "\n\n", 1, "empty");
        row("name of 21 characters", "TOP\n  ABCDEFGHIJKLMNOPQRSTU\n", 2, "20 characters");
        row("character outside the code page",
            "TOP\n  A\n  \xC4\x8C"
            "ESKO\n",
            3, "cannot hold");
        row("invalid UTF-8", "TOP\n  \xFF\n", 2, "UTF-8");
        row("blank line inside", "TOP\n  A\n\n  B\n", 3, "empty");
        row("odd indentation", "TOP\n   A\n", 2, "odd");
        row("skipped level", "TOP\n  A\n      B\n", 3, "skips");
        row("second top-level line", "TOP\n  A\nTWO\n", 3, "second");
        row("indented first line", "  TOP\n", 1, "indented");
    }
    void importBadOutline_refused() {
        QFETCH(QByteArray, outline);
        QFETCH(int, line);
        QFETCH(QString, reason);
        putFile(path("bad.txt"), outline);
        const Run r = run({"import", path("bad.txt"), path("bad.qmd")});
        QCOMPARE(r.code, 2);
        const QString where = QString("qmtool: %1:%2: ").arg(path("bad.txt")).arg(line);
        QVERIFY2(r.err.startsWith(where) && r.err.contains(reason), qPrintable(r.err));
        QCOMPARE(r.err.count('\n'), qsizetype(1));
        QVERIFY(!QFile::exists(path("bad.qmd")));
    }

    void importOntoExistingFile_needsForce() {
        putFile(path("tree.txt"), "TOP\n  A\n");
        putFile(path("existing.qmd"), "keep me");
        const Run refused = run({"import", path("tree.txt"), path("existing.qmd")});
        QCOMPARE(refused.code, 2);
        QVERIFY(refused.err.contains("already exists"));
        QCOMPARE(fileBytes(path("existing.qmd")), "keep me");
        QCOMPARE(run({"import", path("tree.txt"), path("existing.qmd"), "--force"}).code, 0);
        QCOMPARE(run({"dump", path("existing.qmd")}).out, "TOP\n  A\n");
    }

    // Each row patches one byte of a record of the crafted file.
    void checkFile_data() {
        QTest::addColumn<int>("record");
        QTest::addColumn<int>("offset");
        QTest::addColumn<char>("value");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("report");
        const auto row = [](const char* name, int record, int offset, char value, int code,
                            const char* report) {
            QTest::newRow(name) << record << offset << value << code << QString(report);
        };
        row("clean", 0, 0, 0, 0, "signature: ok\n");
        row("signature differs in case", 0, 18, 'q', 1, "signature: wrong\n");
        row("item outside the tree", 3, 17, char(255), 1,
            "signature: ok\nslot 3 is in use but not part of the tree\n");
        row("wrong level", 4, 16, 7, 1, "signature: ok\nslot 4: Level 7 repaired to 2\n");
        row("link beyond the last slot", 1, 4, 99, 1,
            "signature: ok\nrefused: slot 1 links to slot 99, beyond the last slot 5\n");
    }
    void checkFile() {
        QFETCH(int, record);
        QFETCH(int, offset);
        QFETCH(char, value);
        saveTable(path("check.qmd"), craftedTable());
        QByteArray bytes = fileBytes(path("check.qmd"));
        if (value != 0) // the clean row patches nothing
            bytes[record * kRecordSize + offset] = value;
        putFile(path("check.qmd"), bytes);
        const Run r = run({"check", path("check.qmd")});
        QTEST(r.code, "code");
        QTEST(r.out, "report");
    }

    void find_data() {
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("style");
        QTest::addColumn<QString>("found");
        const auto row = [](const char* name, const char* root, const char* text, const char* style,
                            const char* found) {
            QTest::newRow(name) << QString(root) << QString(text) << QString(style)
                                << QString(found);
        };
        row("exact by default", "WORLD", "APPLE", "",
            "WORLD/APPLE\nWORLD/FRUIT/APPLE\nWORLD/FRUIT/PINE/APPLE\n");
        row("exact is case-sensitive", "WORLD/FRUIT", "Apple", "exact", "WORLD/FRUIT/Apple\n");
        row("trailing space never matches", "WORLD", "APPLE ", "exact", "");
        row("text in names", "WORLD/FRUIT", "PL", "in-names",
            "WORLD/FRUIT/APPLE\nWORLD/FRUIT/APPLES\nWORLD/FRUIT/PINE/APPLE\nWORLD/FRUIT/PLUM\n");
        row("names in text", "WORLD/FRUIT", "PINEAPPLE", "names-in",
            "WORLD/FRUIT/APPLE\nWORLD/FRUIT/PINE\nWORLD/FRUIT/PINE/APPLE\n");
        row("sorted walk order", "WORLD/A", "BCD", "names-in",
            "WORLD/A/B\nWORLD/A/B/D\nWORLD/A/C\n");
        row("root itself never listed", "WORLD/A", "A", "exact", "");
        row("accented name", "WORLD", "ÜR", "in-names", "WORLD/ZÜRICH\n");
        row("slash inside a name", "WORLD/X/Y", "Z", "exact", "WORLD/X/Y/Z\n");
    }
    void find() {
        QFETCH(QString, root);
        QFETCH(QString, text);
        QFETCH(QString, style);
        saveTable(path("find.qmd"),
                  test::treeFromOutline("WORLD\n  FRUIT\n    PLUM\n    APPLES\n    APPLE\n"
                                        "    Apple\n    PINE\n      APPLE\n  APPLE\n"
                                        "  A\n    C\n    B\n      D\n  ZÜRICH\n  X/Y\n    Z\n"));
        QStringList args{"find", path("find.qmd"), root, text};
        if (!style.isEmpty())
            args << "--style" << style;
        const Run r = run(args);
        QCOMPARE(r.code, 0);
        QTEST(r.out, "found");
    }

    void badArguments_oneLineAndExit2_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const QString f = path("args.qmd");
        const auto row = [](const char* name, const QStringList& args, const QString& message) {
            QTest::newRow(name) << args << message;
        };
        row("unknown command", {"list", f}, "unknown command");
        row("missing argument", {"find", f, "WORLD"}, "usage:");
        row("unknown option", {"dump", f, "--all"}, "unknown option");
        row("option of another command", {"dump", f, "--force"}, "import");
        row("unknown style", {"find", f, "WORLD", "A", "--style", "fuzzy"}, "search style");
        row("empty search text", {"find", f, "WORLD", ""}, "empty");
        row("root not found", {"find", f, "WORLD/MARS", "A"}, "WORLD/MARS: no such item");
        row("root in another tree", {"find", f, "EARTH", "A"}, "no such");
        for (const QString& p : {path("missing.qmd"), m_dir.path()})
            row("check unreadable", {"check", p}, p + ": cannot be read: ");
    }
    void badArguments_oneLineAndExit2() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        saveTable(path("args.qmd"), test::treeFromOutline("WORLD\n  EUROPE\n"));
        const Run r = run(args);
        QCOMPARE(r.code, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.startsWith("qmtool: ") && r.err.contains(message), qPrintable(r.err));
        QCOMPARE(r.err.count('\n'), qsizetype(1));
    }

    void noArgumentsOrHelp_showUsage() {
        const Run none = run({});
        QCOMPARE(none.code, 2);
        QVERIFY(none.err.startsWith("Usage: qmtool"));
        const Run help = run({"find", "--help"});
        QCOMPARE(help.code, 0);
        QVERIFY(help.out.startsWith("Usage: qmtool"));
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
