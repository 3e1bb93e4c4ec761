// The emblem comes from the built-in vector design at every size it is used at.

#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QTest>

#include "base/emblem.h"

using namespace qm;

class TestEmblem : public QObject {
    Q_OBJECT

private slots:
    void paint_showsTheGridWithItsPath_data() {
        QTest::addColumn<int>("side");
        QTest::newRow("preview 32") << 32;
        QTest::newRow("paper 64") << 64;
        QTest::newRow("large 256") << 256;
    }
    // A missing or unreadable design would leave the image blank.
    void paint_showsTheGridWithItsPath() {
        QFETCH(int, side);
        QImage image(side, side, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        paintEmblem(painter, QRectF(0, 0, side, side));
        painter.end();
        const auto at = [&](double x, double y) {
            return image.pixelColor(int(x * side / 64), int(y * side / 64));
        };
        QCOMPARE(at(42.5, 46.5), QColor(0x44, 0xdd, 0x44)); // the current cell
        QCOMPARE(at(11, 17.5), QColor(0x3c, 0x9c, 0x3c));   // the first cell of the path
        QCOMPARE(at(11, 46.5), QColor(0xd2, 0xd2, 0xd2));   // a cell off the path
        QCOMPARE(at(0.5, 0.5).alpha(), 0);                  // the corner stays clear
    }

    void appIcon_hasEverySize() {
        const QList<QSize> sizes = appIcon().availableSizes();
        for (const int side : {16, 32, 48, 64, 128, 256})
            QVERIFY2(sizes.contains(QSize(side, side)), qPrintable(QString::number(side)));
    }
};

QTEST_MAIN(TestEmblem)
#include "test_emblem.moc"
