#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "store/cells_file.h"
#include "store/safe_file.h"

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

    QTemporaryDir m_dir;

private slots:
    void writeCells_byteExactAndReadBack() {
        CellArray cells;
        cells[0] = Cell{-1, 1, 1, 0, 2, 3};
        cells[1] = Cell{0, -1, 2, 1, 0, 0};
        const QString p = m_dir.filePath("t.qms");
        std::string error;
        QVERIFY2(writeCellsFile(p.toStdString(), cells, error), error.c_str());
        QFile f(p);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QCOMPARE(bytes.size(), 15 * 18);
        QCOMPARE(bytes.left(18).toHex(' '), QByteArray("ff ff 01 00 01 00 00 00 00 00 00 00 "
                                                       "02 00 00 00 03 00"));
        QCOMPARE(bytes.mid(14 * 18).toHex(' '), cellRecord(Cell{}).toHex(' '));
        const std::vector<Cell> back = readCellsFile(p.toStdString(), kInTree);
        QCOMPARE(back, std::vector<Cell>(cells.begin(), cells.end()));
    }

    void shortOrMissingFile_givesRecordsPresent() {
        const QString p = m_dir.filePath("short.qms");
        QFile f(p);
        QVERIFY(f.open(QIODevice::WriteOnly));
        for (int i = 0; i < 5; ++i)
            f.write(cellRecord(Cell{-1, -1, 1, 0, 0, 0}));
        f.write("xyz");
        f.close();
        QCOMPARE(readCellsFile(p.toStdString(), kInTree).size(), std::size_t(5));
        QVERIFY(readCellsFile(m_dir.filePath("none.qms").toStdString(), kInTree).empty());
    }

    void recordNamingWhatIsNotThere_readsEmpty_data() {
        QTest::addColumn<Cell>("record");
        QTest::addColumn<Cell>("expected");
        const Cell sound{0, 2, 3, 2, 4, 1};
        QTest::newRow("sound") << sound << sound;
        QTest::newRow("Nod 0") << Cell{-1, 1, 0, 0, 0, 0} << Cell{};
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
        const std::vector<Cell> cells = decodeCells(cellRecord(record).toStdString(), kInTree);
        QCOMPARE(cells.size(), std::size_t(1));
        QCOMPARE(cells[0], expected);
    }

    void companionPaths_replaceLastCharacter_data() {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("cells");
        QTest::addColumn<QString>("backup");
        using S = QString;
        QTest::newRow("extension") << S("/d/notes.qmd") << S("/d/notes.qms") << S("/d/notes.qmb");
        QTest::newRow("no dot") << S("/d.x/tree") << S("/d.x/tres") << S("/d.x/treb");
        QTest::newRow("would be itself") << S("/d/notes") << S() << S("/d/noteb");
        QTest::newRow("non-ASCII last")
            << S("/d/naïve.qmé") << S("/d/naïve.qms") << S("/d/naïve.qmb");
    }
    void companionPaths_replaceLastCharacter() {
        QFETCH(QString, data);
        QFETCH(QString, cells);
        QFETCH(QString, backup);
        QCOMPARE(QString::fromStdString(cellsPathFor(data.toStdString())), cells);
        QCOMPARE(QString::fromStdString(backupPathFor(data.toStdString())), backup);
    }
};

QTEST_APPLESS_MAIN(TestCellsFile)
#include "test_cells_file.moc"
