#pragma once
// Turning the program's arguments into the data file to open at start.

#include <QString>
#include <QStringList>

namespace qm {

/// The arguments joined by single spaces, so a path with spaces typed without quotes is
/// still one name; a leading double quote drops the first and the last character.
QString commandLineFile(const QStringList& arguments);

} // namespace qm
