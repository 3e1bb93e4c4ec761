#pragma once
// The file names the program proposes and completes in its file dialogs.

#include <QString>

namespace qm {

/// The folder a file lies in; empty for no file.
QString folderOf(const QString& file);
/// An item's name made a file name with `suffix`: a folder separator or a control character,
/// which no file name may hold, becomes "_".
QString fileNameFor(const QString& itemName, const QString& suffix);
/// `path` with "." and `suffix` added when the name typed has no extension of its own.
QString withDefaultSuffix(const QString& path, const QString& suffix);

} // namespace qm
