#pragma once
// The frame of the program's own fixed dialogs: a title bar with its menu and close box, and
// no resizing, minimising or maximising.

#include <QFlags>
#include <Qt>

namespace qm {

inline constexpr Qt::WindowFlags kFixedDialogFlags =
    Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
    Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

} // namespace qm
