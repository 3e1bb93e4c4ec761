// The listing layout on a recording surface whose metrics make every position a round number:
// at FontSize 10 a character is 100 wide and a line 200 high, the bold 20-point header 400.
// Then the real surfaces: recorded preview pages in their fonts and painted, and PDF files
// that replace an old file only when complete.

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include "print/listing_layout.h"
#include "print/page_surface.h"
#include "print/print_target.h"
#include "print/recorded_pages.h"
#include "support/file_bytes.h"
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

const QSizeF kA4(kA4Width, 16840);

QPageLayout a4() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF());
}

// Pixels of an image that are not white.
int inked(const QImage& image, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += image.pixel(x, y) != qRgb(255, 255, 255);
    return n;
}

} // namespace

class TestListingLayout : public QObject {
    Q_OBJECT

private slots:
    // Children sorted, without lines. Hierarchy 0: two spaces a level, and lines: a
    // grandchild's elbow starts at the column's edge; a great-grandchild gets a segment there
    // and its elbow one step in. The line after them starts right below.
    void indentation_perHierarchySetting_data() {
        QTest::addColumn<QByteArray>("outline");
        QTest::addColumn<int>("hierarchy");
        QTest::addColumn<QStringList>("texts"); // after the header
        QTest::addColumn<QStringList>("lines");
        const QByteArray deep = "TOP\n  A\n    B\n      C\n";
        const auto texts = [](const char* b, const char* c) {
            return QStringList{"1000,1600 10 A", QString("1000,1800 10 ") + b,
                               QString("1000,2000 10 ") + c};
        };
        QTest::newRow("children only")
            << QByteArray("TOP\n  B\n  A\n  C\n") << 0 << texts("B", "C") << QStringList();
        QTest::newRow("0: two spaces and lines")
            << deep + "  D\n"
            << 0 << texts("  B", "    C") + QStringList{"1000,2200 10 D"}
            << QStringList{// B: the elbow from a quarter line above B's top to its middle
                           "1000,1750 1000,1900", "1000,1900 1200,1900",
                           // C: A's level runs on, then C's own elbow
                           "1000,2150 1000,1950", "1200,1950 1200,2100", "1200,2100 1400,2100"};
        QTest::newRow("1: one space") << deep << 1 << texts(" B", "  C") << QStringList();
        QTest::newRow("3: three spaces") << deep << 3 << texts("   B", "      C") << QStringList();
        QTest::newRow("-1: two spaces, no lines")
            << deep << -1 << texts("  B", "    C") << QStringList();
    }
    void indentation_perHierarchySetting() {
        QFETCH(QByteArray, outline);
        QFETCH(int, hierarchy);
        const Laid l = layOut(outline, {2, 10, hierarchy}, 16840);
        QTEST(l.surface.texts(1).mid(2), "texts");
        QTEST(l.surface.lines(1), "lines");
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

    // A point is a point on the half-size canvas: 40 logical units (the sheet's twips).
    // Painted at half size, the emblem, header and lines land where the layout put them;
    // a fresh start leaves one blank page.
    void previewPages_fontsInScreenPoints_paintScaledThenReset() {
        const NodeTable t = treeFromOutline("TOP\n  A\n    B\n");
        RecordedPages pages(PageSurface::OwnScale, 40);
        pages.reset(kA4);
        QCOMPARE(layOutListing(pages, t, 1, {2, 9, 0}, kA4.width(), 26 * 180.0),
                 ListingResult::Done);
        const RecordedPage& page = pages.page(1);
        QCOMPARE(page.texts.size(), std::size_t(4));
        const QFont& header = pages.fonts().at(page.texts[0].font);
        const QFont& line = pages.fonts().at(page.texts[2].font);
        QCOMPARE(header.pixelSize(), 400);
        QVERIFY(header.bold());
        QCOMPARE(line.pixelSize(), 160);
        QVERIFY(!line.bold());
        QVERIFY(!line.kerning());
        QCOMPARE(page.texts[2].text.trimmed(), QString("A"));
        QCOMPARE(page.lines.size(), std::size_t(2)); // B's elbow
        QCOMPARE(page.pictures.size(), std::size_t(1));
        QCOMPARE(page.pictures[0].rect, QRectF(300, 500, 960, 960)); // 32 pixels, 480 twips

        const auto paint = [&pages] {
            QImage image(595, 842, QImage::Format_RGB32); // a twentieth: 1 pixel, 20 twips
            image.fill(Qt::white);
            QPainter painter(&image);
            pages.paintPage(1, painter, QRectF(0, 0, 595, 842));
            return image;
        };
        const QImage image = paint();
        QVERIFY(inked(image, QRect(16, 26, 45, 45)) > 500);   // the emblem at (300, 500)
        QVERIFY(inked(image, QRect(70, 40, 200, 20)) > 200);  // the header at (1400, 800)
        QCOMPARE(inked(image, QRect(0, 0, 14, 842)), 0);      // left of the emblem
        QCOMPARE(inked(image, QRect(300, 100, 295, 742)), 0); // one column, on the left
        pages.reset(kA4);
        QCOMPARE(pages.pageCount(), 1);
        QCOMPARE(inked(paint(), image.rect()), 0);
    }

    // Drawn on in twips of the whole sheet; the old file stays until the new one is complete,
    // and no temporary file is left behind either way.
    void pdfTarget_replacesTheOldFileOnlyWhenFinished_data() {
        QTest::addColumn<bool>("finish");
        QTest::newRow("finished") << true;
        QTest::newRow("abandoned") << false;
    }
    void pdfTarget_replacesTheOldFileOnlyWhenFinished() {
        QFETCH(bool, finish);
        QTemporaryDir dir;
        const QString path = dir.filePath("x.pdf");
        putFile(path, "old");
        auto target = PrintTarget::pdfFile(path, a4());
        QVERIFY(target->begin("T"));
        PageSurface& s = target->surface();
        QCOMPARE(s.ScaleMode(), int(PageSurface::Twips));
        QCOMPARE(QSizeF(s.ScaleWidth(), s.ScaleHeight()), kA4);
        s.Print("text");
        QVERIFY(s.NewPage());
        if (finish)
            QVERIFY(target->finish());
        else
            target->abandon();
        target.reset();
        QCOMPARE(fileBytes(path).startsWith("%PDF"), finish);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"x.pdf"}));
    }

    void pdfTarget_unwritableFolder_refusedAtBegin() {
        QTemporaryDir dir;
        auto refused = PrintTarget::pdfFile(dir.filePath("none/x.pdf"), a4());
        QVERIFY(!refused->begin("T"));
        QVERIFY(!refused->errorString().isEmpty());
        QCOMPARE(refused->name(), dir.filePath("none/x.pdf"));
    }
};

QTEST_MAIN(TestListingLayout)
#include "test_listing_layout.moc"
