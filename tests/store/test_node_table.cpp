#include <QTest>
#include <random>

#include "support/tree_checker.h"

using namespace qm;

namespace {
Node clearedSlot() {
    Node n;
    n.InUse = kSlotInUse;
    n.Name = makeName("");
    return n;
}
} // namespace

class TestNodeTable : public QObject {
    Q_OBJECT

private slots:
    void newTree_soundAndAllocatesSlot2Cleared() {
        NodeTable t;
        QVERIFY(!t.hasTree());
        QM_VERIFY_TREE(t);
        t.resetNew(makeName("Top"));
        QM_VERIFY_TREE(t);
        QCOMPARE(t.NodeCount(), 1);
        QCOMPARE(t.capacity(), 1002);
        QCOMPARE(t.itemCount(), 0);
        QCOMPARE(t.Node_Alloc(), 2);
        QCOMPARE(t[2], clearedSlot());
        QCOMPARE(t.itemCount(), 1);
    }

    void allocAtMultiplesOf1000_growsKeepingRecords() {
        NodeTable t;
        t.resetNew(makeName("Top"));
        while (t.NodeCount() < 999) {
            const std::int32_t s = t.Node_Alloc();
            t[s].Parent = s; // a mark to find again after growing
        }
        QCOMPARE(t.capacity(), 1002);
        QCOMPARE(t.Node_Alloc(), 1000);
        QCOMPARE(t.capacity(), 2002);
        for (std::int32_t s = 2; s < 1000; ++s)
            QCOMPARE(t[s].Parent, s);
        QCOMPARE(t.Node_Alloc(), 1001);
        QCOMPARE(t.capacity(), 2002);
        while (t.NodeCount() < 2000)
            t.Node_Alloc();
        QCOMPARE(t.capacity(), 3002);
    }

    void allocWithFreeSlots_reusesLowestFirst() {
        NodeTable t = test::treeFromOutline("T\n  a\n  b\n  c\n  d\n  e\n  f\n  g\n");
        t.freeSlot(7); // freed slots keep their stale links and names
        t.freeSlot(4);
        t.freeSlot(4);
        QCOMPARE(t.FreeCount(), 2);
        QCOMPARE(t.Node_Alloc(), 4);
        QCOMPARE(t[4], clearedSlot());
        QCOMPARE(t.Node_Alloc(), 7);
        QCOMPARE(t.FreeCount(), 0);
        QCOMPARE(t.NodeCount(), 8);
        QCOMPARE(t.Node_Alloc(), 9);
    }

    // Whatever mix of loads, frees, reuses and allocations, Node_Alloc hands out exactly
    // the slot a scan from slot 1 would find.
    void randomAllocAndFree_matchesLowestFirstScan() {
        std::mt19937 rng(20240611);
        std::vector<Node> recs(400); // just the records: adopt sizes the table
        recs[1].InUse = kSlotInUse;
        for (int k = 2; k < 400; ++k)
            recs[k].InUse = (rng() % 3 == 0) ? kSlotFree : kSlotInUse;
        NodeTable t;
        t.adopt(recs, 399);
        QCOMPARE(t.capacity(), 1002);
        for (int step = 0; step < 20000; ++step) {
            const std::int32_t slot = 2 + std::int32_t(rng() % std::uint32_t(t.NodeCount()));
            const unsigned op = rng() % 8;
            if (op < 3 && slot <= t.NodeCount()) {
                t.freeSlot(slot);
            } else if (op == 3 && slot <= t.NodeCount()) {
                t.reuseSlot(slot);
            } else {
                std::int32_t expected = t.NodeCount() + 1;
                for (std::int32_t k = 1; k <= t.NodeCount(); ++k) {
                    if (!t[k].inUse()) {
                        expected = k;
                        break;
                    }
                }
                QCOMPARE(t.Node_Alloc(), expected);
            }
            std::int32_t free = 0;
            for (std::int32_t k = 1; k <= t.NodeCount(); ++k)
                free += t[k].inUse() ? 0 : 1;
            QCOMPARE(t.FreeCount(), free);
        }
    }
};

QTEST_APPLESS_MAIN(TestNodeTable)
#include "test_node_table.moc"
