// Noticing another program's change to a data file: by the file's identity, and by its bytes
// where the identity cannot tell.

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "settings/disk_state.h"
#include "store/content_hash.h"
#include "store/data_file.h"
#include "support/file_bytes.h"
#include "support/tree_checker.h"

using namespace qm;
using namespace qm::test;

namespace {
constexpr qint64 kSecond = 1000000000;
constexpr qint64 kMs = 1000000;
} // namespace

class TestDiskState : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    const QString m_path = m_dir.filePath(QStringLiteral("t.qmd"));

private slots:
    void init() { putFile(m_path, QByteArray(38 * 5, 'a')); }

    void identityMayMissChange_data() {
        QTest::addColumn<qint64>("changed");
        QTest::addColumn<qint64>("now");
        QTest::addColumn<bool>("remote");
        QTest::addColumn<bool>("mayMiss");
        const qint64 t = 1000 * kSecond + 123 * kMs;
        // clang-format off
        QTest::newRow("the same tick")         << t            << t                   << false << true;
        QTest::newRow("a tick later")          << t            << t + 4 * kMs         << false << true;
        QTest::newRow("clearly later")         << t            << t + 50 * kMs        << false << false;
        QTest::newRow("seconds only, 1 s on")  << 1000 * kSecond << 1001 * kSecond    << false << true;
        QTest::newRow("seconds only, 3 s on")  << 1000 * kSecond << 1003 * kSecond    << false << false;
        QTest::newRow("another machine's clock") << t          << t + 3600 * kSecond  << true  << true;
        // clang-format on
    }
    void identityMayMissChange() {
        QFETCH(qint64, changed);
        QFETCH(qint64, now);
        QFETCH(bool, remote);
        QTEST(qm::identityMayMissChange(changed, now, remote), "mayMiss");
    }

    // Recorded with the real clock: whether the identity or the bytes tell, every change is
    // seen, however quickly it follows.
    void changedSince_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("changed");
        QTest::newRow("untouched") << "none" << false;
        QTest::newRow("rewritten in place, its time put back") << "in place" << true;
        QTest::newRow("replaced by as many bytes, its time put back") << "replaced" << true;
        QTest::newRow("one byte longer") << "grown" << true;
        QTest::newRow("removed") << "removed" << true;
    }
    void changedSince() {
        QFETCH(QString, change);
        const std::optional<DiskState> known = readDiskState(m_path);
        QVERIFY(known.has_value());
        QCOMPARE(known->size, 38 * 5);
        if (change == "in place") {
            keepingTime(m_path, [&] {
                QFile f(m_path);
                QVERIFY(f.open(QIODevice::ReadWrite));
                f.write("b");
            });
        } else if (change == "replaced") {
            keepingTime(m_path, [&] {
                putFile(m_path + ".new", QByteArray(38 * 5, 'b'));
                QVERIFY(::rename(QFile::encodeName(m_path + ".new"), QFile::encodeName(m_path)) ==
                        0);
            });
        } else if (change == "grown") {
            putFile(m_path, QByteArray(38 * 5 + 1, 'a'));
        } else if (change == "removed") {
            QVERIFY(QFile::remove(m_path));
        }
        QTEST(qm::changedSince(*known, m_path), "changed");
    }

    // Recorded within the tick of the last write, the state keeps the bytes' hash, and only
    // the bytes then decide.
    void recordedInTheSameTick_bytesDecide() {
        const std::optional<DiskState> late = readDiskState(m_path, INT64_MAX);
        QVERIFY(late);
        QVERIFY(!late->hash);
        const std::optional<DiskState> known = readDiskState(m_path, late->changedNs);
        QVERIFY(known);
        QVERIFY(known->hash);
        QVERIFY(!qm::changedSince(*known, m_path));
        DiskState otherBytes = *known; // the same identity over other bytes
        otherBytes.hash = *known->hash + 1;
        QVERIFY(qm::changedSince(otherBytes, m_path));
    }

    // The hash a save takes of its bytes must be the one read back later, however either
    // side happened to split them; one byte or one more byte anywhere changes it.
    void contentHash_data() {
        QTest::addColumn<int>("piece");
        QTest::addColumn<int>("flip");
        QTest::addColumn<bool>("same");
        QTest::newRow("byte by byte") << 1 << -1 << true;
        QTest::newRow("odd pieces") << 7 << -1 << true;
        QTest::newRow("pieces of a block and one") << 33 << -1 << true;
        QTest::newRow("a byte in a block") << 1000 << 4100 << false;
        QTest::newRow("a byte in the last block") << 1000 << 100000 << false;
        QTest::newRow("a byte past the last block") << 1000 << 100002 << false;
    }
    void contentHash() {
        QFETCH(int, piece);
        QFETCH(int, flip);
        std::string bytes(100003, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i * 2654435761u >> 13);
        ContentHash whole;
        whole.add(bytes.data(), bytes.size());
        if (flip >= 0)
            bytes[std::size_t(flip)] ^= 1;
        ContentHash pieces;
        for (std::size_t at = 0; at < bytes.size(); at += std::size_t(piece))
            pieces.add(bytes.data() + at, std::min(std::size_t(piece), bytes.size() - at));
        QTEST(pieces.value() == whole.value(), "same");
        pieces.add("", 1);
        QVERIFY(pieces.value() != whole.value());
    }

    // A save's own state takes the hash of what it wrote: nothing to ask at the next save,
    // and another program's same-size rewrite in that tick is still seen.
    void writtenState_keepsTheHashOfWhatWasWritten() {
        std::string outline = "TOP\n"; // records beyond one piece of writing and of reading
        for (int i = 0; i < 40000; ++i)
            outline += "  ITEM\n";
        const NodeTable table = treeFromOutline(outline);
        ContentHash written;
        std::string error;
        QVERIFY2(saveDataFile(m_path.toStdString(), table, error, nullptr, &written),
                 error.c_str());
        const std::optional<DiskState> known = writtenDiskState(m_path, written.value());
        QVERIFY(known);
        QVERIFY(known->hash);
        QVERIFY(!qm::changedSince(*known, m_path));
        keepingTime(m_path, [&] {
            QFile f(m_path);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.seek(38 * 30000 + 18));
            f.write("J");
        });
        QVERIFY(qm::changedSince(*known, m_path));
    }
};

QTEST_GUILESS_MAIN(TestDiskState)
#include "test_disk_state.moc"
