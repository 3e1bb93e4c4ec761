// The real surfaces: recorded preview pages in their fonts and painted, and PDF files that
// replace an old file only when complete.

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
#include "support/tree_checker.h"

using namespace qm;
using namespace qm::test;

namespace {

const QSizeF kA4(11900, 16840);

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

class TestPrintSurfaces : public QObject {
    Q_OBJECT

private slots:
    // A point is a point on the half-size canvas: 40 logical units (the sheet's twips).
    void previewPages_fontsInScreenPoints() {
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
    }

    // Painted at half size, the emblem, header and lines land where the layout put them;
    // a fresh start leaves one blank page.
    void previewPages_paintScaledThenReset() {
        const NodeTable t = treeFromOutline("TOP\n  A\n    B\n");
        RecordedPages pages(PageSurface::OwnScale, 40);
        pages.reset(kA4);
        layOutListing(pages, t, 1, {2, 10, 0}, kA4.width(), 3468);
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

QTEST_MAIN(TestPrintSurfaces)
#include "test_print_surfaces.moc"
