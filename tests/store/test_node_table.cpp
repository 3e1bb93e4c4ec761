// The node table: slots handed out and kept, and the large arrays that hold its records,
// mapped apart, aligned and advised for huge pages, and given back when freed.

#include <QFile>
#include <QTest>
#include <cstring>
#include <random>

#include "store/large_array.h"
#include "store/tree_edit.h"
#include "support/tree_checker.h"

using namespace qm;

namespace {

// The VmFlags the kernel lists for the mapping that holds `address`; null when none does.
QByteArray mappingFlags(const void* address) {
    QFile smaps(QStringLiteral("/proc/self/smaps"));
    if (!smaps.open(QIODevice::ReadOnly))
        return {};
    const auto at = reinterpret_cast<quintptr>(address);
    bool inside = false;
    for (QByteArray line; !(line = smaps.readLine()).isEmpty();) {
        const int dash = line.indexOf('-');
        const int space = line.indexOf(' ');
        bool isRange = false;
        if (dash > 0 && space > dash) {
            const quintptr start = line.left(dash).toULongLong(&isRange, 16);
            const quintptr end = line.mid(dash + 1, space - dash - 1).toULongLong(nullptr, 16);
            if (isRange)
                inside = at >= start && at < end;
        }
        if (inside && line.startsWith("VmFlags:"))
            return line.mid(8).trimmed();
    }
    return {};
}

} // namespace

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

    void largeArray_alignedAdvisedAndGivenBack() {
        const std::size_t bytes = 3 * kLargeArrayBytes + 12345;
        auto* memory = static_cast<char*>(allocateLarge(bytes));
        // Only whole 2 MiB stretches on their boundaries can be backed by huge pages.
        QCOMPARE(reinterpret_cast<quintptr>(memory) % kLargeArrayBytes, quintptr(0));
        std::memset(memory, 0x5A, bytes);
        const QByteArray flags = mappingFlags(memory);
        QVERIFY(!flags.isNull());
        if (QFile::exists(QStringLiteral("/sys/kernel/mm/transparent_hugepage/enabled")))
            QVERIFY2(flags.split(' ').contains("hg"), flags.constData());
        releaseLarge(memory, bytes);
        QVERIFY(mappingFlags(memory).isNull());
    }

    // Growing from heap memory into a mapping and back keeps every item, and each block goes
    // back the way it came (a sanitizer build tells a mismatch).
    void vector_growsAndShrinksAcrossTheThreshold() {
        LargeVector<Node> v;
        const std::size_t n = 2 * kLargeArrayBytes / sizeof(Node);
        for (std::size_t i = 0; i < n; ++i)
            v.push_back(Node{static_cast<std::int32_t>(i)});
        v.resize(1000);
        v.shrink_to_fit();
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < v.size(); ++i)
            wrong += v[i].Parent != static_cast<std::int32_t>(i);
        QCOMPARE(wrong, std::size_t(0));
    }
};

QTEST_APPLESS_MAIN(TestNodeTable)
#include "test_node_table.moc"
