#pragma once
// Damages data files on purpose: changes fields of their records in place.

#include <QRegularExpression>
#include <QStringList>

#include "store/data_file.h"
#include "support/file_bytes.h"

namespace qm::test {

/// Changes records of a data file: "6.NextSibling=2 2.InUse=7 5.Name=A" (slot.field=value).
inline void patchRecords(const QString& file, const QString& changes) {
    QByteArray bytes = fileBytes(file);
    for (const QString& change : changes.split(' ', Qt::SkipEmptyParts)) {
        const QStringList parts = change.split(QRegularExpression("[.=]"));
        QVERIFY2(parts.size() == 3, qPrintable(change));
        const int slot = parts[0].toInt(), value = parts[2].toInt();
        Node n = decodeRecord(bytes.constData() + slot * kRecordSize);
        const QString& field = parts[1];
        if (field == "Parent")
            n.Parent = value;
        else if (field == "FirstChild")
            n.FirstChild = value;
        else if (field == "PrevSibling")
            n.PrevSibling = value;
        else if (field == "NextSibling")
            n.NextSibling = value;
        else if (field == "Level")
            n.Level = std::uint8_t(value);
        else if (field == "InUse")
            n.InUse = std::uint8_t(value);
        else if (field == "Name")
            n.Name = makeName(parts[2].toStdString());
        else
            QFAIL(qPrintable("unknown field " + field));
        encodeRecord(n, bytes.data() + slot * kRecordSize);
    }
    putFile(file, bytes);
}

} // namespace qm::test
