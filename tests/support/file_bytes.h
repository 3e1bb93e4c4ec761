#pragma once
// Whole files as bytes, for tests that check what was written byte for byte.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

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

} // namespace qm::test
