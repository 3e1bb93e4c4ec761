#pragma once
// What the window tells the user about a data file it loaded or refused, in the user's
// words; qmtool check keeps the technical detail.

#include <QString>

namespace qm {

struct LoadResult;

/// The one alert for a file the load refused: "<path>" CR LF "can't be loaded: <why>.",
/// naming qmtool repair when it can rescue the items.
QString refusalText(const QString& path, const LoadResult& r);
/// The lines below the path of the one alert a loaded file may need: the signature verdict
/// and the damage worked around. Empty when all is well.
QString loadNote(const LoadResult& r);

} // namespace qm
