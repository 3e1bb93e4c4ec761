// The data file and its companions: records read, repaired or refused, written byte for
// byte; and the safe writer on hostile places: links where companions go, read-only files,
// devices, and what interrupted saves in other processes leave behind.

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "store/cells_file.h"
#include "store/data_file.h"
#include "store/safe_file.h"
#include "support/file_bytes.h"
#include "support/tree_checker.h"

using namespace qm;
using namespace qm::test;

namespace {

QByteArray recordBytes(const std::vector<Node>& recs) {
    QByteArray bytes(qsizetype(recs.size()) * kRecordSize, '\0');
    for (std::size_t k = 0; k < recs.size(); ++k)
        encodeRecord(recs[k], bytes.data() + k * kRecordSize);
    return bytes;
}

// Slots 1 Top, 2 A, 3 A1, 4 A2, 5 B, 6 C, 7 free with looping stale links; one field changed.
template <typename T = int>
QByteArray sample(int slot = 0, T Node::*field = nullptr, std::type_identity_t<T> value = {}) {
    NodeTable t = treeFromOutline("Top\n  A\n    A1\n    A2\n  B\n  C\n");
    t[t.Node_Alloc()] = Node{0, 2, 0, 7, 0, kSlotInUse, makeName("")};
    t.freeSlot(7);
    std::vector<Node> recs(t.records().begin(), t.records().begin() + t.NodeCount() + 1);
    if (field)
        recs[slot].*field = value;
    return recordBytes(recs);
}

// Top with a chain of `depth` items below it.
QByteArray chainFile(int depth) {
    std::vector<Node> recs{nodeHeader()};
    for (int k = 1; k <= depth + 1; ++k) // each item the only child of the one before
        recs.push_back({k - 1, k <= depth ? k + 1 : 0, 0, 0, std::uint8_t(k - 1), kSlotInUse, {}});
    return recordBytes(recs);
}

// The cells record as an independent little-endian writer lays it out.
QByteArray cellRecord(const Cell& c) {
    QByteArray r;
    QDataStream s(&r, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s << c.PrevCel << c.NextCel << c.Nod << c.PrevNod << c.NextNod << c.Mode;
    return r;
}

// A save running in another process, held in the middle of writing its temporary file.
// A test that fails while it is held kills it.
class OtherSave {
public:
    OtherSave(const QString& path, const QByteArray& content) {
        int ready[2], go[2];
        if (::pipe(ready) != 0 || ::pipe(go) != 0)
            qFatal("no pipes");
        m_pid = ::fork();
        if (m_pid == 0) {
            std::string error;
            const bool ok = writeFileSafely(
                path.toStdString(),
                [&](const ByteSink& sink) {
                    sink(content.constData(), std::size_t(content.size()));
                    char c = 1;
                    return ::write(ready[1], &c, 1) == 1 && ::read(go[0], &c, 1) == 1;
                },
                error, kDataFileRules);
            ::_exit(ok ? 0 : 1);
        }
        ::close(ready[1]);
        ::close(go[0]);
        char c = 0;
        if (::read(ready[0], &c, 1) != 1)
            qFatal("the other save did not start");
        ::close(ready[0]);
        m_go = go[1];
    }
    ~OtherSave() {
        if (m_pid > 0)
            kill();
        ::close(m_go);
    }
    pid_t pid() const { return m_pid; }
    /// Lets the save run to its end; its exit status.
    int finish() {
        char c = 1;
        int status = -1;
        const bool ended = ::write(m_go, &c, 1) == 1 && ::waitpid(m_pid, &status, 0) == m_pid;
        m_pid = -1;
        return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    /// Ends it as a crash or a kill would, in the middle of writing.
    void kill() {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_go = -1;
};

QStringList hiddenFiles(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// No process can have this id: it is above the largest pid_max Linux allows.
constexpr const char* kGonePid = "99999999";

} // namespace

class TestDataFile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::string m_error; // what the last save reported

private slots:
    // Outcome: sound, wrong signature, repaired, or the reason it is refused. A loaded table
    // holds every whole record and room up to the next step of 1000 slots.
    void load_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("outcome"); // "outside": items nobody can reach
        const auto row = [](const char* name, const QByteArray& bytes, const char* outcome) {
            QTest::newRow(name) << bytes << QString(outcome);
        };
        row("stale free slot, part of a record left", sample() + "z", "sound");
        row("999 records", chainFile(0) + QByteArray(997 * kRecordSize, 0), "sound");
        row("1000 records", chainFile(0) + QByteArray(998 * kRecordSize, 0), "sound");
        row("negative links mean none", sample(6, &Node::NextSibling, -1), "sound");
        row("255 levels deep", chainFile(255), "sound");
        row("signature in other case", sample(0, &Node::Name, makeName("Quillmar v2.0 DbFile")),
            "wrong signature");
        row("child Level wrong", sample(3, &Node::Level, 9), "repaired");
        row("top item lists no child", sample(1, &Node::FirstChild, -1), "outside");
        row("37 bytes", sample().left(37), "no whole record");
        row("signature only", sample().left(38), "only one record");
        row("top item free", sample(1, &Node::InUse, 0), "the top item, is free");
        row("top item has a sibling", sample(1, &Node::NextSibling, 5), "top item");
        row("link far beyond", sample(6, &Node::NextSibling, 0x7FFFFFFF), "beyond");
        row("chain reaches a free slot", sample(6, &Node::NextSibling, 7), "free");
        row("child is its grandparent", sample(4, &Node::FirstChild, 2), "already in the tree");
        row("parent disagrees", sample(5, &Node::Parent, 2), "parent");
        row("previous disagrees", sample(5, &Node::PrevSibling, 6), "previous");
        row("256 levels deep", chainFile(256), "deeper than 255");
    }
    void load() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, outcome);
        const std::string path = m_dir.filePath("load.qmd").toStdString();
        putFile(m_dir.filePath("load.qmd"), bytes);
        const LoadResult r = loadDataFile(path);
        QCOMPARE(loadDataBytes({bytes.constData(), std::size_t(bytes.size())}).ok, r.ok);
        const bool refused =
            !QStringList{"sound", "wrong signature", "repaired", "outside"}.contains(outcome);
        QVERIFY2(r.ok != refused, r.error.c_str());
        QVERIFY2(QString(r.error.c_str()).contains(refused ? outcome : ""), r.error.c_str());
        QCOMPARE(r.trailingBytes, bytes.size() % kRecordSize);
        if (refused)
            return;
        QCOMPARE(r.signatureOk, outcome != "wrong signature");
        QCOMPARE(r.problems.empty(), outcome == "sound");
        QCOMPARE(r.levelRepairs, outcome == "repaired" ? 1 : 0);
        // Items nobody can reach are kept, but not counted as items of the tree.
        QCOMPARE(r.outside, outcome == "outside" ? 5 : 0);
        QCOMPARE(r.table.itemCount(),
                 outcome == "outside" ? 0 : r.table.NodeCount() - r.table.FreeCount() - 1);
        QCOMPARE(r.table.NodeCount(), int(bytes.size() / kRecordSize) - 1);
        QCOMPARE(r.table.capacity(), bytes.size() < 1000 * kRecordSize ? 1002 : 2002);
        QM_VERIFY_TREE(r.table);    // levels repaired, FreeCount right
        if (outcome == "outside") { // and come back on save exactly as they were read
            QVERIFY2(saveDataFile(path, r.table, m_error), m_error.c_str());
            QCOMPARE(fileBytes(m_dir.filePath("load.qmd")), bytes);
        }
    }

    void saveWritesEverySlot_byteExact() {
        NodeTable t = treeFromOutline("Top\n  A\n  B\n");
        t[2].NextSibling = 0;
        t.freeSlot(3); // B keeps its links and name in the file
        const QString p = m_dir.filePath("exact.qmd");
        putFile(p, QByteArray(1000, 'x')); // a longer earlier version
        QVERIFY2(saveDataFile(p.toStdString(), t, m_error), m_error.c_str());
        // The signature record, then per slot little-endian links, Level, InUse, padded name.
        const QByteArray expected =
            QByteArray::fromHex("00ADF8FF8056FCFF0000000080A903000000") + "QuillMar v2.0 DbFile" +
            QByteArray::fromHex("00000000 02000000 00000000 00000000 00 ff") +
            "Top                 " +
            QByteArray::fromHex("01000000 00000000 00000000 00000000 01 ff") +
            "A                   " +
            QByteArray::fromHex("01000000 00000000 02000000 00000000 01 00") +
            "B                   ";
        QCOMPARE(fileBytes(p).toHex(' '), expected.toHex(' '));
        QVERIFY(loadDataFile(p.toStdString()).table.records() == t.records());
    }

    void failedSaveOrNoFile_reportedAndOldFileKept() {
        QTemporaryDir dir;
        const QString p = dir.filePath("keep.qmd");
        putFile(p, sample());
        const auto failMidway = [](const ByteSink& sink) { return sink("partial", 7), false; };
        QVERIFY(!writeFileSafely(p.toStdString(), failMidway, m_error));
        QVERIFY(!m_error.empty());
        QCOMPARE(fileBytes(p), sample());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.qmd"});

        // Neither a folder, a missing file nor a pipe loads (without waiting for a writer),
        // and saving over a folder fails and leaves it be.
        const QString folder = dir.filePath("folder.qmd"), pipe = dir.filePath("pipe.qmd");
        QVERIFY(QDir(dir.path()).mkdir("folder.qmd"));
        QCOMPARE(::mkfifo(qPrintable(pipe), 0600), 0);
        for (const QString& bad : {folder, dir.filePath("missing.qmd"), pipe})
            QVERIFY(!loadDataFile(bad.toStdString()).error.empty());
        QVERIFY(!saveDataFile(folder.toStdString(), treeFromOutline("Top\n"), m_error = {}));
        QVERIFY(!m_error.empty());
        QVERIFY(QDir(folder).exists());
    }

    // A file larger than any table this process could hold is refused at once, before a
    // byte of it is read or its table allocated (the files are sparse: nothing is written).
    void hugeFile_refusedBeforeReading_data() {
        QTest::addColumn<qint64>("gib");
        QTest::addColumn<int>("failure");
        QTest::newRow("64 GiB: beyond the memory") << qint64(64) << int(LoadFailure::NoMemory);
        QTest::newRow("100 GiB: beyond the slot numbers")
            << qint64(100) << int(LoadFailure::TooLarge);
    }
    void hugeFile_refusedBeforeReading() {
        QFETCH(qint64, gib);
        const double memory = double(::sysconf(_SC_PHYS_PAGES)) * double(::sysconf(_SC_PAGESIZE));
        if (gib == 64 && memory >= double(gib << 30) * 1.2)
            QSKIP("this computer could hold a table of that size");
        const QString p = m_dir.filePath("huge.qmd");
        putFile(p, sample()); // a sound start, so only the size can refuse it
        QVERIFY(::truncate(qPrintable(p), gib << 30) == 0);
        const LoadResult r = loadDataFile(p.toStdString());
        QVERIFY(!r.ok);
        QFETCH(int, failure);
        QCOMPARE(int(r.failure), failure);
        QCOMPARE(r.records, (gib << 30) / kRecordSize);
        QVERIFY2(QString(r.error.c_str()).contains(std::to_string(r.records).c_str()),
                 r.error.c_str());
        QCOMPARE(int(readDataRecords(p.toStdString()).failure), failure);
    }

    // Cells 2 to 5 name what is not there: they read back empty, or without the stale link.
    void writeCells_byteExactAndReadBack() {
        // Slots 1..4 are in the tree, 5 is free, the table ends at 6.
        const std::vector<bool> inTree{false, true, true, true, true, false};
        const QString p = m_dir.filePath("t.qms");
        const CellArray cells{Cell{-1, 1, 1, 0, 2, 3},     Cell{0, -1, 2, 1, 0, 0},
                              Cell{-1, 1, 5, 0, 0, 0},     // a free slot
                              Cell{-1, 1, 99999, 0, 0, 0}, // beyond the table
                              Cell{15, 2, 3, 2, 4, 1},     // PrevCel beyond the cells
                              Cell{0, 2, 3, 5, 4, 1}};     // PrevNod a free slot
        QVERIFY2(writeCellsFile(p.toStdString(), cells, m_error), m_error.c_str());
        QByteArray expected = QByteArray::fromHex("ffff 0100 01000000 00000000 02000000 0300");
        for (int k = 1; k < kCellCount; ++k)
            expected += cellRecord(cells[k]);
        QCOMPARE(fileBytes(p), expected);
        std::vector<Cell> back(cells.begin(), cells.end());
        back[2] = back[3] = back[4] = Cell{};
        back[5] = Cell{-1, 2, 3, 0, 4, 1};
        QCOMPARE(readCellsFile(p.toStdString(), inTree), back);
        QVERIFY(::truncate(qPrintable(p), qint64(64) << 30) == 0); // 64 GiB, only 15 records read
        QCOMPARE(readCellsFile(p.toStdString(), inTree), back);
        putFile(p, expected.left(5 * 18 + 3)); // a short file gives the records present
        QCOMPARE(readCellsFile(p.toStdString(), inTree).size(), std::size_t(5));
        QVERIFY(readCellsFile(m_dir.filePath("none.qms").toStdString(), inTree).empty());
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

    // With notes.qms and notes.qmb linked to other files, saving writes the companions as
    // files of their own; a link to the data file itself is followed.
    void companionLinksReplaced_dataLinkFollowed() {
        QTemporaryDir dir;
        const QString victim = dir.filePath("victim.txt"), other = dir.filePath("other.txt");
        putFile(victim, "mine");
        putFile(other, "mine too");
        const QString real = dir.filePath("real.qmd"), data = dir.filePath("notes.qmd");
        QVERIFY(saveDataFile(real.toStdString(), treeFromOutline("OLD\n"), m_error));
        QVERIFY(QFile::link(real, data));
        QVERIFY(QFile::link(victim, dir.filePath("notes.qms")));
        QVERIFY(QFile::link(other, dir.filePath("notes.qmb")));

        QVERIFY2(saveDataFile(data.toStdString(), treeFromOutline("NEW\n  A\n"), m_error),
                 m_error.c_str());
        QVERIFY(QFileInfo(data).isSymLink());
        QCOMPARE(fileBytes(real).size(), 3 * kRecordSize);
        QVERIFY(writeCellsFile(cellsPathFor(data.toStdString()), CellArray{}, m_error));
        QVERIFY(copyFileSafely(data.toStdString(), backupPathFor(data.toStdString()), m_error));

        QCOMPARE(fileBytes(victim), QByteArray("mine"));
        QCOMPARE(fileBytes(other), QByteArray("mine too"));
        QVERIFY(!QFileInfo(dir.filePath("notes.qms")).isSymLink());
        QVERIFY(!QFileInfo(dir.filePath("notes.qmb")).isSymLink());
        QCOMPARE(fileBytes(dir.filePath("notes.qms")).size(), kCellCount * kCellRecordSize);
        QCOMPARE(fileBytes(dir.filePath("notes.qmb")), fileBytes(real));
    }

    // Nothing is replaced that the user may not write, or that is no file at all; the
    // reason comes back and the place stays as it was.
    void readOnlyOrNoFile_refusedAndLeftAlone_data() {
        QTest::addColumn<QString>("place");
        QTest::addColumn<bool>("companion");
        QTest::addColumn<QString>("reason");
        QTest::newRow("read-only data file") << "file 0444" << false << "it is read-only";
        QTest::newRow("link to a read-only data file") << "link 0444" << false << "it is read-only";
        QTest::newRow("read-only cells file") << "file 0444" << true << "it is read-only";
        QTest::newRow("no write bit for anyone") << "file 0111" << false << "it is read-only";
        QTest::newRow("pipe as data file") << "fifo" << false << "it is a pipe (FIFO)";
        QTest::newRow("pipe as cells file") << "fifo" << true << "it is a pipe (FIFO)";
        QTest::newRow("link to a pipe") << "link fifo" << false << "it is a pipe (FIFO)";
    }
    void readOnlyOrNoFile_refusedAndLeftAlone() {
        QFETCH(QString, place);
        QFETCH(bool, companion);
        QTemporaryDir dir;
        const QString target = dir.filePath("target"), path = dir.filePath("t.qms");
        const QString at = place.startsWith("link") ? target : path;
        if (place.endsWith("fifo")) {
            QVERIFY(::mkfifo(qPrintable(at), 0600) == 0);
        } else {
            putFile(at, "kept");
            QVERIFY(::chmod(qPrintable(at), place.right(4).toUInt(nullptr, 8)) == 0);
        }
        if (place.startsWith("link"))
            QVERIFY(QFile::link(target, path));
        m_error.clear();
        const bool saved = companion
                               ? writeCellsFile(path.toStdString(), CellArray{}, m_error)
                               : saveDataFile(path.toStdString(), treeFromOutline("T\n"), m_error);
        QVERIFY(!saved);
        QTEST(QString::fromStdString(m_error), "reason");
        if (!place.endsWith("fifo")) {
            ::chmod(qPrintable(at), 0644);
            QCOMPARE(fileBytes(at), QByteArray("kept"));
        }
        QCOMPARE(hiddenFiles(dir.path()).filter(".qmtmp-"), QStringList());
    }

    // A save killed in the middle leaves its temporary file; the next save of the same file
    // removes it, but never the one a save still running in another process is writing.
    void leftovers_removedOnlyWhenTheirWriterIsGone() {
        QTemporaryDir dir;
        const QString data = dir.filePath("t.qmd");
        putFile(data, "first");
        OtherSave running(data, "running");
        OtherSave(data, "killed").kill();
        QCOMPARE(hiddenFiles(dir.path()).filter(".t.qmd.qmtmp-").size(), 2);

        // Look-alikes that are not our leftovers, and one whose writer still holds its lock
        // though its process id names no process here (another machine, another namespace).
        const QString gone = QString(".t.qmd.qmtmp-%1-").arg(kGonePid);
        const QStringList kept{".t.qmd.qmtmp-12-abc",
                               ".u.qmd.qmtmp-" + QString(kGonePid) + "-abcdef",
                               ".t.qmd.qmtmp-x1-abcdef", gone + "locked", ".t.qmd.keep"};
        for (const QString& name : kept)
            putFile(dir.filePath(name), "not ours");
        QVERIFY(QFile::link(data, dir.filePath(gone + "linked")));
        const int locked = ::open(qPrintable(dir.filePath(gone + "locked")), O_RDONLY);
        QVERIFY(locked >= 0);
        QCOMPARE(::flock(locked, LOCK_EX), 0);
        putFile(dir.filePath(gone + "Abc123"), "left by a save on another machine, long gone");

        QVERIFY2(saveDataFile(data.toStdString(), treeFromOutline("T\n"), m_error),
                 m_error.c_str());
        const QStringList temps = hiddenFiles(dir.path()).filter(".t.qmd.qmtmp-");
        QCOMPARE(temps.size(), 5); // the running save's, the locked one, and three look-alikes
        const QString runningMark = QString("-%1-").arg(running.pid());
        QCOMPARE(temps.filter(runningMark).size(), 1);
        QVERIFY(temps.contains(gone + "locked"));
        QVERIFY(temps.contains(gone + "linked"));
        for (const QString& name : kept)
            QVERIFY2(QFile::exists(dir.filePath(name)), qPrintable(name));
        ::close(locked);

        // The running save completes as if nothing had happened.
        QCOMPARE(running.finish(), 0);
        QCOMPARE(fileBytes(data), QByteArray("running"));
        QCOMPARE(hiddenFiles(dir.path()).filter(runningMark), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestDataFile)
#include "test_data_file.moc"
