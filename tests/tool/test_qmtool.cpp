// qmtool's commands, run in-process on files made through the store.

#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <sstream>

#include "store/data_file.h"
#include "store/outline.h"
#include "store/safe_file.h"
#include "tool/commands.h"

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
    Run r;
    r.code = qm::runTool(words, out, err);
    r.out = QString::fromStdString(out.str());
    r.err = QString::fromStdString(err.str());
    return r;
}

std::string readBytes(const QString& path) {
    std::string bytes, error;
    qm::readWholeFile(path.toStdString(), bytes, error);
    return bytes;
}

void writeBytes(const QString& path, const std::string& bytes) {
    std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

void saveTable(const QString& path, const qm::NodeTable& table) {
    std::string error;
    QVERIFY2(qm::saveDataFile(path.toStdString(), table, error), error.c_str());
}

void saveOutline(const QString& path, const char* outline) {
    const qm::OutlineResult parsed = qm::parseOutline(outline);
    QVERIFY2(parsed.ok, parsed.error.c_str());
    saveTable(path, parsed.table);
}

// What the Add command does: a new slot, linked as the last child.
std::int32_t addChild(qm::NodeTable& t, std::int32_t parent, const char* name) {
    const std::int32_t c = t.Node_Alloc();
    t[c].Name = qm::makeName(name);
    t[c].Parent = parent;
    t[c].Level = static_cast<std::uint8_t>(t[parent].Level + 1);
    std::int32_t last = t[parent].FirstChild;
    while (last >= 1 && t[last].NextSibling >= 1)
        last = t[last].NextSibling;
    if (last >= 1) {
        t[last].NextSibling = c;
        t[c].PrevSibling = last;
    } else {
        t[parent].FirstChild = c;
    }
    return c;
}

// TOP -> (C, " B " -> (A)) stored in slots 5, 2 and 4; slot 3 is free.
qm::NodeTable craftedTable() {
    qm::NodeTable t;
    t.resetNew(qm::makeName("TOP"));
    const std::int32_t b = addChild(t, 1, " B ");
    const std::int32_t gone = addChild(t, b, "GONE");
    addChild(t, b, "A");
    const std::int32_t c = addChild(t, 1, "C");
    t[b].NextSibling = 0; // C moved to the front of TOP's children
    t[c].PrevSibling = 0;
    t[c].NextSibling = b;
    t[b].PrevSibling = c;
    t[1].FirstChild = c;
    t[b].FirstChild = t[gone].NextSibling; // GONE unlinked and freed as Delete does
    t[t[b].FirstChild].PrevSibling = 0;
    t.freeSlot(gone);
    return t;
}

} // namespace

class TestQmtool : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void dumpCraftedFile_storedOrderSurvivesImport() {
        saveTable(path("crafted.qmd"), craftedTable());
        const Run first = run({"dump", path("crafted.qmd")});
        QCOMPARE(first.code, 0);
        QCOMPARE(first.out, QString("TOP\n  C\n  B\n    A\n"));
        QVERIFY(first.err.isEmpty());

        writeBytes(path("crafted.txt"), first.out.toStdString());
        QCOMPARE(run({"import", path("crafted.txt"), path("again.qmd")}).code, 0);
        QCOMPARE(run({"dump", path("again.qmd")}).out, first.out);
        QCOMPARE(run({"stats", path("again.qmd")}).out,
                 QString("records: 5\nNodeCount: 4\nFreeCount: 0\nitems: 3\ndepth: 2\n"));
    }

    void dumpBlankName_saysSoOnStderr() {
        qm::NodeTable t;
        t.resetNew(qm::makeName("TOP"));
        addChild(t, 1, "   ");
        saveTable(path("blank.qmd"), t);
        const Run r = run({"dump", path("blank.qmd")});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.err.contains("1 item has a name an outline cannot hold"), qPrintable(r.err));
    }

    void importOutline_sameBytesAsAddingOneByOne() {
        writeBytes(path("add.txt"), "\xEF\xBB\xBFTOP\r\n  A\r\n    A1\r\n  B\r\n\r\n");
        QCOMPARE(run({"import", path("add.txt"), path("imported.qmd")}).code, 0);
        qm::NodeTable t;
        t.resetNew(qm::makeName("TOP"));
        addChild(t, addChild(t, 1, "A"), "A1");
        addChild(t, 1, "B");
        saveTable(path("added.qmd"), t);
        QVERIFY(readBytes(path("imported.qmd")) == readBytes(path("added.qmd")));
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
        writeBytes(path("bad.txt"), outline.toStdString());
        const Run r = run({"import", path("bad.txt"), path("bad.qmd")});
        QCOMPARE(r.code, 2);
        const QString where = QString("qmtool: %1:%2: ").arg(path("bad.txt")).arg(line);
        QVERIFY2(r.err.startsWith(where) && r.err.contains(reason), qPrintable(r.err));
        QCOMPARE(r.err.count('\n'), qsizetype(1));
        QVERIFY(!QFile::exists(path("bad.qmd")));
    }

    void importOntoExistingFile_needsForce() {
        writeBytes(path("tree.txt"), "TOP\n  A\n");
        writeBytes(path("existing.qmd"), "keep me");
        const Run refused = run({"import", path("tree.txt"), path("existing.qmd")});
        QCOMPARE(refused.code, 2);
        QVERIFY(refused.err.contains("already exists"));
        QCOMPARE(readBytes(path("existing.qmd")), std::string("keep me"));

        QCOMPARE(run({"import", path("tree.txt"), path("existing.qmd"), "--force"}).code, 0);
        QCOMPARE(run({"dump", path("existing.qmd")}).out, QString("TOP\n  A\n"));
    }

    // Each row patches one byte of a record of the crafted file.
    void checkFile_data() {
        QTest::addColumn<int>("record");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("report");
        const auto row = [](const char* name, int record, int offset, int value, int code,
                            const char* report) {
            QTest::newRow(name) << record << offset << value << code << QString(report);
        };
        row("clean", -1, 0, 0, 0, "signature: ok\n");
        row("signature differs in case", 0, 18, 'q', 1, "signature: wrong\n");
        row("item outside the tree", 3, 17, 255, 1,
            "signature: ok\nslot 3 is in use but not part of the tree\n");
        row("wrong level", 4, 16, 7, 1, "signature: ok\nslot 4: Level 7 repaired to 2\n");
        row("link beyond the last slot", 1, 4, 99, 1,
            "signature: ok\nrefused: slot 1 links to slot 99, beyond the last slot 5\n");
    }
    void checkFile() {
        QFETCH(int, record);
        QFETCH(int, offset);
        QFETCH(int, value);
        saveTable(path("check.qmd"), craftedTable());
        std::string bytes = readBytes(path("check.qmd"));
        if (record >= 0)
            bytes[std::size_t(record * qm::kRecordSize + offset)] = char(value);
        writeBytes(path("check.qmd"), bytes);
        const Run r = run({"check", path("check.qmd")});
        QTEST(r.code, "code");
        QTEST(r.out, "report");
    }

    void checkUnreadable_exits2() {
        for (const QString& p : {path("missing.qmd"), m_dir.path()}) {
            const Run r = run({"check", p});
            QCOMPARE(r.code, 2);
            QVERIFY(r.out.isEmpty());
            QVERIFY2(r.err.startsWith("qmtool: " + p + ": cannot be read: "), qPrintable(r.err));
        }
    }

    void statsCraftedFile_countsFreeSlots() {
        saveTable(path("stats.qmd"), craftedTable());
        const Run r = run({"stats", path("stats.qmd")});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QString("records: 6\nNodeCount: 5\nFreeCount: 1\nitems: 3\ndepth: 2\n"));
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
        saveOutline(path("find.qmd"), "WORLD\n  FRUIT\n    PLUM\n    APPLES\n    APPLE\n"
                                      "    Apple\n    PINE\n      APPLE\n  APPLE\n"
                                      "  A\n    C\n    B\n      D\n  ZÜRICH\n  X/Y\n    Z\n");
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
        QTest::newRow("unknown command") << QStringList{"list", f} << "unknown command";
        QTest::newRow("missing argument") << QStringList{"find", f, "WORLD"} << "usage:";
        QTest::newRow("extra argument") << QStringList{"stats", f, f} << "usage:";
        QTest::newRow("unknown option") << QStringList{"dump", f, "--all"} << "unknown option";
        QTest::newRow("option of another command") << QStringList{"dump", f, "--force"} << "import";
        QTest::newRow("unknown style")
            << QStringList{"find", f, "WORLD", "A", "--style", "fuzzy"} << "search style";
        QTest::newRow("empty search text") << QStringList{"find", f, "WORLD", ""} << "empty";
        QTest::newRow("root not found")
            << QStringList{"find", f, "WORLD/MARS", "A"} << "WORLD/MARS: no such item";
        QTest::newRow("root in another tree") << QStringList{"find", f, "EARTH", "A"} << "no such";
    }
    void badArguments_oneLineAndExit2() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        saveOutline(path("args.qmd"), "WORLD\n  EUROPE\n");
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
        QVERIFY(dump.out.toStdString() == readBytes(dir + "world.txt"));
    }
};

QTEST_GUILESS_MAIN(TestQmtool)
#include "test_qmtool.moc"
