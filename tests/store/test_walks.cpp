#include <QTest>

#include "store/sort_walk.h"
#include "store/walk.h"
#include "support/tree_checker.h"

using namespace qm;

namespace {

// The slots a stored-order walk visits, then its WalkCount.
QList<std::int32_t> storedWalk(const NodeTable& t, std::int32_t start) {
    SubtreeWalk walk(t);
    QList<std::int32_t> seen;
    for (std::int32_t n = walk.Walk_Start(start); n >= 1; n = walk.Walk_Next(n))
        seen << n;
    return seen << walk.WalkCount();
}

} // namespace

class TestWalks : public QObject {
    Q_OBJECT

private slots:
    void storedWalk_preOrderInsideSubtreeOnly() {
        // Slots: 1 top, 2 a, 3 b, 4 d, 5 c, 6 e.
        const NodeTable t = test::treeFromOutline("top\n  a\n    b\n      d\n    c\n  e\n");
        QCOMPARE(storedWalk(t, 2), (QList<std::int32_t>{2, 3, 4, 5, 4}));
        QCOMPARE(storedWalk(t, 3), (QList<std::int32_t>{3, 4, 2}));
        QCOMPARE(storedWalk(t, 5), (QList<std::int32_t>{5, 1}));
        QCOMPARE(storedWalk(t, 0), (QList<std::int32_t>{0}));
        QCOMPARE(SubtreeWalk::subtreeSize(t, 1), 6);
    }

    // Callers get padded names and the level through the reference, as "name:level" here.
    void sortedWalk_descendsFirstWithLevels() {
        const NodeTable t =
            test::treeFromOutline("top\n  r\n    b\n      b2\n      b1\n    a\n  z\n");
        SortWalk walk(t);
        QStringList steps;
        for (std::string name = walk.SortWalk_Start(2); !name.empty();) {
            QCOMPARE(name.size(), std::size_t(kNameLength));
            steps << test::nameText(makeName(name)) + ':' + QString::number(walk.SortLevel());
            std::int32_t level = walk.SortLevel();
            name = walk.SortWalk_Next(level);
            QCOMPARE(level, walk.SortLevel());
        }
        QCOMPARE(steps, (QStringList{"a:0", "b:0", "b1:1", "b2:1"}));
        QCOMPARE(walk.SortNod(), 0);
        QCOMPARE(walk.SortRoot(), 2);
        QCOMPARE(walk.SortWalk_Start(1).substr(0, 2), std::string("r "));
        QCOMPARE(walk.SortWalk_Start(7), std::string()); // a leaf leaves SortNod alone
        QCOMPARE(walk.SortNod(), 2);
    }

    void sortedWalk_ordersOnCharacterCodesStably_data() {
        QTest::addColumn<QString>("outline");
        QTest::addColumn<QList<std::int32_t>>("order");
        QTest::newRow("upper case first, equal names in stored order")
            << "r\n  delta\n  Alpha\n  beta\n  Alpha\n"
            << QList<std::int32_t>{3, 5, 4, 2};
        QTest::newRow("euro sign after y diaeresis") << "r\n  €uro\n  ÿ\n  apple\n  Zed\n"
                                                     << QList<std::int32_t>{5, 4, 3, 2};
        QTest::newRow("padded names: shorter first, inner space early")
            << "r\n  AB\n  A\n  A B\n"
            << QList<std::int32_t>{3, 4, 2};
    }
    void sortedWalk_ordersOnCharacterCodesStably() {
        QFETCH(QString, outline);
        const NodeTable t = test::treeFromOutline(outline.toStdString());
        SortWalk walk(t);
        QList<std::int32_t> seen;
        for (bool more = walk.start(1); more; more = walk.next())
            seen << walk.SortNod();
        QTEST(seen, "order");
    }

    // Far beyond 16 levels and 32501 children, which fixed tables would not hold.
    void sortedWalk_anyDepthAndNumberOfChildren() {
        constexpr int kChildren = 40000;
        std::string outline = "top\n";
        for (int i = 0; i < kChildren; ++i)
            outline += "  m\n";
        for (int depth = 1; depth <= 255; ++depth)
            outline += std::string(2 * depth, ' ') + "n\n";
        const NodeTable t = test::treeFromOutline(outline);
        SortWalk walk(t);
        int count = 0;
        for (bool more = walk.start(1); more; more = walk.next(), ++count) {
            QCOMPARE(walk.SortLevel(), count < kChildren ? 0 : count - kChildren);
            if (count < kChildren) // equal names in stored order
                QCOMPARE(walk.SortNod(), count + 2);
        }
        QCOMPARE(count, kChildren + 255);
    }
};

QTEST_APPLESS_MAIN(TestWalks)
#include "test_walks.moc"
