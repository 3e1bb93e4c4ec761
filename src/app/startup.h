#pragma once
// Turning the program's arguments into the data file to open at start.

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

namespace qm {

/// The arguments joined by single spaces, so a path with spaces typed without quotes is
/// still one name; a leading double quote drops the first and the last character.
QString commandLineFile(const QStringList& arguments);

/// Where the main window goes: the saved position (any value at all), moved just enough to
/// bring the whole window onto the screen's available area, or its top-left corner when the
/// window is larger than that area.
QPoint placeWindow(QPointF wanted, QSize size, const QRect& available);

} // namespace qm
