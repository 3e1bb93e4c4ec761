#pragma once
// The program's emblem, one vector design (data/icons/quillmar.svg) for the window icon, the
// About box, the printed listing and the installed icons.

class QIcon;
class QPainter;
class QRectF;

namespace qm {

/// Draws the emblem scaled into `target`, in the painter's own units.
void paintEmblem(QPainter& painter, const QRectF& target);
/// The emblem as an icon, rendered at the usual icon sizes.
QIcon appIcon();

} // namespace qm
