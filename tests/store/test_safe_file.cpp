// The safe writer on hostile places: links where companions go, read-only files, devices,
// and what interrupted saves in other processes leave behind.

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

class TestSafeFile : public QObject {
    Q_OBJECT

    std::string m_error;

private slots:
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

QTEST_APPLESS_MAIN(TestSafeFile)
#include "test_safe_file.moc"
