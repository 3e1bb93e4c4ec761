#pragma once
// Whole files as bytes, for tests that check what was written byte for byte.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>
#include <fcntl.h>
#include <sys/stat.h>

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
