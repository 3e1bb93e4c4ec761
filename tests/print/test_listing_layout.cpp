// The listing layout on a recording surface whose metrics make every position a round number:
// at FontSize 10 a character is 100 wide and a line 200 high, the bold 20-point header 400.

#include <QTest>

#include "print/listing_layout.h"
#include "support/recording_surface.h"
#include "support/tree_checker.h"

using namespace qm;
using namespace qm::test;

namespace {

constexpr double kA4Width = 11900;

struct Laid {
    RecordingSurface surface;
    ListingResult result;
};

// The listing of `item` on pages `width` × `height`, the column sample measured as the
// surface measures it at the FontSize setting.
Laid layOut(const QByteArray& outline, ListingSettings settings, double height,
            int mode = PageSurface::Twips, std::int32_t item = 1, double width = kA4Width) {
    const NodeTable t = treeFromOutline(outline.toStdString());
    Laid laid{RecordingSurface(mode, width, height), ListingResult::Done};
    const double sample = 26.0 * settings.FontSize * 10;
    laid.result = layOutListing(laid.surface, t, item, settings, width, sample);
    return laid;
}

// "TOP" with children C01, C02, ... in one level.
QByteArray flatTree(int count) {
    QByteArray outline = "TOP\n";
    for (int i = 1; i <= count; ++i)
        outline += "  C" + QByteArray::number(i).rightJustified(2, '0') + '\n';
    return outline;
}

const QString kHeader1 = "1400,800 20b QuillMar listing for TOP";

} // namespace

class TestListingLayout : public QObject {
    Q_OBJECT

private slots:
    void childrenOnly_noIndentationNoLines() {
        const Laid l = layOut("TOP\n  B\n  A\n  C\n", {2, 10, 0}, 16840);
        QCOMPARE(l.surface.texts(1),
                 QStringList({kHeader1, "6200,800 20b , page 1", "1000,1600 10 A", "1000,1800 10 B",
                              "1000,2000 10 C"}));
        QCOMPARE(l.surface.lines(1), QStringList());
        QCOMPARE(l.surface.pictures(1), QStringList({"ImIc1 350,600"}));
    }

    // A grandchild's elbow starts at the column's edge; a great-grandchild gets a segment
    // there and its elbow one step in. The line after them starts right below.
    void hierarchyZero_segmentsAndElbows() {
        const Laid l = layOut("TOP\n  A\n    B\n      C\n  D\n", {2, 10, 0}, 16840);
        QCOMPARE(l.surface.texts(1).mid(2), QStringList({"1000,1600 10 A", "1000,1800 10   B",
                                                         "1000,2000 10     C", "1000,2200 10 D"}));
        QCOMPARE(
            l.surface.lines(1),
            QStringList({// B: the elbow from a quarter line above B's top to its middle
                         "1000,1750 1000,1900", "1000,1900 1200,1900",
                         // C: A's level runs on, then C's own elbow
                         "1000,2150 1000,1950", "1200,1950 1200,2100", "1200,2100 1400,2100"}));
    }

    // Hierarchy 0 (two spaces and lines) is the test above.
    void indentation_perHierarchySetting_data() {
        QTest::addColumn<int>("hierarchy");
        QTest::addColumn<QString>("grandchild");
        QTest::addColumn<int>("lines");
        QTest::newRow("1: one space") << 1 << "1000,2000 10   C" << 0;
        QTest::newRow("3: three spaces") << 3 << "1000,2000 10       C" << 0;
        QTest::newRow("-1: two spaces, no lines") << -1 << "1000,2000 10     C" << 0;
    }
    void indentation_perHierarchySetting() {
        QFETCH(int, hierarchy);
        const Laid l = layOut("TOP\n  A\n    B\n      C\n", {2, 10, hierarchy}, 16840);
        QTEST(l.surface.texts(1).at(4), "grandchild");
        QTEST(int(l.surface.lines(1).size()), "lines");
    }

    void columns_fromSampleWidthAndMaxColumns_data() {
        QTest::addColumn<double>("width");
        QTest::addColumn<int>("fontSize");
        QTest::addColumn<int>("maxColumns");
        QTest::addColumn<int>("colCount");
        QTest::addColumn<int>("colWidth");
        QTest::newRow("A4, MaxColumns 2") << kA4Width << 10 << 2 << 2 << 5450;
        QTest::newRow("A4, 4 fit of 6") << kA4Width << 10 << 6 << 4 << 2725;
        QTest::newRow("width divided whole") << kA4Width << 10 << 3 << 3 << 3633;
        QTest::newRow("landscape, 12 points") << 16840.0 << 12 << 6 << 5 << 3168;
        QTest::newRow("exactly one sample") << 2600.0 << 10 << 2 << 1 << 1600;
    }
    void columns_fromSampleWidthAndMaxColumns() {
        QFETCH(double, width);
        QFETCH(int, fontSize);
        QFETCH(int, maxColumns);
        const NodeTable t = treeFromOutline("TOP\n  A\n");
        RecordingSurface s(PageSurface::Twips, width, 16840);
        ListingLayout layout(t, {maxColumns, fontSize, 0});
        QVERIFY(layout.List_Start(s, 1, width, 26.0 * fontSize * 10));
        QTEST(layout.ColCount(), "colCount");
        QTEST(layout.ColWidth(), "colWidth");
        QCOMPARE(layout.PageNum(), 1);
        QCOMPARE(layout.ColTop(), 1600);
    }

    // Division by a column count of 0 is refused before anything is drawn.
    void noColumnFits_refusedWithNothingDrawn_data() {
        QTest::addColumn<int>("maxColumns");
        QTest::addColumn<double>("width");
        QTest::newRow("MaxColumns 0") << 0 << kA4Width;
        QTest::newRow("font wider than the page") << 2 << 2599.0;
    }
    void noColumnFits_refusedWithNothingDrawn() {
        QFETCH(int, maxColumns);
        QFETCH(double, width);
        const Laid l =
            layOut("TOP\n  A\n", {maxColumns, 10, 0}, 16840, PageSurface::Twips, 1, width);
        QCOMPARE(l.result, ListingResult::NoColumns);
        QCOMPARE(l.surface.texts(1), QStringList());
        QCOMPARE(l.surface.pictures(1), QStringList());
    }

    // 3000 high: lines end at 1800, 2000, 2200; the one ending at 2200 is past the limit
    // of 2000 and still printed, then the next column starts at the top.
    void twoColumns_thenPageTwoWithItsHeader() {
        const Laid l = layOut(flatTree(7), {2, 10, 0}, 3000);
        QCOMPARE(l.surface.pages(), 2);
        QCOMPARE(l.surface.texts(1).mid(2),
                 QStringList({"1000,1600 10 C01", "1000,1800 10 C02", "1000,2000 10 C03",
                              "6450,1600 10 C04", "6450,1800 10 C05", "6450,2000 10 C06"}));
        QCOMPARE(l.surface.texts(2),
                 QStringList({kHeader1, "6200,800 20b , page 2", "1000,1600 10 C07"}));
        QCOMPARE(l.surface.pictures(2), QStringList()); // the emblem is on page 1 only
    }

    // The break comes when a line's bottom plus 1000 is greater than the height, not equal;
    // a page is added only for a line that needs it.
    void columnAndPageBreaks_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("maxColumns");
        QTest::addColumn<double>("height");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("lastPageLines");
        QTest::newRow("3000: bottom 2000 + 1000 is not past") << 5 << 1 << 3000.0 << 2 << 2;
        QTest::newRow("2999") << 5 << 1 << 2999.0 << 3 << 1;
        QTest::newRow("2800") << 5 << 1 << 2800.0 << 3 << 1;
        QTest::newRow("2799: the first line breaks") << 5 << 1 << 2799.0 << 5 << 1;
        QTest::newRow("last line fills the last column") << 6 << 2 << 3000.0 << 1 << 6;
        QTest::newRow("two full pages") << 12 << 2 << 3000.0 << 2 << 6;
        QTest::newRow("a third page for the 13th") << 13 << 2 << 3000.0 << 3 << 1;
    }
    void columnAndPageBreaks() {
        QFETCH(int, lines);
        QFETCH(int, maxColumns);
        QFETCH(double, height);
        const Laid l = layOut(flatTree(lines), {maxColumns, 10, 0}, height);
        QCOMPARE(l.result, ListingResult::Done);
        QTEST(l.surface.pages(), "pages");
        QTEST(int(l.surface.texts(l.surface.pages()).size()) - 2, "lastPageLines");
    }

    // Later headers name the listed item, not the item at the top of the page; lines on a
    // new page start again from its column's edge.
    void laterHeaders_nameTheListedItem() {
        const Laid l = layOut("TOP\n  A\n    B1\n    B2\n    B3\n      DEEP\n  Z\n", {1, 10, 0},
                              2800, PageSurface::Twips, 2);
        QCOMPARE(l.surface.pages(), 2);
        QCOMPARE(l.surface.texts(2),
                 QStringList({"1400,800 20b QuillMar listing for A", "5800,800 20b , page 2",
                              "1000,1600 10 B3", "1000,1800 10   DEEP"}));
        QCOMPARE(l.surface.lines(2), QStringList({"1000,1750 1000,1900", "1000,1900 1200,1900"}));
    }

    // The preview draws the header at 10 points and the lines at half the setting, rounded
    // down, on a canvas with the printed page's scale; its emblem is the small one.
    void fontSizes_onPaperAndOnThePreview_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("picture");
        QTest::newRow("paper") << int(PageSurface::Twips)
                               << QStringList{kHeader1, "6200,800 20b , page 1", "1000,1600 9 A",
                                              "1000,1780 9 B"}
                               << "ImIc1 350,600";
        QTest::newRow("preview") << int(PageSurface::OwnScale)
                                 << QStringList{"1400,800 10b QuillMar listing for TOP",
                                                "3800,800 10b , page 1", "1000,1200 4 A",
                                                "1000,1280 4 B"}
                                 << "ImIc0 300,500";
    }
    void fontSizes_onPaperAndOnThePreview() {
        QFETCH(int, mode);
        QFETCH(QString, picture);
        const Laid l = layOut("TOP\n  A\n  B\n", {2, 9, 0}, 16840, mode);
        QTEST(l.surface.texts(1), "texts");
        QCOMPARE(l.surface.pictures(1), QStringList({picture}));
    }

    void newPageRefused_stopsTheListing() {
        Laid l{RecordingSurface(PageSurface::Twips, kA4Width, 3000), ListingResult::Done};
        l.surface.pageLimit = 1;
        l.result = layOutListing(l.surface, treeFromOutline(flatTree(9).toStdString()), 1,
                                 {2, 10, 0}, kA4Width, 2600);
        QCOMPARE(l.result, ListingResult::NewPageFailed);
        QCOMPARE(l.surface.pages(), 1);
        QCOMPARE(l.surface.texts(1).size() - 2, 6);
    }
};

QTEST_MAIN(TestListingLayout)
#include "test_listing_layout.moc"
