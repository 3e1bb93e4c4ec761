#include <QTest>

#include "store/progress.h"
#include "store/sort_walk.h"
#include "store/walk.h"
#include "support/tree_checker.h"

using namespace qm;

using Slots = QList<std::int32_t>;

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
};

QTEST_APPLESS_MAIN(TestWalks)
#include "test_walks.moc"
