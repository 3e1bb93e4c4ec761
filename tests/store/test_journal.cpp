// The recovery journal: what the edit operations record comes back slot for slot, whatever
// is cut off or damaged at its end.

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstdio>
#include <optional>
#include <random>
#include <sys/resource.h>

#include "store/journal.h"
#include "support/file_bytes.h"
#include "support/tree_checker.h"

using namespace qm;

namespace {

constexpr std::int64_t kT0 = 1'718'000'000'000; // a wall clock in ms
// Every write begins with a record of the time it was made.
constexpr int kTimeRecord = 17;

/// The table as the data file would hold it, free slots and their stale links included.
std::vector<Node> recordsOf(const NodeTable& t) {
    return {t.records().begin(), t.records().begin() + t.NodeCount() + 1};
}

/// Runs seeded random edits on a table through the edit operations, taking back only the
/// last change, as Undo does.
class RandomEdits {
public:
    explicit RandomEdits(NodeTable& t, unsigned seed) : m_t(t), m_rng(seed) {}
    void step() {
        const std::int32_t any = item();
        std::int32_t deleted = 0, added = 0;
        switch (m_rng() % 7) {
        case 0:
        case 1:
            added = addChild(m_t, any, makeName("N" + std::to_string(m_rng() % 50)));
            break;
        case 2:
            renameItem(m_t, any, makeName(" R" + std::to_string(m_rng() % 50)));
            break;
        case 3:
            if (any >= 2 && deleteSubtree(m_t, any) > 0)
                deleted = any;
            break;
        case 4:
            restoreSubtree(m_t, m_deleted);
            removeLastChild(m_t, m_added);
            break;
        default:
            if (copySubtree(m_t, any, m_buffer) < 30)
                added = pasteSubtree(m_t, item(), m_buffer);
        }
        m_deleted = deleted;
        m_added = added;
    }

private:
    std::int32_t item() {
        std::int32_t s;
        do
            s = 1 + std::int32_t(m_rng() % std::uint32_t(m_t.NodeCount()));
        while (!m_t.isItem(s) || (s > 1 && !m_t.isItem(m_t[s].Parent)));
        return s;
    }
    NodeTable& m_t;
    std::mt19937 m_rng;
    std::vector<Node> m_buffer;
    std::int32_t m_deleted = 0, m_added = 0;
};

/// Files written by this process may not grow past `bytes` while it lives; a write past it
/// fails, rather than ending the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_before);
        rlimit limited = m_before;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &m_before); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_before{};
};

/// Adds `count` items below a hundred parents, as a long run of changes between two flushes.
void addRun(NodeTable& t, std::int32_t count) {
    std::vector<std::int32_t> parents;
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t parent = i < 100 ? 1 : parents[std::size_t(i % 100)];
        const std::int32_t added = addChild(t, parent, makeName("RUN" + std::to_string(i)));
        if (i < 100)
            parents.push_back(added);
    }
}

} // namespace

class TestJournal : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::string path(const char* name) const { return m_dir.filePath(name).toStdString(); }

    /// A journal of `changes` random edits on a small tree, flushed after each change as the
    /// timer would with the changes a second apart, but for the last `together`, flushed as one.
    QByteArray journalOf(int changes, NodeTable& t, std::vector<std::vector<Node>>* states,
                         int together = 1) {
        t = test::treeFromOutline("TOP\n  A\n    B\n  C\n");
        const std::string file = path("cut.qmd.qmr");
        std::remove(file.c_str());
        JournalWriter w;
        w.setClock([] { return kT0; });
        w.restart({file}, {"/x/cut.qmd", 42});
        t.setRecorder(&w);
        RandomEdits edits(t, 7);
        if (states)
            states->push_back(recordsOf(t));
        std::string error;
        const auto flush = [&] { QVERIFY2(w.flush(error), error.c_str()); };
        while (int(w.changeCount()) < changes) {
            edits.step();
            if (states && states->size() == w.changeCount())
                states->push_back(recordsOf(t));
            if (int(w.changeCount()) <= changes - together)
                flush();
        }
        flush();
        t.setRecorder(nullptr);
        return test::fileBytes(QString::fromStdString(file));
    }

private slots:
    // Every flush leaves a file that gives back the tree as it stood then, slot for slot:
    // the cells file and later records name slots, so nothing may be renumbered.
    void randomSession_everyFlushReplaysToTheSameSlots() {
        NodeTable t = test::treeFromOutline("TOP\n  A\n    B\n  C\n    D\n");
        const std::string file = path("random.qmd.qmr");
        std::int64_t now = kT0;
        JournalWriter w;
        w.setClock([&] { return now; });
        w.restart({file}, {"/x/random.qmd", 7});
        t.setRecorder(&w);
        RandomEdits edits(t, 20240611);
        std::mt19937 rng(5);
        CellArray cells{};
        for (int round = 0; round < 60; ++round) {
            for (int i = int(rng() % 40); i >= 0; --i)
                edits.step();
            if (round % 17 == 5) { // a change the operations did not record
                t[2].Name = makeName("ODD");
                w.checkpoint(t);
            }
            if (round == 59) { // a long run goes out before the flush, in pieces
                const qint64 size = QFileInfo(QString::fromStdString(file)).size();
                addRun(t, 24000);
                QVERIFY(w.pending()); // once what went to the thread is written
                QVERIFY(QFileInfo(QString::fromStdString(file)).size() > size + 250000);
            }
            cells[0].Nod = round;
            w.recordCells(cells);
            std::string error;
            now = kT0 + round * 250;
            QVERIFY2(w.flush(error), error.c_str());
            QVERIFY(w.started());

            const JournalContents back = readJournalFile(file);
            QVERIFY2(back.ok, back.error.c_str());
            QCOMPARE(recordsOf(back.table), recordsOf(t));
            QCOMPARE(back.table.FreeCount(), t.FreeCount());
            QCOMPARE(back.changes, std::int64_t(w.changeCount()));
            QCOMPARE(back.lost, 0);
            QCOMPARE(back.madeUpToMs, kT0 + round * 250);
            QCOMPARE(back.base, (JournalBase{"/x/random.qmd", 7}));
            QCOMPARE(back.cells, encodeCells(cells));
            QM_VERIFY_TREE(t);
        }
        // A copy of the table records nothing.
        NodeTable copy = t;
        const std::uint64_t before = w.changeCount();
        addChild(copy, 1, makeName("COPY"));
        QCOMPARE(w.changeCount(), before);
    }

    // Every whole write before the cut is used; a cut anywhere in the last write loses just
    // the changes it held, counted as far as they can be seen.
    void cutInLastWrite_recoversEveryChangeBefore_data() {
        QTest::addColumn<int>("together");
        QTest::newRow("one change") << 1;
        QTest::newRow("three changes") << 3;
    }
    void cutInLastWrite_recoversEveryChangeBefore() {
        QFETCH(int, together);
        const int kept = 12 - together;
        NodeTable t;
        std::vector<std::vector<Node>> states;
        const QByteArray whole = journalOf(12, t, &states, together);
        QCOMPARE(int(states.size()), 13);
        NodeTable before;
        const QByteArray shorter = journalOf(kept, before, nullptr);
        QCOMPARE(recordsOf(before), states[kept]);
        const int lastWrite = whole.size() - shorter.size();
        std::int64_t lostBefore = 1;
        for (int cut = 0; cut < lastWrite; ++cut) {
            const QByteArray bytes = whole.left(shorter.size() + cut);
            const JournalContents back =
                readJournal({bytes.constData(), std::size_t(bytes.size())});
            QVERIFY2(back.ok, back.error.c_str());
            QCOMPARE(recordsOf(back.table), states[kept]);
            QCOMPARE(back.changes, kept);
            if (cut == 0 || (cut >= 5 && cut <= kTimeRecord)) {
                QCOMPARE(back.lost, 0); // no change of the write can be seen yet
                continue;
            }
            // Each change counts once its first byte is there; a record's head cut short
            // counts one.
            QVERIFY(back.lost >= lostBefore);
            QVERIFY(back.lost <= together);
            lostBefore = back.lost;
        }
        QCOMPARE(lostBefore, together);
        const JournalContents all = readJournal({whole.constData(), std::size_t(whole.size())});
        QCOMPARE(recordsOf(all.table), states[12]);
        QCOMPARE(all.changes, 12);
        QCOMPARE(all.lost, 0);
    }

    void damage_data() {
        QTest::addColumn<int>("at"); // byte offset counted from the end; 0: none
        QTest::addColumn<QByteArray>("tail");
        QTest::addColumn<int>("changes");
        QTest::addColumn<int>("lost");
        QTest::addColumn<bool>("ok");
        QTest::newRow("a byte flipped in the last change") << 3 << QByteArray() << 11 << 1 << true;
        QTest::newRow("garbage after the end") << 0 << QByteArray(13, '\xEE') << 12 << 1 << true;
        QTest::newRow("zeros after the end") << 0 << QByteArray(40, '\0') << 12 << 1 << true;
        QTest::newRow("the header damaged") << -20 << QByteArray() << 0 << 0 << false;
    }
    void damage() {
        QFETCH(int, at);
        QFETCH(QByteArray, tail);
        QFETCH(int, changes);
        QFETCH(int, lost);
        QFETCH(bool, ok);
        NodeTable t;
        QByteArray bytes = journalOf(12, t, nullptr);
        if (at > 0)
            bytes[bytes.size() - at] = char(bytes[bytes.size() - at] ^ 0x10);
        if (at < 0)
            bytes[-at] = char(bytes[-at] ^ 0x10);
        bytes += tail;
        const JournalContents back = readJournal({bytes.constData(), std::size_t(bytes.size())});
        QCOMPARE(back.ok, ok);
        QCOMPARE(back.changes, changes);
        QCOMPARE(back.lost, lost);
    }

    // A journal of the first kind, with a record for each change, is known and not replayed.
    void olderJournal_toldApart() {
        NodeTable t;
        QByteArray bytes = journalOf(2, t, nullptr);
        bytes[7] = '1';
        const JournalContents back = readJournal({bytes.constData(), std::size_t(bytes.size())});
        QVERIFY(!back.ok);
        QCOMPARE(back.error, "an older version of the program wrote it");
        QCOMPARE(back.changes, 0);
    }

    // A whole record that does not fit the tree it follows ends the replay there.
    void changeThatDoesNotFit_stopsThere() {
        NodeTable t = test::treeFromOutline("TOP\n  A\n  B\n");
        const std::string file = path("misfit.qmr");
        JournalWriter w;
        w.restart({file}, {});
        t.setRecorder(&w);
        addChild(t, 2, makeName("X"));
        w.changed({TreeChange::Delete, 99});               // no such item
        w.changed({TreeChange::Add, 1, 9, makeName("Y")}); // not the slot Add would take
        renameItem(t, 3, makeName("Z"));
        std::string error;
        QVERIFY(w.flush(error));
        const JournalContents back = readJournalFile(file);
        QVERIFY(back.ok);
        QCOMPARE(back.changes, 1);
        QCOMPARE(back.lost, 3);
        QCOMPARE(test::childNames(back.table, 2), QStringList{"X"});
        QCOMPARE(back.base, JournalBase{});
    }

    // A large tree goes to the file as it is encoded, not through memory of its size.
    void largeTree_streamedAndReadBack() {
        NodeTable t = test::treeFromOutline("TOP\n");
        for (std::int32_t i = 0; i < 40000; ++i)
            addChild(t, 1 + i / 7, makeName("N" + std::to_string(i)));
        const std::string file = path("large.qmr");
        JournalWriter w;
        w.restart({file}, {"/x/large.qmd", 3});
        t.setRecorder(&w);
        renameItem(t, 2, makeName("FIRST"));
        // The tree is in the file at once; the rename waits for the flush.
        QCOMPARE(QFileInfo(QString::fromStdString(file)).size(), 52 + 17 + 40002 * 38 + 9);
        w.checkpoint(t);
        addChild(t, 5, makeName("LAST"));
        std::string error;
        QVERIFY(w.flush(error));
        const JournalContents back = readJournalFile(file);
        QVERIFY2(back.ok, back.error.c_str());
        QCOMPARE(back.changes, 3);
        QCOMPARE(recordsOf(back.table), recordsOf(t));
    }

    // A long run goes to the file on a thread: when the file cannot take it, none of it stays
    // there, the next flush says why, and once the file can take it, it is written whole.
    void failureOnTheThread_toldThenWrittenWhole_data() {
        QTest::addColumn<bool>("madeBefore"); // the file was made before the run
        QTest::newRow("its folder is missing") << false;
        QTest::newRow("the file cannot grow") << true;
    }
    void failureOnTheThread_toldThenWrittenWhole() {
        QFETCH(bool, madeBefore);
        const QString folder = m_dir.filePath(madeBefore ? "grows" : "missing");
        const std::string file = (folder + "/x.qmr").toStdString();
        NodeTable t = test::treeFromOutline("TOP\n  A\n");
        JournalWriter w;
        w.restart({file}, {"/x/x.qmd", 5});
        t.setRecorder(&w);
        std::string error;
        qint64 size = 0;
        std::optional<FileSizeLimit> limit;
        if (madeBefore) {
            QVERIFY(QDir().mkpath(folder));
            addChild(t, 2, makeName("FIRST"));
            QVERIFY2(w.flush(error), error.c_str());
            size = QFileInfo(QString::fromStdString(file)).size();
            limit.emplace(size + 100000); // a piece of the run is larger
        }
        addRun(t, 30000);
        QVERIFY(w.pending()); // once what went to the thread came back
        QCOMPARE(QFileInfo(QString::fromStdString(file)).size(), size);
        QVERIFY(!w.flush(error));
        QVERIFY2(error.find(folder.toStdString()) != std::string::npos, error.c_str());

        limit.reset();
        QVERIFY(QDir().mkpath(folder));
        QVERIFY2(w.flush(error), error.c_str());
        const JournalContents back = readJournalFile(file);
        QVERIFY2(back.ok, back.error.c_str());
        QCOMPARE(recordsOf(back.table), recordsOf(t));
        QCOMPARE(back.changes, std::int64_t(w.changeCount()));
        QCOMPARE(back.lost, 0);
    }

    // The journal goes to the first place where nothing lies, is locked while written, and
    // replaces only the journal it was told it recovers.
    void places_locksAndRemoves() {
        const std::string taken = path("taken.qmd.qmr"), spare = path("spare.qmr");
        test::putFile(QString::fromStdString(taken), "not a journal");
        NodeTable t = test::treeFromOutline("TOP\n  A\n");
        std::string error;
        std::int64_t now = kT0;
        {
            JournalWriter w;
            w.setClock([&] { return now; });
            w.restart({taken, spare}, {"/x/taken.qmd", 1});
            QVERIFY(w.flush(error)); // nothing changed: nothing written
            QVERIFY(!w.started() && !QFile::exists(QString::fromStdString(spare)));
            t.setRecorder(&w);
            addChild(t, 1, makeName("B"));
            QVERIFY(w.pending());
            QVERIFY(w.flush(error));
            QCOMPARE(w.path(), spare);
            QVERIFY(journalInUse(spare));
            QVERIFY(w.pending()); // written, synced only once a second has passed
            now = kT0 + 999;
            QVERIFY(w.flush(error) && w.pending());
            now = kT0 + 1000;
            QVERIFY(w.flush(error) && !w.pending());
            QCOMPARE(test::fileBytes(QString::fromStdString(taken)), QByteArray("not a journal"));
        }
        QVERIFY(!journalInUse(spare)); // a crash leaves it unlocked for recovery
        QCOMPARE(readJournalBase(spare), (JournalBase{"/x/taken.qmd", 1}));
        QVERIFY(!readJournalBase(taken));

        JournalWriter w;
        w.restart({spare}, {"/x/taken.qmd", 1}, spare);
        w.checkpoint(t);
        QVERIFY(w.flush(error));
        QCOMPARE(readJournalFile(spare).changes, 1);
        w.discard();
        QVERIFY(!QFile::exists(QString::fromStdString(spare)));
        w.restart({path("none/x.qmr")}, {});
        w.checkpoint(t);
        QVERIFY(!w.flush(error));
        QVERIFY(error.find("none") != std::string::npos);
    }
};

QTEST_GUILESS_MAIN(TestJournal)
#include "test_journal.moc"
