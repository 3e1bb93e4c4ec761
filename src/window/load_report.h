#pragma once
// What the window tells the user about a data file it loaded or refused, in the user's
// words; qmtool check keeps the technical detail.

#include <QString>
#include <vector>

namespace qm {

struct LoadResult;
struct OutlineNotice;
class Prompter;

/// The one alert for a file the load refused: "<path>" CR LF "can't be loaded: <why>.",
/// naming qmtool repair when it can rescue the items.
QString refusalText(const QString& path, const LoadResult& r);
/// The lines below the path of the one alert a loaded file may need: the signature verdict
/// and the damage worked around. Empty when all is well.
QString loadNote(const LoadResult& r);

/// "line 3, column 7: " for a place in an imported document; nothing for the whole of it.
QString placeWords(int line, int column);
/// The one box for everything an import changed or left out: `done` says what was read,
/// and each warning is a line of the list behind "Show Details...". Nothing when there is
/// no warning.
void tellImportWarnings(Prompter& prompter, const QString& done,
                        const std::vector<OutlineNotice>& warnings);

} // namespace qm
