// qmtool's commands, run in-process on files made through the store; export and import of
// OPML, Markdown and outline files: documents in the shapes other outliners write, refusals
// with their line and column, and round trips byte for byte.

#include <QtTest>

#include <random>
#include <sstream>
#include <unistd.h>

#include "store/data_file.h"
#include "store/outline.h"
#include "support/file_bytes.h"
#include "support/record_patch.h"
#include "support/tool_run.h"
#include "support/tree_checker.h"
#include "tool/commands.h"

using namespace qm;
using namespace qm::test;

namespace {

using Run = ToolRun;

Run run(const QStringList& args) {
    return runCommand([](const std::vector<std::string>& a, std::ostream& out,
                         std::ostream& err) { return runTool(a, out, err); },
                      args);
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

// TOP -> (A -> (A1, A2), B, C) in slots 1 to 6.
const char* kBase = "TOP\n  A\n    A1\n    A2\n  B\n  C\n";

// A top item over a chain of `depth` items, each the only child of the one before.
void writeChain(const QString& file, int depth) {
    QByteArray bytes(qsizetype(depth + 2) * kRecordSize, '\0');
    encodeRecord(nodeHeader(), bytes.data());
    for (int k = 1; k <= depth + 1; ++k)
        encodeRecord({k - 1, k <= depth ? k + 1 : 0, 0, 0, std::uint8_t(k - 1), kSlotInUse,
                      makeName("L" + std::to_string(k - 1))},
                     bytes.data() + k * kRecordSize);
    putFile(file, bytes);
}

// A top item over `children` children, each named by its number.
NodeTable wideTable(int children) {
    std::string outline = "TOP\n";
    for (int i = 0; i < children; ++i)
        outline += "  " + std::to_string(i) + "\n";
    return treeFromOutline(outline);
}

QString chainOutline(int depth) {
    QString outline;
    for (int k = 0; k <= depth; ++k)
        outline += QString(2 * k, ' ') + "L" + QString::number(k) + "\n";
    return outline;
}

// The findings a check lists, or those a repair lists without what it did about them.
QStringList findings(const QString& out, bool repair) {
    QStringList lines;
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts)) {
        if (line.startsWith("signature: ") || line.startsWith("result: ") ||
            line.contains(": written with "))
            continue;
        lines << (repair && !line.startsWith("notice: ") ? line.section(": ", 0, -2) : line);
    }
    return lines;
}

// Its output throws as a full memory would.
class NoMemoryBuffer : public std::streambuf {
protected:
    int overflow(int) override { throw std::bad_alloc(); }
    std::streamsize xsputn(const char*, std::streamsize) override { throw std::bad_alloc(); }
};

// Names that mean something to Markdown, XML or an outline file, and control characters.
const std::string kAwkward[] = {
    "- DASH",     "* STAR",       "1. ONE",         "# HEAD",       "<!-- C -->",
    "<?xml x?>",  "+ PLUS",       "BACK\\SLASH",    "\\x41 \\\\",   "TAB\tIN",
    "&amp; <B>",  "\"Q\" 'A'",    "Z\xDCRICH \x80", "C1\x81X \x85", "NBSP\xA0X",
    "[L](X) `C`", "*STAR* _U_ ~", "LF\nIN",         "CR\rIN",       std::string("NUL\0IN", 6),
    "ESC\x1B[1m", "DEL\x7F",
};

// Names that mean something to Markdown or XML, a tab and a C1 control inside names.
const char* const kTricky = "TOP & <CO> \"Q\"\n"
                            "  1. FIRST\n"
                            "  #TAG\n"
                            "    - DASH\n"
                            "      *STAR* _U_ `C`\n"
                            "    TAB\tIN\n"
                            "  BACK\\SLASH [L](X)\n"
                            "    ZÜRICH € ~\n"
                            "  + PLUS\n"
                            "  C1\xC2\x81X\n";

const char* const kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<opml version=\"2.0\">\n";

// `depth` outline elements each inside the one before, one a line from line 2 on.
QByteArray nested(int depth, const QByteArray& after = {}) {
    QByteArray doc = "<opml version=\"2.0\"><body>\n";
    for (int k = 0; k < depth; ++k)
        doc += "<outline text=\"L" + QByteArray::number(k) + "\">\n";
    for (int k = 0; k < depth; ++k)
        doc += "</outline>";
    return doc + after + "</body></opml>\n";
}

} // namespace

class TestQmtool : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString saveTree(const QString& name, const NodeTable& table) {
        saveTable(path(name), table);
        return path(name);
    }

private slots:
    void dumpImportDumpAndUsage_storedOrderSurvives_sampleDumps() {
        const QString crafted = path("crafted.qmd"), txt = path("crafted.txt");
        saveTable(crafted, craftedTable());
        const QByteArray craftedBytes = fileBytes(crafted);
        QCOMPARE(run({"stats", crafted}).out,
                 "records: 6\nNodeCount: 5\nFreeCount: 1\nitems: 3\ndepth: 2\n");
        const Run dump = run({"dump", crafted});
        QCOMPARE(dump.code, 0);
        QVERIFY(dump.err.isEmpty());
        QCOMPARE(dump.out, "TOP\n  C\n  B\n    A\n");
        putFile(txt, "\xEF\xBB\xBF" + dump.out.toUtf8().replace("\n", "\r\n"));
        // An existing file is replaced only when asked.
        const Run refused = run({"import", txt, crafted});
        QCOMPARE(refused.code, 1);
        QVERIFY(refused.err.contains("already exists"));
        QCOMPARE(fileBytes(crafted), craftedBytes);
        QCOMPARE(run({"import", txt, crafted, "--force"}).code, 0);
        QCOMPARE(run({"dump", crafted}).out, dump.out);
        // Slots in outline order, as adding the items one by one would give.
        saveTable(path("added.qmd"), treeFromOutline("TOP\n  C\n  B\n    A\n"));
        QCOMPARE(fileBytes(crafted), fileBytes(path("added.qmd")));
        saveTable(path("blank.qmd"), craftedTable("   "));
        const Run b = run({"dump", path("blank.qmd")});
        QCOMPARE(b.code, 0);
        QVERIFY(b.err.contains("1 item has a name an outline cannot hold"));
        const Run none = run({}), help = run({"find", "--help"}), version = run({"--version"});
        QCOMPARE(none.code, 2);
        QVERIFY(none.err.startsWith("Usage: qmtool"));
        QCOMPARE(help.code, 0);
        QVERIFY(help.out.startsWith("Usage: qmtool"));
        QCOMPARE(version.code, 0);
        QVERIFY(version.err.isEmpty());
        QVERIFY2(QRegularExpression("^qmtool \\(QuillMar\\) \\d+\\.\\d+\\.\\d+\n$")
                     .match(version.out)
                     .hasMatch(),
                 qPrintable(version.out));
        // The bundled sample checks clean and dumps to its outline.
        const QString examples = qEnvironmentVariable("QM_SOURCE_DIR") + "/examples/";
        QCOMPARE(run({"check", examples + "world.qmd"}).code, 0);
        QCOMPARE(run({"dump", examples + "world.qmd"}).out.toUtf8(),
                 fileBytes(examples + "world.txt"));
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
        row("signature differs in case", 18, 'q',
            "wrong\nresult: 1 problem; QuillMar opens this file and works around them\n");
        row("item outside the tree", 3 * 38 + 17, char(255),
            "ok\nslot 3 (GONE) is in use but cannot be reached from the top item\n"
            "slot 3 (GONE) links to slot 4 (A) as its next sibling, which is already in the tree "
            "(a loop or crossed lists)\n"
            "result: 2 problems; QuillMar opens this file and works around them\n");
        row("wrong level", 4 * 38 + 16, 7,
            "ok\nslot 4 (A) has Level 7 but lies at depth 2\n"
            "result: 1 problem; QuillMar opens this file and works around them\n");
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

    // Every problem in one run, harmless ones and those of the lost item the repair would put
    // back too; a repeated name is only a notice.
    void check_listsEveryProblemInOneRun() {
        const QString f = path("six.qmd");
        saveTable(f, treeFromOutline(kBase));
        patchRecords(f, "0.Level=1 5.PrevSibling=4 4.FirstChild=40 3.Level=9 6.InUse=7");
        // An item in use that nothing links to, and three bytes of no record.
        putFile(f, fileBytes(f) + fileBytes(f).mid(2 * kRecordSize, kRecordSize) + "xyz");
        const Run r = run({"check", f});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, "signature: wrong\n"
                        "slot 3 (A1) has Level 9 but lies at depth 2\n"
                        "slot 4 (A2) links to slot 40 as its first child, beyond the last slot 7\n"
                        "slot 5 (B) names previous sibling 4 but follows slot 2 (A)\n"
                        "slot 7 (A) is in use but cannot be reached from the top item\n"
                        "slot 7 (A) links to slot 3 (A1) as its first child, which is already in "
                        "the tree (a loop or crossed lists)\n"
                        "slot 7 (A) links to slot 5 (B) as its next sibling, which is already in "
                        "the tree (a loop or crossed lists)\n"
                        "slot 6 (C) has InUse 7, neither 0 (free) nor 255 (in use)\n"
                        "3 stray bytes follow the last whole record\n"
                        "notice: 2 children of slot 1 (TOP) are named A (the first is slot 2)\n"
                        "result: 9 problems; QuillMar cannot open this file; qmtool repair can "
                        "rescue its items\n");
        saveTable(f, treeFromOutline(kBase));
        patchRecords(f, "5.Name=A 6.Name=A");
        const Run same = run({"check", f});
        QCOMPARE(same.code, 0);
        QCOMPARE(same.out,
                 "signature: ok\nnotice: 3 children of slot 1 (TOP) are named A (the first is "
                 "slot 2)\n");
        // Names alike in their first bytes are told apart by the rest.
        saveTable(f, treeFromOutline("TOP\n  SAME START 1\n  SAME START 2\n  SAME START 1\n"));
        QCOMPARE(run({"check", f}).out, "signature: ok\nnotice: 2 children of slot 1 (TOP) are "
                                        "named SAME START 1 (the first is slot 2)\n");
    }

    // Each kind of damage: the check lists every problem the repair mends, in lost parts of
    // the tree too; the repair keeps every item whose links can be followed and writes a file
    // the check finds nothing wrong with; the damaged file stays as it was.
    void repair_data() {
        QTest::addColumn<QString>("changes");
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("outline");
        const QString base = kBase;
        const auto row = [](const char* name, const char* changes, const char* report,
                            const QString& outline) {
            QTest::newRow(name) << changes << report << outline;
        };
        row("top item names a sibling", "1.NextSibling=5", "its links cleared", base);
        row("link beyond the end", "4.NextSibling=99", "beyond the last slot 6: link cut", base);
        row("link to a free slot", "6.InUse=0", "free slot 6 as its next sibling: link cut",
            "TOP\n  A\n    A1\n    A2\n  B\n");
        row("loop in a chain", "6.NextSibling=2", "already in the tree", base);
        row("child is its grandparent", "3.FirstChild=2", "already in the tree", base);
        row("parent disagrees", "5.Parent=2", "but is listed under slot 1 (TOP): kept under", base);
        row("previous disagrees", "5.PrevSibling=6", "follows slot 2 (A): set to 2", base);
        row("top item level", "1.Level=3", "slot 1 (TOP) has Level 3 but lies at depth 0: set",
            base);
        row("odd InUse", "5.InUse=7", "slot 5 (B) has InUse 7", base);
        row("chain skips an item", "2.NextSibling=6",
            "slot 5 (B) is in use but cannot be reached from the top item: put back under slot 1",
            "TOP\n  A\n    A1\n    A2\n  C\n  B\n");
        row("top item lists no child", "1.FirstChild=-1",
            "slot 2 (A) and 4 more items with it are in use but cannot be reached from the top "
            "item: put back under slot 1 (TOP)",
            base);
        const QString lostA = "TOP\n  B\n  C\n  A\n    A1\n    A2\n";
        row("loop among lost items", "1.FirstChild=5 5.PrevSibling=0 4.NextSibling=3",
            "slot 4 (A2) links to slot 3 (A1) as its next sibling, which is already in the tree",
            lostA);
        row("wrong level among lost items", "1.FirstChild=5 5.PrevSibling=0 3.Level=7",
            "slot 3 (A1) has Level 7 but lies at depth 2: set to 2", lostA);
        row("crossed lists among lost items", "1.FirstChild=6 6.PrevSibling=0 3.NextSibling=5",
            "slot 5 (B) names parent 1 but is listed under slot 2 (A): link cut",
            "TOP\n  C\n  A\n    A1\n    A2\n  B\n");
        row("stray first child", "3.FirstChild=6",
            "slot 6 (C) names parent 1 but is listed under slot 3 (A1): link cut", base);
        row("lost ring of siblings", "1.FirstChild=0 6.NextSibling=2 2.PrevSibling=6",
            "slot 2 (A) links to slot 5 (B) as its next sibling, which is already in the tree",
            "TOP\n  B\n  C\n  A\n    A1\n    A2\n");
        row("lost item whose parent is gone", "4.Parent=9 3.NextSibling=0",
            "slot 4 (A2) is in use but cannot be reached from the top item: left out",
            "TOP\n  A\n    A1\n  B\n  C\n");
        row("deeper than 255 levels", "", "would lie deeper than 255 levels: link cut",
            chainOutline(255));
    }
    void repair() {
        QFETCH(QString, changes);
        const QString damaged = path("damaged.qmd"), repaired = path("repaired.qmd");
        if (QTest::currentDataTag() == QString("deeper than 255 levels"))
            writeChain(damaged, 256);
        else
            saveTable(damaged, treeFromOutline(kBase));
        patchRecords(damaged, changes);
        const QByteArray before = fileBytes(damaged);
        QFile::remove(repaired);
        const Run r = run({"repair", damaged, "-o", repaired});
        QCOMPARE(r.code, 0);
        QFETCH(QString, report);
        QVERIFY2(r.out.contains(report), qPrintable(r.out));
        QCOMPARE(fileBytes(damaged), before);
        QCOMPARE(findings(run({"check", damaged}).out, false), findings(r.out, true));
        QCOMPARE(run({"check", repaired}).out, QString("signature: ok\n"));
        QTEST(run({"dump", repaired}).out, "outline");
    }

    // Random links of random trees broken: the repair keeps every item the top item's links
    // lead to, its file passes the check, and the check listed what the repair mended.
    void repair_randomDamage_keepsWhatTheLinksReach() {
        std::mt19937 random(19);
        const auto below = [&](int n) { return int(random() % unsigned(n)); };
        const char* fields[] = {"Parent",      "FirstChild", "PrevSibling",
                                "NextSibling", "Level",      "InUse"};
        const QString damaged = path("random.qmd"), repaired = path("random-repaired.qmd");
        for (int round = 0; round < 100; ++round) {
            const int items = 2 + below(30);
            QString outline = "N1\n";
            for (int k = 2, depth = 0; k <= items; ++k) {
                depth = 1 + below(depth + 1);
                outline += QString(2 * depth, ' ') + 'N' + QString::number(k) + '\n';
            }
            const NodeTable tree = treeFromOutline(outline.toStdString());
            QByteArray bytes((items + 1) * kRecordSize,
                             '\0'); // written without a wait for the disk
            for (int k = 0; k <= items; ++k)
                encodeRecord(tree[k], bytes.data() + k * kRecordSize);
            putFile(damaged, bytes);
            QStringList changes;
            for (int n = 1 + below(4); n > 0; --n) {
                // Any slot's link or level, or a slot other than the top item's set free.
                const int field = below(6);
                changes << QString("%1.%2=%3")
                               .arg(field == 5 ? 2 + below(items - 1) : 1 + below(items))
                               .arg(fields[field])
                               .arg(field == 5 ? 0 : below(items + 3) - 1);
            }
            patchRecords(damaged, changes.join(' '));

            const DataRecords raw = readDataRecords(damaged.toStdString());
            const auto& nodes = raw.nodes;
            std::vector<bool> reached(nodes.size(), false);
            std::vector<std::int32_t> next{1};
            reached[1] = true;
            while (!next.empty()) {
                const std::int32_t x = next.back();
                next.pop_back();
                for (const std::int32_t to :
                     {nodes[x].FirstChild, x == 1 ? 0 : nodes[x].NextSibling}) {
                    if (to >= 1 && to <= items && nodes[to].inUse() && !reached[to]) {
                        reached[to] = true;
                        next.push_back(to);
                    }
                }
            }

            const Run r = run({"repair", damaged, "-o", repaired, "--force"});
            const QString seen = changes.join(' ') + "\n" + outline + r.out;
            QVERIFY2(r.code == 0, qPrintable(seen));
            const LoadResult back = loadDataFile(repaired.toStdString());
            QVERIFY2(back.ok, qPrintable(seen));
            for (int k = 1; k <= items; ++k) {
                QVERIFY2(!reached[k] || back.inTree[k], qPrintable(QString::number(k) + seen));
                QVERIFY(back.table[k].Name == nodes[k].Name);
            }
            QCOMPARE(run({"check", repaired}).out, QString("signature: ok\n"));
            QCOMPARE(findings(run({"check", damaged}).out, false), findings(r.out, true));
        }
    }

    // Files far too large for the memory are refused with a message, not a crash, and
    // a failed allocation anywhere ends in the same message and status 2.
    void hugeFileOrNoMemory_messageAndExit2() {
        const double memory = double(::sysconf(_SC_PHYS_PAGES)) * double(::sysconf(_SC_PAGESIZE));
        if (memory >= 80.0 * (1 << 30))
            QSKIP("this computer could hold a table for a 64 GiB file");
        const QString huge = path("huge.qmd");
        saveTable(huge, treeFromOutline(kBase));
        QVERIFY(::truncate(qPrintable(huge), qint64(64) << 30) == 0); // sparse
        for (const QStringList& args :
             {QStringList{"check", huge}, QStringList{"dump", huge}, QStringList{"stats", huge},
              QStringList{"find", huge, "TOP", "A"},
              QStringList{"repair", huge, "-o", path("r.qmd")}}) {
            const Run r = run(args);
            QCOMPARE(r.code, 2);
            QVERIFY2(r.err.startsWith("qmtool: " + huge +
                                      ": cannot be loaded: there is not enough memory"),
                     qPrintable(r.err));
        }
        QFile::remove(huge);
        saveTable(path("small.qmd"), treeFromOutline(kBase));
        NoMemoryBuffer full;
        std::ostream out(&full);
        out.exceptions(std::ios::badbit);
        std::ostringstream err;
        QCOMPARE(runTool({"dump", path("small.qmd").toStdString()}, out, err), 2);
        QCOMPARE(QString::fromStdString(err.str()),
                 "qmtool: " + path("small.qmd") + ": there is not enough memory\n");
    }

    // Long commands say how far they have come on stderr, stage by stage; what they print
    // on stdout stays the same, and a quick run says nothing more.
    void progress_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("stages");
        QTest::newRow("stats") << QStringList{"stats"} << QStringList{"loading"};
        QTest::newRow("check") << QStringList{"check"} << QStringList{"loading", "checking"};
        QTest::newRow("export") << QStringList{"export", "-o", "OUT", "--force"}
                                << QStringList{"loading", "writing"};
    }
    void progress() {
        QFETCH(QStringList, args);
        QFETCH(QStringList, stages);
        const QString file = path("wide.qmd");
        saveTable(file, wideTable(70000)); // more than a step of the check and of the export
        args.insert(1, file);
        args.replaceInStrings("OUT", path("out.txt"));
        std::vector<std::string> words;
        for (const QString& a : args)
            words.push_back(a.toStdString());
        std::ostringstream quietOut, quietErr, out, err;
        QCOMPARE(runTool(words, quietOut, quietErr, nullptr, [] { return std::int64_t(0); }), 0);
        QCOMPARE(quietErr.str(), std::string());
        std::int64_t now = 0;
        QCOMPARE(runTool(words, out, err, nullptr, [&now] { return now += 1000; }), 0);
        QCOMPARE(out.str(), quietOut.str());

        const QRegularExpression line("^qmtool: " + QRegularExpression::escape(file) +
                                      ": (\\w+) (\\d+) %$");
        QStringList seen;
        int last = 0;
        for (const QString& text :
             QString::fromStdString(err.str()).split('\n', Qt::SkipEmptyParts)) {
            const QRegularExpressionMatch m = line.match(text);
            QVERIFY2(m.hasMatch(), qPrintable(text));
            const int percent = m.captured(2).toInt();
            if (seen.isEmpty() || seen.last() != m.captured(1))
                seen << m.captured(1);
            else
                QVERIFY2(percent >= last, qPrintable(text));
            QVERIFY(percent <= 100);
            last = percent;
        }
        QCOMPARE(seen, stages);
    }

    // Nothing in the first second, then a line at most once a second.
    void toolProgress_quietThenOnceASecond() {
        std::ostringstream err;
        std::int64_t now = 0;
        ToolProgress p(err, "f.qmd", [&now] { return now; });
        p.start(200);
        for (const std::int64_t at : {500, 999, 1000, 1500, 1999, 2100}) {
            now = at;
            p.step(at / 10);
        }
        p.stage("writing");
        p.start(10);
        now = 3100;
        p.step(5);
        QCOMPARE(err.str(),
                 std::string("qmtool: f.qmd: loading 50 %\nqmtool: f.qmd: loading 100 %\n"
                             "qmtool: f.qmd: writing 50 %\n"));
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
        row("text with a leading dash after --", {"W/X/Y", "--", "-ZUG"}, "W/X/Y/-ZUG\n");
    }
    void find() {
        QFETCH(QStringList, args);
        saveTable(path("find.qmd"),
                  treeFromOutline(
                      "W\n  F\n    PLUM\n    APPLES\n    APPLE\n"
                      "    Apple\n    PINE\n      APPLE\n  APPLE\n  X/Y\n    ZÜRICH\n    -ZUG\n"));
        const Run r = run(QStringList{"find", path("find.qmd")} + args);
        QCOMPARE(r.code, 0);
        QTEST(r.out, "found");
    }

    // Import rows name the line (and column) at fault; no output file is left behind and
    // what was read stays as it was.
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
        row("option of another command", {"dump", f, "--force"},
            "--force belongs to export, import, repair and listing");
        row("unknown style", {"find", f, "W", "A", "--style", "x"}, "search style");
        row("empty search text", {"find", f, "W", ""}, "empty");
        row("root not found", {"find", f, "W/M", "A"}, "\"W/M\": no such item");
        row("check a folder", {"check", m_dir.path()}, m_dir.path() + ": cannot be read: ");
        row("output for another command", {"check", f, "-o", path("out.qmd")}, "repair");
        putFile(path("one.txt"), "ONE\n");
        row("flag with a value", {"import", path("one.txt"), path("out.qmd"), "--truncate=yes"},
            "--truncate takes no value");
        row("option without its value", {"export", f, "--format"},
            "--format needs a value: text, opml or markdown");
        row("--top for another command", {"dump", f, "--top", "X"}, "--top belongs to import");
        row("listing's option for another command", {"export", f, "--columns", "2"},
            "--columns belongs to listing");
        // A file without a top item has nothing to rescue; OUT is not optional.
        saveTable(path("keep.qmd"), treeFromOutline(kBase));
        patchRecords(path("keep.qmd"), "1.InUse=0");
        row("repair without OUT", {"repair", path("keep.qmd")}, "usage: qmtool repair FILE -o OUT");
        row("repair of a file without a top item",
            {"repair", path("keep.qmd"), "-o", path("out.qmd")}, "cannot be repaired: slot 1");
        bad("empty outline", "\n\n", ":1: the outline is empty");
        bad("name of 21 characters", "T\n  ABCDEFGHIJKLMNOPQRSTU\n", ":2: name longer than 20");
        bad("character outside the code page", "T\n  A\n  \xC4\x8C\n", ":3: name has characters");
        bad("invalid UTF-8", "T\n  \xFF\n", ":2: not valid UTF-8");
        bad("blank line inside", "T\n  A\n\n  B\n", ":3: empty name");
        bad("odd indentation", "T\n   A\n", ":2: odd indentation");
        bad("skipped level", "T\n  A\n      B\n", ":3: indentation skips");
        bad("second top-level line", "T\n  A\nTWO\n", ":3: a second top-level");
        bad("indented first line", "  T\n", ":1: the first line must not be indented");
        // User data in a message is cut short and cannot break its line or drive a terminal.
        const QString odd = path("x\n\x1b[31m" + QString(200, 'y'));
        row("path with control characters, cut", {"check", odd},
            "/x\\x0A…" + QString(29, 'y') + ": cannot be read");
        putFile(path("nul.txt"), QByteArray(20 << 20, '\0') + '\n');
        row("a line of 20 MB of NUL bytes", {"import", path("nul.txt"), path("out.qmd")},
            ":1: name longer than 20 characters: \"" + QString("\\x00").repeated(14) + "…\"");
        // Documents refused with the place of the fault, which ends the line.
        const auto doc = [&](const char* name, const QByteArray& document, const QString& message,
                             const QStringList& options = {}) {
            putFile(path(name), document);
            row(name, QStringList{"import", path(name), path("out.qmd")} + options, message + '\n');
        };
        doc("malformed", "<opml version=\"2.0\"><body>\n<outline text=\"A\">\n</body></opml>",
            ":3:7: Opening and ending tag mismatch.");
        doc("text after the document", "<opml><body><outline text=\"A\"/></body></opml>junk",
            ":1:46: Extra content at end of document.");
        doc("empty with --format opml", "", ":1: Premature end of document.", {"--format", "opml"});
        doc("not OPML", "<?xml version=\"1.0\"?><html><body/></html>",
            ":1:27: not an OPML document: its root element is <html>");
        doc("no body", "<opml><head/></opml>", ": the document has no body");
        doc("empty body", "<opml><body>  </body></opml>", ": the body holds no outline");
        const QStringList strict{"--strict"};
        doc("--strict: name over 20 characters", nested(2).replace("L1", "ABCDEFGHIJKLMNOPQRSTU"),
            ":3:38: name longer than 20 characters: \"ABCDEFGHIJKLMNOPQRSTU\"", strict);
        doc("--strict: character outside the code page, --truncate or not",
            "<opml><body>\n<outline text=\"A&#x263A;\"/></body></opml>",
            ":2:27: name has characters the data file cannot hold: \"A☺\"",
            {"--strict", "--truncate"});
        doc("--strict: outline without text", "<opml><body><outline title=\"A\"/></body></opml>",
            ":1:32: an outline element without a text attribute", strict);
        doc("--strict: blank text", "<opml><body><outline text=\"  \"/></body></opml>",
            ":1:32: empty name", strict);
        doc("--strict: empty Markdown item", "- A\n  - B\n  -\n", ":3:3: empty name", strict);
        doc("--strict: Markdown not UTF-8", "- A\n- B\xFF\n", ":2:4: not valid UTF-8", strict);
        doc("external entity in a name",
            "<!DOCTYPE opml [<!ENTITY ext SYSTEM \"file:///etc/hostname\">]>\n"
            "<opml><body><outline text=\"&ext;\"/></body></opml>",
            ":2:32: Reference to external entity 'ext' in attribute value.");
        doc("257 levels", nested(257), ":258:21: deeper than 255 levels");
        doc("256 levels below a top item", nested(256, "<outline text=\"NEXT\"/>"),
            ":257:21: deeper than 255 levels below the top item", {"--top", "T"});
        doc("Markdown without a list item", "Some text.\n",
            ": the document holds no list item or heading", {"--format", "markdown"});
        doc("unknown format", "A\n", "unknown format \"xml\"; use text, opml or markdown",
            {"--format", "xml"});
        const QByteArray external = "<?xml version=\"1.0\"?>\n<!DOCTYPE opml [<!ENTITY ext SYSTEM "
                                    "\"file:///etc/hostname\"><!ENTITY co \"A &ext;\">]>\n";
        for (const char* title : {"&ext;", "T &co;"})
            doc(qPrintable(QString("external entity in the title: ") + title),
                external + "<opml><head><title>" + title +
                    "</title></head><body><outline text=\"A\"/></body></opml>",
                ":3:19: the head's title refers to the external entity \"ext\", which is never "
                "read");
        QByteArray crowded = "<opml><body>\n<outline text=\"A\"";
        for (int k = 1; k <= 1000; ++k)
            crowded += " a" + QByteArray::number(k) + "=\"\"";
        doc("1001 attributes", crowded + "/></body></opml>",
            ":2: an element with more than 1000 attributes");
        doc("unknown escape in an outline file", "QuillMar outline, version 1\nT\n  A\\qB\n",
            ":3: a backslash that starts no escape (\\\\ or \\xNN)");
    }
    void refused_oneLineAndExit2() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const QByteArray input = fileBytes(args.value(1));
        const Run r = run(args);
        QCOMPARE(r.code, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY(!QFile::exists(path("out.qmd")));
        QCOMPARE(fileBytes(args.value(1)), input);
        QVERIFY2(r.err.startsWith("qmtool: "), qPrintable(r.err));
        QVERIFY2(r.err.count('\n') == 1, qPrintable(r.err));
        QVERIFY2(r.err.size() < 300, qPrintable(r.err));
        for (const QChar c : r.err.chopped(1))
            QVERIFY2(c >= u' ', qPrintable(r.err));
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
    }

    // Export in any format, then import telling nothing of the format, gives back the same
    // file byte for byte, with every name the format holds; the outline file, the default,
    // holds them all. The top item's name starts the document as other formats would.
    void exportImport_sameBytes_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("top");
        for (const char* format : {"", "opml", "markdown"})
            for (const char* top :
                 {"- A", "* S", "1. ONE", "# H", "<!-- C -->", "<?xml x?>", "+ P", "\\x41"})
                QTest::addRow("%s, top item %s", *format ? format : "default", top)
                    << format << QByteArray(top);
    }
    void exportImport_sameBytes() {
        QFETCH(QString, format);
        QFETCH(QByteArray, top);
        NodeTable tree = treeFromOutline("TOP\n");
        tree[1].Name = makeName(top.toStdString());
        const auto holds = [&](const std::string& name) {
            NodeTable one = treeFromOutline("T\n  N\n");
            one[2].Name = makeName(name);
            return findUnholdable(one, 1,
                                  format == "opml"       ? OutlineFormat::Opml
                                  : format == "markdown" ? OutlineFormat::Markdown
                                                         : OutlineFormat::TextFile)
                .ok;
        };
        int held = 0;
        for (const std::string& name : kAwkward) {
            if (!holds(name))
                continue;
            const std::int32_t slot = tree.Node_Alloc();
            tree[slot] = Node{1, 0, slot - 1 > 1 ? slot - 1 : 0, 0, 1, kSlotInUse, makeName(name)};
            (slot > 2 ? tree[slot - 1].NextSibling : tree[1].FirstChild) = slot;
            ++held;
        }
        QCOMPARE(held, format.isEmpty() ? int(std::size(kAwkward)) : held);
        const QString source = saveTree("source.qmd", tree);
        const QString doc = path("doc.out"), copy = path("copy.qmd");
        QFile::remove(copy);
        const QStringList as = format.isEmpty() ? QStringList() : QStringList{"--format", format};
        const Run out = run(QStringList{"export", source, "-o", doc, "--force"} + as);
        QCOMPARE(out.err, QString());
        const Run in = run({"import", doc, copy});
        QCOMPARE(in.err, QString());
        QCOMPARE(in.code, 0);
        QCOMPARE(fileBytes(copy), fileBytes(source));
        QCOMPARE(run(QStringList{"export", source} + as).out.toUtf8(), fileBytes(doc));
    }

    // Markdown renders each name as it is, and OPML nests as the tree does.
    void export_documents() {
        const QString tricky = saveTree("tricky.qmd", treeFromOutline(kTricky));
        QCOMPARE(run({"export", tricky, "--format=markdown"}).out,
                 QString("- TOP \\& \\<CO\\> \\\"Q\\\"\n"
                         "  - 1\\. FIRST\n"
                         "  - \\#TAG\n"
                         "    - \\- DASH\n"
                         "      - \\*STAR\\* \\_U\\_ \\`C\\`\n"
                         "    - TAB&#9;IN\n"
                         "  - BACK\\\\SLASH \\[L\\](X)\n"
                         "    - ZÜRICH € \\~\n"
                         "  - \\+ PLUS\n"
                         "  - C1\u0081X\n"));
        const QString small = saveTree("small.qmd", treeFromOutline("A&B\n  C\n    D\n  E\n"));
        QCOMPARE(run({"export", small, "--format", "opml"}).out,
                 QString(kHead) + "  <head>\n    <title>A&amp;B</title>\n  </head>\n  <body>\n"
                                  "    <outline text=\"A&amp;B\">\n"
                                  "      <outline text=\"C\">\n"
                                  "        <outline text=\"D\"/>\n"
                                  "      </outline>\n"
                                  "      <outline text=\"E\"/>\n"
                                  "    </outline>\n"
                                  "  </body>\n</opml>\n");
        QCOMPARE(run({"export", small}).out,
                 QString("QuillMar outline, version 1\nA&B\n  C\n    D\n  E\n"));
    }

    // The whole export is refused; nothing written, not even over a file --force replaces.
    void export_nameTheFormatCannotHold_refused_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, const char* format, const QByteArray& bad,
                            const char* message) {
            QTest::newRow(name) << format << bad << message;
        };
        row("control character in OPML", "opml", "A\001B",
            "cannot export \"TOP/MID/A\\x01B\" as OPML: its name holds a control character that "
            "XML cannot carry; nothing written");
        row("blank name in an outline file", "text", "   ",
            "cannot export \"TOP/MID/\" as an outline: its name is blank");
        row("carriage return in Markdown", "markdown", "A\rB",
            "cannot export \"TOP/MID/A\\x0DB\" as Markdown: its name holds a line break");
        row("blank name in OPML", "opml", "   ", "\"TOP/MID/\" as OPML: its name is blank");
    }
    void export_nameTheFormatCannotHold_refused() {
        QFETCH(QString, format);
        QFETCH(QByteArray, name);
        QFETCH(QString, message);
        NodeTable tree = treeFromOutline("TOP\n  MID\n    OK\n    BAD\n");
        tree[4].Name = makeName(name.toStdString());
        const QString file = saveTree("bad.qmd", tree), out = path("bad.out");
        putFile(out, "older");
        for (const QStringList& to : {QStringList(), QStringList{"-o", out, "--force"}}) {
            const Run r = run(QStringList{"export", file, "--format", format} + to);
            QCOMPARE(r.code, 2);
            QCOMPARE(r.out, QString());
            QVERIFY2(r.err.startsWith("qmtool: " + file + ": "), qPrintable(r.err));
            QVERIFY2(r.err.contains(message), qPrintable(r.err));
        }
        QCOMPARE(fileBytes(out), QByteArray("older"));
    }

    // Documents in the shapes other outliners write them, and outlines by content.
    void import_data() {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("dump");
        QTest::addColumn<QString>("warnings"); // %1 stands for the document's path
        const auto row = [](const char* name, const QByteArray& doc, const QString& dump,
                            const QStringList& options = {}, const QString& warnings = {}) {
            QTest::newRow(name) << doc << options << dump << warnings;
        };
        row("head, notes and attributes of other outliners",
            QByteArray(kHead) +
                "<!-- exported -->\n  <head>\n    <title>Projects</title>\n"
                "    <dateCreated>Mon, 01 Jan 2024 10:00:00 GMT</dateCreated>\n"
                "    <expansionState>0,2</expansionState>\n  </head>\n  <body>\n"
                "    <outline text=\"HOUSE\" _note=\"before winter\" created=\"2024-01-01\">\n"
                "      <outline text=\"ROOF\" _status=\"checked\"/>\n"
                "      <outline text=\"GARDEN\"></outline>\n    </outline>\n  </body>\n</opml>\n",
            "HOUSE\n  ROOF\n  GARDEN\n", {},
            "%1: warning: ignored what the tree does not keep: 2 elements (dateCreated, "
            "expansionState) and 3 attributes (_note, created, _status)\n");
        const QByteArray several =
            "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<opml "
            "version=\"1.0\"><head><title><![CDATA[R&D]]>"
            "</title></head><body>\n<outline text=\"  CAF&#201; &amp; CO  \"/>\n"
            "<outline text=\"B\"><outline text=\"B1\"/></outline></body></opml>";
        row("byte order mark; several top-level outlines under the title", several,
            "R&D\n  CAFÉ & CO\n  B\n    B1\n");
        row("--top before the title", several, "MINE\n  CAFÉ & CO\n  B\n    B1\n",
            {"--top", "MINE"});
        row("--top with one top-level outline", nested(1), "L0\n", {"--top", "MINE"},
            "%1: warning: the one top-level item is the top item; the top name given is not "
            "used\n");
        row("windows-1252 prolog",
            "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<opml><body>"
            "<outline text=\"Z\xDCRICH \x80\"/></body></opml>",
            "ZÜRICH €\n");
        row("entity of the document; an external one never fetched",
            "<?xml version=\"1.0\"?>\n<!DOCTYPE opml [<!ENTITY co \"Company\">"
            "<!ENTITY ext SYSTEM \"file:///etc/hostname\">]>\n<opml><body>"
            "<outline text=\"&co;\">&ext;</outline></body></opml>",
            "Company\n");
        const QByteArray utf16 = "<?xml version=\"1.0\" encoding=\"UTF-16\"?><opml><body>"
                                 "<outline text=\"\xC3\x84\"/></body></opml>";
        row("UTF-16, little-endian, no byte order mark",
            QByteArray(reinterpret_cast<const char*>(QString(utf16).utf16()), utf16.size() * 2 - 2),
            "Ä\n");
        QByteArray bigEndian; // without a declaration, which would claim little-endian
        for (const QChar c : QString(utf16).mid(utf16.indexOf("<opml")))
            bigEndian += QByteArray(1, char(c.unicode() >> 8)) + char(c.unicode() & 0xFF);
        row("UTF-16, big-endian, no byte order mark", bigEndian, "Ä\n");
        QByteArray many = "<opml><body>\n<outline text=\"A\"";
        for (int k = 1; k < 1000; ++k)
            many += " a" + QByteArray::number(k) + "=\"\"";
        row("1000 attributes, the most an element may have", many + "/></body></opml>", "A\n", {},
            "%1: warning: ignored what the tree does not keep: 999 attributes (a1, a2, a3, a4, "
            "a5, a6, ...)\n");
        const QByteArray longNames = "<opml><body>\n<outline text=\"ABCDEFGHIJKLMNOPQRSTUVWXYZ\">\n"
                                     "<outline text=\"0123456789012345678 9\"/>\n"
                                     "<outline text=\"SHORT\"/></outline></body></opml>";
        const QString cutWarnings =
            "%1:2:43: warning: name \"ABCDEFGHIJKLMNOPQRSTUVWXYZ\" cut to 20 characters: "
            "\"ABCDEFGHIJKLMNOPQRST\"\n"
            "%1:3:39: warning: name \"0123456789012345678 9\" cut to 20 characters: "
            "\"0123456789012345678\"\n";
        const QString cut = "ABCDEFGHIJKLMNOPQRST\n  0123456789012345678\n  SHORT\n";
        row("long names cut, one warning each", longNames, cut, {}, cutWarnings);
        row("--truncate: no more than that", longNames, cut, {"--truncate"}, cutWarnings);
        row("--strict --truncate: cut all the same", longNames, cut, {"--strict", "--truncate"},
            cutWarnings);
        row("several top-level outlines, no title: the file's name",
            "<opml><head/><body><outline text=\"A\"/>\n<outline text=\"B\"/></body></opml>",
            "in\n  A\n  B\n");
        row("Markdown by content", "- TOP\r\n  - A\\*B\r\n    * 1\\. X\r\n",
            "TOP\n  A*B\n    1. X\n");
        row("a list read as an outline when told", "- A\n  - B\n", "- A\n  - B\n",
            {"--format", "text"});
        row("outline lines under --top", "A\nB\n  B1\n", "T\n  A\n  B\n    B1\n", {"--top", "T"});
        row("256 levels of outlines", nested(256), chainOutline(255)); // the deepest at 255
    }
    void import() {
        QFETCH(QByteArray, document);
        QFETCH(QStringList, options);
        const QString doc = path("in.doc"), file = path("in.qmd");
        putFile(doc, document);
        const Run r = run(QStringList{"import", doc, file, "--force"} + options);
        QFETCH(QString, warnings);
        QCOMPARE(r.err, warnings.replace("%1", doc));
        QCOMPARE(r.code, 0);
        QTEST(run({"dump", file}).out, "dump");
        QCOMPARE(run({"check", file}).out, QString("signature: ok\n"));
    }
};

QTEST_GUILESS_MAIN(TestQmtool)
#include "test_qmtool.moc"
