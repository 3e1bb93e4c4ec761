#include <QTest>

#include "store/sort_walk.h"
#include "store/walk.h"
#include "support/tree_checker.h"

using namespace qm;

namespace {

// Slots: 1 top, 2 a, 3 b, 4 d, 5 c, 6 e.
constexpr std::string_view kStored = "top\n  a\n    b\n      d\n    c\n  e\n";

QList<std::int32_t> storedWalk(const NodeTable& t, std::int32_t start, std::int32_t* count) {
    SubtreeWalk walk(t);
    QList<std::int32_t> seen;
    for (std::int32_t n = walk.Walk_Start(start); n >= 1; n = walk.Walk_Next(n))
        seen << n;
    *count = walk.WalkCount();
    return seen;
}

// Runs the sorted walk the way callers do: each step as "name:level", names trimmed.
QStringList sortedWalk(SortWalk& walk, std::int32_t root) {
    QStringList steps;
    std::string name = walk.SortWalk_Start(root);
    while (!name.empty()) {
        if (name.size() != kNameLength)
            return {"padded name expected"};
        steps << test::nameText(makeName(name)) + ':' + QString::number(walk.SortLevel());
        std::int32_t level = walk.SortLevel();
        name = walk.SortWalk_Next(level);
        if (level != walk.SortLevel())
            return {"level not updated"};
    }
    return steps;
}

} // namespace

class TestWalks : public QObject {
    Q_OBJECT

private slots:
    void storedWalk_preOrderInsideSubtreeOnly() {
        const NodeTable t = test::treeFromOutline(kStored);
        std::int32_t count = -1;
        QCOMPARE(storedWalk(t, 2, &count), (QList<std::int32_t>{2, 3, 4, 5}));
        QCOMPARE(count, 4);
        QCOMPARE(storedWalk(t, 3, &count), (QList<std::int32_t>{3, 4}));
        QCOMPARE(storedWalk(t, 5, &count), (QList<std::int32_t>{5}));
        QCOMPARE(count, 1);
        QCOMPARE(storedWalk(t, 0, &count), QList<std::int32_t>{});
        QCOMPARE(count, 0);
        QCOMPARE(SubtreeWalk::subtreeSize(t, 1), 6);
    }

    void sortedWalk_descendsFirstWithLevels() {
        NodeTable t = test::treeFromOutline("top\n  r\n    b\n      b2\n      b1\n    a\n  z\n");
        SortWalk walk(t);
        QCOMPARE(sortedWalk(walk, 2), (QStringList{"a:0", "b:0", "b1:1", "b2:1"}));
        QCOMPARE(walk.SortNod(), 0);
        QCOMPARE(walk.SortLevel(), -1);
        QCOMPARE(walk.SortRoot(), 2);
    }

    void sortedWalkOfLeaf_returnsNothingAndKeepsSortNod() {
        const NodeTable t = test::treeFromOutline("top\n  b\n  a\n");
        SortWalk walk(t);
        QVERIFY(!walk.SortWalk_Start(1).empty());
        QCOMPARE(walk.SortNod(), 3);
        QCOMPARE(walk.SortWalk_Start(2), std::string());
        QCOMPARE(walk.SortNod(), 3);
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
        QFETCH(QList<std::int32_t>, order);
        const NodeTable t = test::treeFromOutline(outline.toStdString());
        SortWalk walk(t);
        QList<std::int32_t> seen;
        for (bool more = walk.start(1); more; more = walk.next())
            seen << walk.SortNod();
        QCOMPARE(seen, order);
    }

    // Far beyond 16 levels and 32501 children, which fixed tables would not hold.
    void sortedWalk_anyDepth() {
        std::string outline = "top\n";
        for (int depth = 1; depth <= 255; ++depth)
            outline += std::string(2 * depth, ' ') + "n\n";
        const NodeTable t = test::treeFromOutline(outline);
        SortWalk walk(t);
        int expectedLevel = 0;
        for (bool more = walk.start(1); more; more = walk.next())
            QCOMPARE(walk.SortLevel(), expectedLevel++);
        QCOMPARE(expectedLevel, 255);
    }

    void sortedWalk_anyNumberOfChildren() {
        constexpr int kChildren = 40000;
        std::string outline = "top\n";
        for (int i = 0; i < kChildren; ++i)
            outline += "  k" + std::to_string((kChildren - i) % 997) + "\n";
        const NodeTable t = test::treeFromOutline(outline);
        SortWalk walk(t);
        int count = 0;
        std::int32_t prev = 0;
        for (bool more = walk.start(1); more; more = walk.next(), ++count) {
            const std::int32_t cur = walk.SortNod();
            QCOMPARE(walk.SortLevel(), 0);
            const auto name = [&](std::int32_t s) { return std::string(t[s].Name.data(), 20); };
            if (prev >= 1) // ASCII names: byte order is code order
                QVERIFY(name(prev) < name(cur) || (name(prev) == name(cur) && prev < cur));
            prev = cur;
        }
        QCOMPARE(count, kChildren);
    }
};

QTEST_APPLESS_MAIN(TestWalks)
#include "test_walks.moc"
