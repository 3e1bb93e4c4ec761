// Walks through the tree, in stored and in sorted order, and the paths that name its items.

#include <QTest>

#include "store/item_path.h"
#include "store/progress.h"
#include "store/sort_walk.h"
#include "store/walk.h"
#include "support/tree_checker.h"

using namespace qm;

using Slots = QList<std::int32_t>;

namespace {

// Slots: 1 WORLD, 2 EUROPE, 3 FRANCE, 4 PARIS, 5 LYON, 6 ASIA.
const char* kWorld = "WORLD\n  EUROPE\n    FRANCE\n      PARIS\n      LYON\n  ASIA\n";
// Slots: 1 T, 2 A, 3 B/C (a name), 4 A/B (a name), 5 C, 6 X\Y (a name), 7 X, 8 Y.
const char* kSeparators = "T\n  A\n    B/C\n  A/B\n    C\n  X\\Y\n  X\n    Y\n";

} // namespace

class TestWalks : public QObject {
    Q_OBJECT

private slots:
    void storedWalk_preOrderInsideSubtreeOnly() {
        // Slots: 1 top, 2 a, 3 b, 4 d, 5 c, 6 e.
        const NodeTable t = test::treeFromOutline("top\n  a\n    b\n      d\n    c\n  e\n");
        // The slots a walk visits, then its WalkCount.
        const auto storedWalk = [&t](std::int32_t start) {
            SubtreeWalk walk(t);
            Slots seen;
            for (std::int32_t n = walk.Walk_Start(start); n >= 1; n = walk.Walk_Next(n))
                seen << n;
            return seen << walk.WalkCount();
        };
        QCOMPARE(storedWalk(2), Slots({2, 3, 4, 5, 4}));
        QCOMPARE(storedWalk(3), Slots({3, 4, 2}));
        QCOMPARE(storedWalk(5), Slots({5, 1}));
        QCOMPARE(storedWalk(0), Slots({0}));
        QCOMPARE(SubtreeWalk::subtreeSize(t, 1), 6);
    }

    // Padded names, from the walk's own copy, and levels, as "name:level" here.
    void sortedWalk_descendsFirstWithLevels() {
        const NodeTable t = test::treeFromOutline("t\n  r\n    b\n      y\n      x\n    a\n  z\n");
        SortWalk walk(t);
        QStringList steps;
        for (bool more = walk.SortWalk_Start(2); more; more = walk.SortWalk_Next()) {
            QCOMPARE(walk.SortName(), t[walk.SortNod()].Name);
            steps << test::nameText(walk.SortName()) + ':' + QString::number(walk.SortLevel());
        }
        QCOMPARE(steps, (QStringList{"a:0", "b:0", "x:1", "y:1"}));
        QCOMPARE(walk.SortNod(), 0);
        QCOMPARE(walk.SortLevel(), -1);
        QVERIFY(walk.SortWalk_Start(1));
        QCOMPARE(walk.SortNod(), 2);
        QVERIFY(!walk.SortWalk_Start(7)); // a leaf leaves SortNod alone
        QCOMPARE(walk.SortNod(), 2);
    }

    // The last row goes far beyond 16 levels and 32501 children, which fixed tables would not
    // hold; equal names stay in stored order there too.
    void sortedWalk_ordersOnCharacterCodesStably_data() {
        QTest::addColumn<QString>("outline");
        QTest::addColumn<Slots>("order");
        QTest::newRow("upper case first, stable") << "r\n  d\n  A\n  b\n  A\n" << Slots{3, 5, 4, 2};
        QTest::newRow("€ after ÿ") << "r\n  €\n  ÿ\n  a\n  Z\n" << Slots{5, 4, 3, 2};
        QTest::newRow("short first, space early") << "r\n  AB\n  A\n  A B\n" << Slots{3, 4, 2};
        QString big = "top\n" + QString("  m\n").repeated(40000);
        for (int depth = 1; depth <= 255; ++depth)
            big += QString(2 * depth, ' ') + "n\n";
        Slots all;
        for (int slot = 2; slot <= 40000 + 256; ++slot)
            all << slot;
        QTest::newRow("40000 equal names, 255 levels") << big << all;
    }
    void sortedWalk_ordersOnCharacterCodesStably() {
        QFETCH(QString, outline);
        const NodeTable t = test::treeFromOutline(outline.toStdString());
        SortWalk walk(t);
        Slots seen;
        for (bool more = walk.SortWalk_Start(1); more; more = walk.SortWalk_Next()) {
            seen << walk.SortNod();
            QCOMPARE(walk.SortLevel(), t[walk.SortNod()].Level - 1);
        }
        QTEST(seen, "order");
    }

    // Sorting a very long list of children says how far it has come before the walk
    // returns the first of them, and sorts it all the same.
    void sortedWalk_longListReportsItsSort() {
        std::string outline = "top\n";
        for (int i = 0; i < 70000; ++i)
            outline += "  " + std::string(1, char('A' + i * 7 % 26)) + std::to_string(i) + "\n";
        const NodeTable t = test::treeFromOutline(outline);
        struct : Progress {
            QList<std::int64_t> heard; // a start as its negative total
            void start(std::int64_t total) override { heard << -total; }
            void step(std::int64_t done) override { heard << done; }
        } progress;
        SortWalk walk(t);
        walk.setProgress(&progress);
        QVERIFY(walk.SortWalk_Start(1));
        QCOMPARE(progress.heard.first(), -70000);
        QVERIFY(progress.heard.size() > 2);
        QVERIFY(std::is_sorted(progress.heard.begin() + 1, progress.heard.end()));
        QCOMPARE(progress.heard.last(), 70000);
        int count = 1;
        for (std::string last(walk.SortName().data(), kNameLength); walk.SortWalk_Next(); ++count) {
            const std::string name(walk.SortName().data(), kNameLength);
            QVERIFY2(last < name, name.c_str());
            last = name;
        }
        QCOMPARE(count, 70000);
    }

    // Every name trimmed; no path at all for what is not an item, never the signature's name.
    void paths_ofParisAndTop() {
        NodeTable t = test::treeFromOutline(kWorld);
        t[2].Name = makeName("  EUROPE");
        t[4].Name = makeName(" PARIS ");
        QCOMPARE(Item_Path(t, 4), std::string("WORLD/EUROPE/FRANCE/PARIS"));
        QCOMPARE(printedPath(t, 4), std::string("WORLD\\EUROPE\\FRANCE\\PARIS"));
        QCOMPARE(bookmarkPath(t, 4), std::string("\\EUROPE\\FRANCE\\PARIS"));
        QCOMPARE(Item_Path(t, 1), std::string("WORLD"));
        QCOMPARE(bookmarkPath(t, 1), std::string());
        QCOMPARE(bookmarkPath(t, 6), std::string("\\ASIA"));
        QCOMPARE(Item_Path(t, 0), std::string());
        QCOMPARE(Item_Path(t, 99), std::string());
    }

    void shortPath_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("shortened");
        QTest::newRow("57 shown whole") << 57 << false;
        QTest::newRow("58 shortened") << 58 << true;
    }
    void shortPath() {
        QFETCH(int, length);
        QFETCH(bool, shortened);
        std::string full;
        for (int i = 0; i < length; ++i)
            full += static_cast<char>('A' + i % 26);
        const std::string shown = qm::shortPath(full);
        QCOMPARE(shown, shortened ? "..." + full.substr(full.size() - 55) : full);
        QCOMPARE(shown.size(), std::min<std::size_t>(full.size(), 58));
    }

    // Item paths name the top item; bookmark paths start below it with a separator and
    // give the deepest item matched. An unmatched name never falls through to another child.
    void resolve_data() {
        QTest::addColumn<bool>("bookmark");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("item");
        QTest::addColumn<bool>("complete"); // bookmarks only
        QTest::addColumn<QString>("outline");
        const auto row = [](const char* name, bool bookmark, const char* path, int item,
                            bool complete = false, const char* outline = kWorld) {
            QTest::newRow(name) << bookmark << path << item << complete << QString(outline);
        };
        row("top", false, "WORLD", 1);
        row("deep", false, "WORLD/EUROPE/FRANCE/LYON", 5);
        row("missing", false, "WORLD/EUROPE/SPAIN", 0);
        row("other top", false, "EARTH/EUROPE", 0);
        row("name cut short", false, "WORLD/EURO", 0);
        row("trailing separator", false, "WORLD/ASIA/", 0);
        row("top name longer", false, "WORLDS", 0);
        row("empty", false, "", 0);
        row("bookmark, whole", true, "\\EUROPE\\FRANCE\\PARIS", 4, true);
        row("bookmark, child of the top", true, "\\ASIA", 6, true);
        row("bookmark, last name gone", true, "\\EUROPE\\FRANCE\\NICE", 3);
        row("bookmark, middle name gone", true, "\\EUROPE\\SPAIN\\PARIS", 2);
        row("bookmark, nothing matches", true, "\\MARS", 1);
        row("bookmark, case counts", true, "\\europe", 1);
        row("bookmark, no leading separator", true, "EUROPE", 1);
        row("bookmark, empty", true, "", 1);
        row("bookmark, below a leaf", true, "\\ASIA\\TOKYO", 6);
        // A name may hold the separator: every split is tried, first child first.
        row("separator in names, first child first", false, "T/A/B/C", 3, false, kSeparators);
        row("separator in a name", false, "T/A/B", 4, false, kSeparators);
        row("bookmark, separator in a name", true, "\\X\\Y", 6, true, kSeparators);
        row("bookmark, below a name with the separator", true, "\\X\\Y\\Z", 6, false, kSeparators);
    }
    void resolve() {
        QFETCH(bool, bookmark);
        QFETCH(QString, path);
        QFETCH(QString, outline);
        const NodeTable t = test::treeFromOutline(outline.toStdString());
        if (!bookmark) {
            QTEST(qm::resolveItemPath(t, path.toStdString()), "item");
            return;
        }
        const PathMatch m = resolveBookmarkPath(t, path.toStdString());
        QTEST(m.item, "item");
        QTEST(m.complete, "complete");
    }

    void resolve_withoutTree_findsNothing() {
        NodeTable t;
        t.resetEmpty();
        QCOMPARE(resolveBookmarkPath(t, "\\A").item, 0);
        QCOMPARE(qm::resolveItemPath(t, "A"), 0);
    }

    // Far deeper than a call stack would take one frame per level.
    void resolve_deepChain() {
        NodeTable t;
        t.resetNew(makeName("T"));
        constexpr int kDepth = 200000;
        std::int32_t deepest = 1; // a chain of items named N below the top item
        for (int i = 0; i < kDepth; ++i) {
            const std::int32_t c = t.Node_Alloc();
            t[c].Name = makeName("N");
            t[c].Parent = deepest;
            t[deepest].FirstChild = c;
            deepest = c;
        }
        const std::string path = Item_Path(t, deepest);
        QCOMPARE(path.size(), std::size_t(1 + 2 * kDepth));
        QCOMPARE(qm::resolveItemPath(t, path), deepest);
        QCOMPARE(resolveBookmarkPath(t, bookmarkPath(t, deepest)).item, deepest);
    }
};

QTEST_APPLESS_MAIN(TestWalks)
#include "test_walks.moc"
