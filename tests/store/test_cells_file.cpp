#include <QDataStream>
#include <QTemporaryDir>
#include <QTest>

#include "store/cells_file.h"
#include "store/safe_file.h"
#include "support/file_bytes.h"

using namespace qm;

Q_DECLARE_METATYPE(qm::Cell)

namespace {

// The record as an independent little-endian writer lays it out.
QByteArray cellRecord(const Cell& c) {
    QByteArray r;
    QDataStream s(&r, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s << c.PrevCel << c.NextCel << c.Nod << c.PrevNod << c.NextNod << c.Mode;
    return r;
}

// Slots 1..4 are in the tree, 5 is free, the table ends at 6.
const std::vector<bool> kInTree{false, true, true, true, true, false};

} // namespace

class TestCellsFile : public QObject {
    Q_OBJECT

private slots:
    void writeCells_byteExactAndReadBack() {
        QTemporaryDir dir;
        CellArray cells;
        cells[0] = Cell{-1, 1, 1, 0, 2, 3};
        cells[1] = Cell{0, -1, 2, 1, 0, 0};
        const QString p = dir.filePath("t.qms");
        std::string error;
        QVERIFY2(writeCellsFile(p.toStdString(), cells, error), error.c_str());
        const QByteArray bytes = test::fileBytes(p);
        QCOMPARE(bytes.size(), 15 * 18);
        QCOMPARE(bytes.left(18).toHex(' '),
                 "ff ff 01 00 01 00 00 00 00 00 00 00 02 00 00 00 03 00");
        QCOMPARE(bytes.mid(14 * 18).toHex(' '), cellRecord(Cell{}).toHex(' '));
        QCOMPARE(readCellsFile(p.toStdString(), kInTree),
                 std::vector<Cell>(cells.begin(), cells.end()));

        test::putFile(p, bytes.left(5 * 18 + 3)); // a short file gives the records present
        QCOMPARE(readCellsFile(p.toStdString(), kInTree).size(), std::size_t(5));
        QVERIFY(readCellsFile(dir.filePath("none.qms").toStdString(), kInTree).empty());
    }

    void recordNamingWhatIsNotThere_readsEmpty_data() {
        QTest::addColumn<Cell>("record");
        QTest::addColumn<Cell>("expected");
        const Cell sound{0, 2, 3, 2, 4, 1};
        QTest::newRow("sound") << sound << sound;
        QTest::newRow("Nod a free slot") << Cell{-1, 1, 5, 0, 0, 0} << Cell{};
        QTest::newRow("Nod beyond the table") << Cell{-1, 1, 99999, 0, 0, 0} << Cell{};
        QTest::newRow("PrevCel 15") << Cell{15, 2, 3, 2, 4, 1} << Cell{};
        QTest::newRow("NextCel -2") << Cell{0, -2, 3, 2, 4, 1} << Cell{};
        QTest::newRow("stale PrevNod") << Cell{0, 2, 3, 5, 4, 1} << Cell{-1, 2, 3, 0, 4, 1};
        QTest::newRow("stale NextNod") << Cell{0, 2, 3, 2, 777, 1} << Cell{0, 2, 3, 2, 0, 1};
    }
    void recordNamingWhatIsNotThere_readsEmpty() {
        QFETCH(Cell, record);
        QFETCH(Cell, expected);
        QCOMPARE(decodeCells(cellRecord(record).toStdString(), kInTree),
                 std::vector<Cell>{expected});
    }

    void companionPaths_replaceLastCharacter_data() {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("cells");
        QTest::addColumn<QString>("backup");
        using S = QString;
        QTest::newRow("extension") << S("/d/notes.qmd") << S("/d/notes.qms") << S("/d/notes.qmb");
        QTest::newRow("no dot") << S("/d.x/tree") << S("/d.x/tres") << S("/d.x/treb");
        QTest::newRow("ends in s") << S("/d/notes") << S() << S("/d/noteb");
        QTest::newRow("ends in b") << S("/d/tab") << S("/d/tas") << S();
        QTest::newRow("non-ASCII last")
            << S("/d/naïve.qmé") << S("/d/naïve.qms") << S("/d/naïve.qmb");
    }
    void companionPaths_replaceLastCharacter() {
        QFETCH(QString, data);
        QTEST(QString::fromStdString(cellsPathFor(data.toStdString())), "cells");
        QTEST(QString::fromStdString(backupPathFor(data.toStdString())), "backup");
    }
};

QTEST_APPLESS_MAIN(TestCellsFile)
#include "test_cells_file.moc"
