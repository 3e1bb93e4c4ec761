#include <QDataStream>
#include <QTemporaryDir>
#include <QTest>

#include "store/cells_file.h"
#include "store/safe_file.h"
#include "support/file_bytes.h"

using namespace qm;

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
    // Cells 2 to 5 name what is not there: they read back empty, or without the stale link.
    void writeCells_byteExactAndReadBack() {
        QTemporaryDir dir;
        const QString p = dir.filePath("t.qms");
        const CellArray cells{Cell{-1, 1, 1, 0, 2, 3},     Cell{0, -1, 2, 1, 0, 0},
                              Cell{-1, 1, 5, 0, 0, 0},     // a free slot
                              Cell{-1, 1, 99999, 0, 0, 0}, // beyond the table
                              Cell{15, 2, 3, 2, 4, 1},     // PrevCel beyond the cells
                              Cell{0, 2, 3, 5, 4, 1}};     // PrevNod a free slot
        std::string error;
        QVERIFY2(writeCellsFile(p.toStdString(), cells, error), error.c_str());
        QByteArray expected = QByteArray::fromHex("ffff 0100 01000000 00000000 02000000 0300");
        for (int k = 1; k < kCellCount; ++k)
            expected += cellRecord(cells[k]);
        QCOMPARE(test::fileBytes(p), expected);
        std::vector<Cell> back(cells.begin(), cells.end());
        back[2] = back[3] = back[4] = Cell{};
        back[5] = Cell{-1, 2, 3, 0, 4, 1};
        QCOMPARE(readCellsFile(p.toStdString(), kInTree), back);
        test::putFile(p, expected.left(5 * 18 + 3)); // a short file gives the records present
        QCOMPARE(readCellsFile(p.toStdString(), kInTree).size(), std::size_t(5));
        QVERIFY(readCellsFile(dir.filePath("none.qms").toStdString(), kInTree).empty());
    }

    void companionPaths_replaceLastCharacter() {
        const auto companions = [](const char* data) {
            return QString::fromStdString(cellsPathFor(data) + ' ' + backupPathFor(data));
        };
        QCOMPARE(companions("/d/a.qmd"), "/d/a.qms /d/a.qmb");
        QCOMPARE(companions("/d.x/tree"), "/d.x/tres /d.x/treb"); // not the folder's dot
        QCOMPARE(companions("/d/notes"), " /d/noteb"); // none that would be the data file
        QCOMPARE(companions("/d/tab"), "/d/tas ");
        QCOMPARE(companions("/d/é.qmé"), "/d/é.qms /d/é.qmb"); // a character, not a byte
    }
};

QTEST_APPLESS_MAIN(TestCellsFile)
#include "test_cells_file.moc"
