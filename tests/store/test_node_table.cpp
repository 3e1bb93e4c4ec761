#include <QTest>
#include <random>

#include "store/tree_edit.h"
#include "support/tree_checker.h"

using namespace qm;

class TestNodeTable : public QObject {
    Q_OBJECT

private slots:
    void alloc_clearsAndReusesLowestFreeSlotFirst() {
        NodeTable t = test::treeFromOutline("T\n  a\n  b\n  c\n  d\n  e\n  f\n  g\n");
        t.freeSlot(7); // freed slots keep their stale links and names
        t.freeSlot(4);
        t.freeSlot(4);
        QCOMPARE(t.FreeCount(), 2);
        QCOMPARE(t.Node_Alloc(), 4);
        QCOMPARE(t[4], (Node{0, 0, 0, 0, 0, kSlotInUse, makeName("")}));
        QCOMPARE(t.Node_Alloc(), 7);
        QCOMPARE(t.Node_Alloc(), 9);
    }

    // A kept slot holds its item through a rename and an undone delete, never once the slot
    // was freed or handed to another item; a new table forgets every generation.
    void keptSlot_toldApartOnceFreedOrReused() {
        NodeTable t = test::treeFromOutline("T\n  a\n    b\n  c\n");
        const KeptSlot a = t.keep(2), b = t.keep(3);
        t[2].Name = makeName("RENAMED");
        QVERIFY(t.holds(a));
        QCOMPARE(deleteSubtree(t, 2), 2);
        QVERIFY(!t.holds(a));
        QVERIFY(!t.holds(b));
        QCOMPARE(restoreSubtree(t, 2), 2);
        QVERIFY(t.holds(a));
        QVERIFY(t.holds(b));
        const KeptSlot c = t.keep(4);
        QCOMPARE(removeLastChild(t, 4), 1);
        QCOMPARE(t.Node_Alloc(), 4); // the slot in use again, for another item
        QVERIFY(!t.holds(c));
        QVERIFY(t.holds(t.keep(4)));
        t.resetNew(makeName("T"));
        QCOMPARE(t.generation(4), 0u);
    }

    void allocAtMultiplesOf1000_growsKeepingRecords() {
        NodeTable t;
        t.resetNew(makeName("Top"));
        for (std::int32_t s = 2; s < 1000; ++s)
            t[t.Node_Alloc()].Parent = s; // a mark to find again after growing
        QCOMPARE(t.capacity(), 1002);
        QCOMPARE(t.Node_Alloc(), 1000);
        QCOMPARE(t.capacity(), 2002);
        for (std::int32_t s = 2; s < 1000; ++s)
            QCOMPARE(t[s].Parent, s);
    }

    // Whatever mix of loads, frees, reuses and allocations, Node_Alloc hands out exactly
    // the slot a scan from slot 1 would find.
    void randomAllocAndFree_matchesLowestFirstScan() {
        std::mt19937 rng(20240611);
        NodeSlots recs(400); // just the records: adopt sizes the table
        for (int k = 1; k < 400; ++k)
            recs[k].InUse = (k > 1 && rng() % 3 == 0) ? kSlotFree : kSlotInUse;
        NodeTable t;
        t.adopt(recs, 399);
        for (int step = 0; step < 20000; ++step) {
            const std::int32_t slot = 2 + std::int32_t(rng() % std::uint32_t(t.NodeCount()));
            const unsigned op = rng() % 8;
            const auto first = t.records().begin() + 1, end = first + t.NodeCount();
            QCOMPARE(t.FreeCount(),
                     std::int32_t(std::count_if(first, end, [](auto& n) { return !n.inUse(); })));
            const auto firstFree = std::find_if(first, end, [](auto& n) { return !n.inUse(); });
            if (op < 3 && slot <= t.NodeCount())
                t.freeSlot(slot);
            else if (op == 3 && slot <= t.NodeCount())
                t.reuseSlot(slot);
            else
                QCOMPARE(t.Node_Alloc(), std::int32_t(firstFree - first) + 1);
        }
    }
};

QTEST_APPLESS_MAIN(TestNodeTable)
#include "test_node_table.moc"
