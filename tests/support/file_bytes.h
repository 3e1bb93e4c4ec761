#pragma once
// Whole files as bytes, for tests that check what was written byte for byte.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace qm::test {

inline QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

/// Writes the bytes, failing the current test when it cannot.
inline void putFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

/// Makes at `path` what a settings or data file must not be taken for: "folder", "fifo",
/// "device" (a null device of its own), "link" (to a fifo beside it) or "huge" (a sparse file
/// of 64 GiB, no bytes written). False when this system does not allow it.
inline bool makeOddFile(const QString& kind, const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    if (kind == QLatin1String("folder"))
        return ::mkdir(name.constData(), 0755) == 0;
    if (kind == QLatin1String("fifo"))
        return ::mkfifo(name.constData(), 0644) == 0;
    if (kind == QLatin1String("device"))
        return ::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    if (kind == QLatin1String("link")) {
        const QByteArray fifo = name + ".fifo";
        return ::mkfifo(fifo.constData(), 0644) == 0 && ::symlink(fifo.constData(), name) == 0;
    }
    QFile f(path);
    return kind == QLatin1String("huge") && f.open(QIODevice::WriteOnly) &&
           f.resize(qint64(64) << 30);
}

/// The file's identity and state, to show it was left alone.
inline QList<qint64> fileStamp(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {qint64(st.st_ino), qint64(st.st_mode), qint64(st.st_size), qint64(st.st_mtim.tv_sec),
            qint64(st.st_mtim.tv_nsec)};
}

/// Runs `change` on a file, then puts its modification time back to the nanosecond, as a
/// program that restores files with their times (cp -p, rsync -t) would.
template <typename Change> void keepingTime(const QString& path, Change change) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    QVERIFY(::stat(name.constData(), &st) == 0);
    change();
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    QVERIFY(::utimensat(AT_FDCWD, name.constData(), times, 0) == 0);
}

} // namespace qm::test
