#pragma once
// Window sizes and positions are designed in twips (1440 to the inch); this is the one
// place that turns them into pixels at the screen's logical resolution.

#include <QGuiApplication>
#include <QPoint>
#include <QRect>
#include <QScreen>
#include <QSize>
#include <cmath>

namespace qm::twips {

/// Logical dots per inch of the primary screen (96 when there is none).
inline double screenDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

inline int toPixels(double twips, double dpi = screenDpi()) {
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}
inline double fromPixels(int pixels, double dpi = screenDpi()) {
    return pixels * 1440.0 / dpi;
}

inline QPoint point(double x, double y) {
    return {toPixels(x), toPixels(y)};
}
inline QSize size(double w, double h) {
    return {toPixels(w), toPixels(h)};
}
inline QRect rect(double x, double y, double w, double h) {
    return {point(x, y), size(w, h)};
}

} // namespace qm::twips
