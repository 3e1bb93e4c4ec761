#pragma once
// Printed PDF files read back as text.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace qm::test {

/// The text of a PDF as pdftotext reads it, pages ended by form feeds; null when it could
/// not be read (pdftotext comes with poppler-utils, which scripts/install-deps installs).
inline QString pdfText(const QString& path, const QStringList& options = {}) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), options + QStringList{path, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning("pdftotext failed on %s: %s", qPrintable(path),
                 qPrintable(p.errorString() + QString::fromLocal8Bit(p.readAllStandardError())));
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

/// The lines of a text that hold more than spaces, trimmed.
inline QStringList textLines(const QString& text) {
    QStringList out;
    for (const QString& l : text.split(u'\n'))
        if (!l.trimmed().isEmpty())
            out << l.trimmed();
    return out;
}

} // namespace qm::test
