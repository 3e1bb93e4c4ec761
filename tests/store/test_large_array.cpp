// The memory of large arrays: mapped apart, aligned and advised for huge pages, and given back
// to the system when freed.

#include <QFile>
#include <QTest>
#include <cstring>

#include "store/large_array.h"
#include "store/node.h"

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

class TestLargeArray : public QObject {
    Q_OBJECT

private slots:
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

QTEST_GUILESS_MAIN(TestLargeArray)
#include "test_large_array.moc"
