#pragma once
// The frame of the program's own fixed dialogs: a title bar with its menu and close box, and
// no resizing, minimising or maximising.

#include <QFlags>
#include <QString>
#include <Qt>

namespace qm {

inline constexpr Qt::WindowFlags kFixedDialogFlags =
    Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
    Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

/// The width a window needs for the window manager to show its whole title: title bars use a
/// larger, bold font and put an icon and up to three buttons beside the title.
int titleRoom(const QString& title);

} // namespace qm
