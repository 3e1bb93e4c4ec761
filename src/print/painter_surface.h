#pragma once
// Page surfaces that set text in real fonts: one that paints on a QPainter (the printer, a
// PDF), and the base it shares with the preview's recorded pages.

#include <QFont>
#include <QFontMetricsF>
#include <functional>
#include <optional>

#include "print/page_surface.h"

class QPainter;

namespace qm {

/// The font a surface sets its text in. `unitsPerPoint` is how many surface units make one
/// physical point (20 on a sheet measured in twips), so a point is a point at every scale.
/// Kerning is off and hinting too, so text measures the same on every device.
QFont surfaceFont(const QString& family, int points, bool bold, double unitsPerPoint);

/// Measures text in real fonts, in the surface's units.
class FontSurface : public PageSurface {
public:
    double TextWidth(const QString& text) override;
    double TextHeight(const QString& text) override;

protected:
    explicit FontSurface(double unitsPerPoint) : m_unitsPerPoint(unitsPerPoint) {}
    /// The current font, built again only after it changed.
    const QFont& font();
    const QFontMetricsF& metrics();
    /// Counts the fonts built, so drawing code can tell when to switch.
    int fontSerial() const { return m_serial; }
    /// A picture's natural size in the surface's units.
    QSizeF pictureSize(const SurfacePicture& picture) const;
    double unitsPerPoint() const { return m_unitsPerPoint; }
    void fontChanged() override { m_metrics.reset(); }

private:
    double m_unitsPerPoint;
    QFont m_font;
    std::optional<QFontMetricsF> m_metrics;
    int m_serial = 0;
};

/// Draws on a painter that is open on a paged device (a printer or a PDF writer), in twips
/// of the whole sheet, its top left corner at (0, 0).
class PainterSurface : public FontSurface {
public:
    /// `resolution` is the device's dots per inch; `newPage` starts the next sheet.
    PainterSurface(QPainter& painter, double resolution, const QSizeF& pageTwips,
                   std::function<bool()> newPage);

    int ScaleMode() const override { return Twips; }
    double ScaleWidth() const override { return m_page.width(); }
    double ScaleHeight() const override { return m_page.height(); }
    void PaintPicture(const SurfacePicture& picture, double x, double y) override;
    bool NewPage() override { return m_newPage(); }

protected:
    void drawText(double x, double top, const QString& text) override;
    void drawLine(double x1, double y1, double x2, double y2) override;

private:
    QPainter& m_painter;
    QSizeF m_page;
    std::function<bool()> m_newPage;
    int m_painterFont = -1; // serial of the font the painter holds
};

/// The width of a text in Arial at `points` on a sheet, in twips: what the printer measures.
double sheetTextWidth(const QString& text, int points);

} // namespace qm
