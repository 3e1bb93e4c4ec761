#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <type_traits>

#include "store/data_file.h"
#include "store/safe_file.h"
#include "support/tree_checker.h"

using namespace qm;

namespace {

// Slots: 1 Top, 2 A, 3 A1, 4 A2, 5 B, 6 C, and 7 a free slot whose stale links loop.
std::vector<Node> sampleSlots() {
    NodeTable t = test::treeFromOutline("Top\n  A\n    A1\n    A2\n  B\n  C\n");
    const std::int32_t old = t.Node_Alloc();
    t[old].FirstChild = 2;
    t[old].NextSibling = old;
    t[old].Name = makeName("OLD");
    t.freeSlot(old);
    std::vector<Node> records;
    for (std::int32_t k = 0; k <= t.NodeCount(); ++k)
        records.push_back(t[k]);
    return records;
}

QByteArray fileBytes(const std::vector<Node>& recs) {
    QByteArray bytes(qsizetype(recs.size()) * kRecordSize, '\0');
    for (std::size_t k = 0; k < recs.size(); ++k)
        encodeRecord(recs[k], bytes.data() + k * kRecordSize);
    return bytes;
}

// The sample file with one field of one record changed.
template <typename T> QByteArray damaged(int slot, T Node::*field, std::type_identity_t<T> value) {
    std::vector<Node> recs = sampleSlots();
    recs[slot].*field = value;
    return fileBytes(recs);
}

// Top with a chain of `depth` items below it.
QByteArray chainFile(int depth) {
    std::vector<Node> recs(depth + 2);
    recs[0] = nodeHeader();
    for (int k = 1; k <= depth + 1; ++k)
        recs[k] = Node{k - 1, k <= depth ? k + 1 : 0, 0, 0, std::uint8_t(k - 1), kSlotInUse, {}};
    return fileBytes(recs);
}

// The records as an independent little-endian writer lays them out.
QByteArray expectedRecord(std::int32_t parent, std::int32_t first, std::int32_t prev,
                          std::int32_t next, quint8 level, quint8 inUse, const char* name) {
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s << parent << first << prev << next << level << inUse;
    out += QByteArray(name).leftJustified(20, ' ');
    return out;
}

const QByteArray kSignature =
    QByteArray::fromHex("00ADF8FF8056FCFF0000000080A903000000") + "QuillMar v2.0 DbFile";

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace

class TestDataFile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }
    LoadResult loadBytes(const QByteArray& bytes) {
        const QString p = path("load.qmd");
        if (!writeAll(p, bytes))
            qFatal("cannot write %s", qPrintable(p));
        return loadDataFile(p.toStdString());
    }

private slots:
    void signatureRecord_byteExact() {
        QCOMPARE(kSignature.size(), kRecordSize);
        QByteArray rec(kRecordSize, '\0');
        encodeRecord(nodeHeader(), rec.data());
        QCOMPARE(rec.toHex(' '), kSignature.toHex(' '));
        QVERIFY(isSignature(decodeRecord(kSignature.constData())));
    }

    void loadSizesTableByRecordCount_data() {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("extraBytes");
        QTest::addColumn<int>("capacity");
        QTest::newRow("10 records") << 10 << 0 << 1002;
        QTest::newRow("10 records and a stray byte") << 10 << 1 << 1002;
        QTest::newRow("999 records") << 999 << 37 << 1002;
        QTest::newRow("1000 records") << 1000 << 0 << 2002;
    }
    void loadSizesTableByRecordCount() {
        QFETCH(int, records);
        QFETCH(int, extraBytes);
        QFETCH(int, capacity);
        // Top and its children, the last three slots free.
        std::vector<Node> recs(records);
        recs[0] = nodeHeader();
        recs[1] = Node{0, 2, 0, 0, 0, kSlotInUse, makeName("Top")};
        const int used = records - 3;
        for (int k = 2; k < used; ++k)
            recs[k] = Node{1, 0, k - 1, k + 1 < used ? k + 1 : 0, 1, kSlotInUse, makeName("x")};
        recs[2].PrevSibling = 0;
        const QByteArray bytes = fileBytes(recs) + QByteArray(extraBytes, 'z');
        const LoadResult r = loadBytes(bytes);
        QVERIFY2(r.ok, r.error.c_str());
        QVERIFY(r.signatureOk);
        QCOMPARE(r.table.NodeCount(), records - 1);
        QCOMPARE(r.table.FreeCount(), 3);
        QCOMPARE(r.table.capacity(), capacity);
        QM_VERIFY_TREE(r.table);
        QCOMPARE(r.problems.size(), std::size_t(0));
    }

    void loadAccepted_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("signatureOk");
        QTest::addColumn<bool>("problems");
        const NameField otherCase = makeName("Quillmar v2.0 DbFile");
        QTest::newRow("sound, stale links in a free slot")
            << fileBytes(sampleSlots()) << true << false;
        QTest::newRow("signature name in other case")
            << damaged(0, &Node::Name, otherCase) << false << true;
        QTest::newRow("signature number differs")
            << damaged(0, &Node::NextSibling, 7) << false << true;
        QTest::newRow("top Parent -1") << damaged(1, &Node::Parent, -1) << true << false;
        QTest::newRow("first child PrevSibling -1")
            << damaged(2, &Node::PrevSibling, -1) << true << false;
        QTest::newRow("last child NextSibling -1")
            << damaged(6, &Node::NextSibling, -1) << true << false;
        QTest::newRow("leaf FirstChild -7") << damaged(3, &Node::FirstChild, -7) << true << false;
        QTest::newRow("top Level wrong") << damaged(1, &Node::Level, 4) << true << true;
        QTest::newRow("child Level wrong") << damaged(3, &Node::Level, 9) << true << true;
        QTest::newRow("255 levels deep") << chainFile(255) << true << false;
    }
    void loadAccepted() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, signatureOk);
        QFETCH(bool, problems);
        const LoadResult r = loadBytes(bytes);
        QVERIFY2(r.ok, r.error.c_str());
        QCOMPARE(r.signatureOk, signatureOk);
        QCOMPARE(!r.problems.empty(), problems);
        QCOMPARE(r.table[0], nodeHeader());
        QM_VERIFY_TREE(r.table);
        QCOMPARE(loadDataBytes({bytes.constData(), std::size_t(bytes.size())}).ok, true);
    }

    void loadRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QByteArray sound = fileBytes(sampleSlots());
        QTest::newRow("empty") << QByteArray() << "no whole record";
        QTest::newRow("37 bytes") << sound.left(37) << "no whole record";
        QTest::newRow("signature only") << sound.left(38) << "only one record";
        QTest::newRow("top item free") << damaged(1, &Node::InUse, 0) << "slot 1 is free";
        QTest::newRow("top item has a sibling") << damaged(1, &Node::NextSibling, 5) << "top item";
        QTest::newRow("link far beyond") << damaged(6, &Node::NextSibling, 0x7FFFFFFF) << "beyond";
        QTest::newRow("chain reaches a free slot") << damaged(6, &Node::NextSibling, 7) << "free";
        QTest::newRow("sibling chain loops") << damaged(6, &Node::NextSibling, 2) << "twice";
        QTest::newRow("sibling chains cross") << damaged(4, &Node::NextSibling, 6) << "twice";
        QTest::newRow("child is its grandparent") << damaged(4, &Node::FirstChild, 2) << "twice";
        QTest::newRow("child is the top item") << damaged(3, &Node::FirstChild, 1) << "twice";
        QTest::newRow("parent disagrees") << damaged(5, &Node::Parent, 2) << "parent";
        QTest::newRow("previous disagrees") << damaged(5, &Node::PrevSibling, 6) << "previous";
        QTest::newRow("256 levels deep") << chainFile(256) << "deeper than 255";
    }
    void loadRefused() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const LoadResult r = loadBytes(bytes);
        QVERIFY(!r.ok);
        QVERIFY2(QString::fromStdString(r.error).contains(reason), r.error.c_str());
        QVERIFY(!loadDataBytes({bytes.constData(), std::size_t(bytes.size())}).ok);
    }

    void loadWhatIsNoFile_refused() {
        QVERIFY(!loadDataFile(m_dir.path().toStdString()).error.empty());
        QVERIFY(!loadDataFile(path("missing.qmd").toStdString()).error.empty());
        const QString fifo = path("pipe.qmd");
        QCOMPARE(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
        // Neither reader may wait for a writer.
        QVERIFY(!loadDataFile(fifo.toStdString()).error.empty());
        std::string bytes, error;
        QVERIFY(!readWholeFile(fifo.toStdString(), bytes, error));
    }

    void saveWritesEverySlot_byteExact() {
        NodeTable t = test::treeFromOutline("Top\n  A\n  B\n");
        t[2].NextSibling = 0;
        t.freeSlot(3); // B keeps its links and name in the file
        const QString p = path("exact.qmd");
        QVERIFY(writeAll(p, QByteArray(1000, 'x'))); // a longer earlier version
        std::string error;
        QVERIFY2(saveDataFile(p.toStdString(), t, error), error.c_str());
        const QByteArray expected = kSignature + expectedRecord(0, 2, 0, 0, 0, 255, "Top") +
                                    expectedRecord(1, 0, 0, 0, 1, 255, "A") +
                                    expectedRecord(1, 0, 2, 0, 1, 0, "B");
        QCOMPARE(readAll(p).toHex(' '), expected.toHex(' '));
        const LoadResult r = loadDataFile(p.toStdString());
        QVERIFY2(r.ok, r.error.c_str());
        for (std::int32_t k = 0; k < r.table.capacity(); ++k)
            QCOMPARE(r.table[k], t[k]);
    }

    void failedSave_reportedAndOldFileKept() {
        QTemporaryDir dir;
        const QString p = dir.filePath("keep.qmd");
        const QByteArray old = fileBytes(sampleSlots());
        QVERIFY(writeAll(p, old));
        std::string error;
        const auto failMidway = [](const ByteSink& sink) {
            sink("partial", 7);
            return false;
        };
        QVERIFY(!writeFileSafely(p.toStdString(), failMidway, error));
        QVERIFY(!error.empty());
        QCOMPARE(readAll(p), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.qmd"});

        const NodeTable t = test::treeFromOutline("Top\n");
        error.clear();
        QVERIFY(!saveDataFile(dir.filePath("no/such/folder.qmd").toStdString(), t, error));
        QVERIFY(!error.empty());
        QVERIFY(QDir(dir.path()).mkdir("folder.qmd"));
        error.clear();
        QVERIFY(!saveDataFile(dir.filePath("folder.qmd").toStdString(), t, error));
        QVERIFY(!error.empty());
        QVERIFY(QFileInfo(dir.filePath("folder.qmd")).isDir());
    }
};

QTEST_GUILESS_MAIN(TestDataFile)
#include "test_data_file.moc"
