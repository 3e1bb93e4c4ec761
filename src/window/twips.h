#pragma once
// Window sizes and positions are designed in twips (1440 to the inch); this is the one
// place that turns them into pixels at the screen's logical resolution and the window's zoom.

#include <QFont>
#include <QGuiApplication>
#include <QPoint>
#include <QRect>
#include <QScreen>
#include <QSize>
#include <algorithm>
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

/// A zoom in percent: the designed twips and point sizes grown by it. At 100 % every
/// figure is exactly the designed one.
class Scale {
public:
    constexpr Scale() = default;
    constexpr explicit Scale(int percent) : m_percent(percent) {}

    constexpr int percent() const { return m_percent; }
    constexpr double factor() const { return m_percent / 100.0; }

    int toPixels(double twips) const { return twips::toPixels(twips * factor()); }
    QPoint point(double x, double y) const { return {toPixels(x), toPixels(y)}; }
    QSize size(double w, double h) const { return {toPixels(w), toPixels(h)}; }
    QRect rect(double x, double y, double w, double h) const { return {point(x, y), size(w, h)}; }
    /// The font at this zoom, from its size at 100 %.
    QFont font(QFont at100) const {
        if (at100.pointSizeF() > 0)
            at100.setPointSizeF(at100.pointSizeF() * factor());
        else if (at100.pixelSize() > 0)
            at100.setPixelSize(
                std::max(1, static_cast<int>(std::lround(at100.pixelSize() * factor()))));
        return at100;
    }
    /// Width of a line that is one pixel wide at 100 %.
    int lineWidth() const { return std::max(1, static_cast<int>(std::lround(factor()))); }

    friend constexpr bool operator==(Scale a, Scale b) { return a.m_percent == b.m_percent; }

private:
    int m_percent = 100;
};

} // namespace qm::twips
