// The Find window's result lines as a model, and their printed list on a recording surface.

#include <QAbstractItemModelTester>
#include <QTest>

#include "find/found_list.h"
#include "support/recording_surface.h"

using namespace qm;
using namespace qm::test;

namespace {

QStringList numbered(int count) {
    QStringList paths;
    for (int i = 1; i <= count; ++i)
        paths << QStringLiteral("TOP\\ITEM%1").arg(i);
    return paths;
}

// The recording surface's lines are FontSize × 20 high: the header takes three 16-point lines
// from 800 down to 1760, then each 9-point line 180. A page this high holds `lines` of them
// before CurrentY + 1000 reaches it.
double heightFor(int lines) {
    return 1760 + 180.0 * lines + 1000;
}

QString header(const QString& text, int page) {
    return QStringLiteral("1400,800 16 QuillMar items found matching %1, page %2")
        .arg(text)
        .arg(page);
}

} // namespace

class TestFoundList : public QObject {
    Q_OBJECT

private slots:
    void model_batchedAppendsAndClear() {
        FoundList list;
        QAbstractItemModelTester tester(&list,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        std::vector<FoundList::Line> batch{{"A/B", {2, 1}}, {"A/C", {3, 1}}};
        list.append(batch);
        QVERIFY(batch.empty());
        batch.push_back({"...X", {9, 4}});
        list.append(batch);
        list.append(batch); // nothing left to add
        QCOMPARE(list.rowCount(), 3);
        QCOMPARE(list.index(2).data().toString(), QStringLiteral("...X"));
        QCOMPARE(list.index(2).data(FoundList::SlotRole).toInt(), 9);
        QCOMPARE(list.line(2).item.generation, 4u);
        list.clear();
        QCOMPARE(list.rowCount(), 0);
    }

    void print_hundredLines_twoPagesEmblemOnFirstOnly() {
        RecordingSurface s(PageSurface::Twips, 11900, heightFor(60));
        QVERIFY(printFoundList(s, QStringLiteral("PL"), numbered(100)));
        QCOMPARE(s.pages(), 2);
        QCOMPARE(s.FontName(), QStringLiteral("arial"));
        QCOMPARE(s.pictures(1), QStringList({"ImIc1 350,600"}));
        QVERIFY(s.pictures(2).isEmpty());
        const QStringList one = s.texts(1);
        const QStringList two = s.texts(2);
        QCOMPARE(one.size(), 1 + 60);
        QCOMPARE(one.at(0), header("PL", 1));
        QCOMPARE(one.at(1), QStringLiteral("800,1760 9 TOP\\ITEM1"));
        QCOMPARE(one.last(), QStringLiteral("800,%1 9 TOP\\ITEM60").arg(1760 + 180 * 59));
        QCOMPARE(two.size(), 1 + 40);
        QCOMPARE(two.at(0), header("PL", 2));
        QCOMPARE(two.at(1), QStringLiteral("800,1760 9 TOP\\ITEM61"));
        QCOMPARE(two.last(), QStringLiteral("800,%1 9 TOP\\ITEM100").arg(1760 + 180 * 39));
    }

    void print_pageBreaks_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("pages");
        QTest::newRow("none: the header alone") << 0 << 1;
        QTest::newRow("one page exactly full") << 60 << 1;
        QTest::newRow("one more") << 61 << 2;
        QTest::newRow("three pages") << 121 << 3;
    }
    // A full page is ended only when a line follows: never a sheet with a header alone.
    void print_pageBreaks() {
        QFETCH(int, lines);
        QFETCH(int, pages);
        RecordingSurface s(PageSurface::Twips, 11900, heightFor(60));
        QVERIFY(printFoundList(s, QStringLiteral("X"), numbered(lines)));
        QCOMPARE(s.pages(), pages);
        for (int p = 1; p <= pages; ++p)
            QCOMPARE(s.texts(p).first(), header("X", p));
    }

    void print_refusedPage_reportsFailure() {
        RecordingSurface s(PageSurface::Twips, 11900, heightFor(60));
        s.pageLimit = 1;
        QVERIFY(!printFoundList(s, QStringLiteral("X"), numbered(61)));
    }
};

QTEST_MAIN(TestFoundList)
#include "test_found_list.moc"
