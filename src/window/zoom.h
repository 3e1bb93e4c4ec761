#pragma once
// The zoom steps of the window, and keeping a window whole on the screen.

#include <QPointF>
#include <QRect>
#include <QSize>
#include <array>
#include <functional>

class QWidget;

namespace qm {

inline constexpr std::array<int, 5> kZoomSteps{100, 125, 150, 175, 200};

/// The step nearest to any percentage; halfway between two, the smaller.
int nearestZoom(double percent);
/// The step after (`direction` 1) or before (-1) `percent`'s nearest step; the end steps
/// stay where they are.
int nextZoom(int percent, int direction);

/// Where a window goes: the wanted position (any value at all), moved just enough to bring
/// the whole window onto the available area, or its top-left corner when the window is
/// larger than that area.
QPoint placeWindow(QPointF wanted, QSize size, const QRect& available);
inline bool fitsOn(QSize size, const QRect& available) {
    return size.width() <= available.width() && size.height() <= available.height();
}
/// The available area of the screen a window is on.
QRect availableArea(const QWidget& window);

/// Ctrl++ (or Ctrl+=) and Ctrl+- step the window's zoom (`step` gets 1 or -1), Ctrl+0 resets
/// it; actions of the window, kept out of the menus.
void addZoomKeys(QWidget& window, std::function<void(int direction)> step,
                 std::function<void()> reset);

} // namespace qm
