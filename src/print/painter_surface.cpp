#include "print/painter_surface.h"

#include <QPainter>

namespace qm {

namespace {
constexpr double kTwipsPerPoint = 20;
constexpr double kTwipsPerPixel = 15; // of a 96-dpi picture
// Half a point: fine on paper yet solid in a PDF viewer.
constexpr double kLineWidthTwips = 10;
} // namespace

QFont surfaceFont(const QString& family, int points, bool bold, double unitsPerPoint) {
    QFont font(family);
    // A pixel size is taken in the painter's own units, which a point size is not.
    font.setPixelSize(std::max(1, qRound(points * unitsPerPoint)));
    font.setBold(bold);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

const QFont& FontSurface::font() {
    metrics();
    return m_font;
}

const QFontMetricsF& FontSurface::metrics() {
    if (!m_metrics) {
        m_font = surfaceFont(FontName(), FontSize(), FontBold(), m_unitsPerPoint);
        m_metrics.emplace(m_font);
        ++m_serial;
    }
    return *m_metrics;
}

double FontSurface::TextWidth(const QString& text) {
    return metrics().horizontalAdvance(text);
}

double FontSurface::TextHeight(const QString&) {
    return metrics().height();
}

QSizeF FontSurface::pictureSize(const SurfacePicture& picture) const {
    const double scale = kTwipsPerPixel * m_unitsPerPoint / kTwipsPerPoint;
    return {picture.widthPx * scale, picture.heightPx * scale};
}

PainterSurface::PainterSurface(QPainter& painter, double resolution, const QSizeF& pageTwips,
                               std::function<bool()> newPage)
    : FontSurface(kTwipsPerPoint), m_painter(painter), m_page(pageTwips),
      m_newPage(std::move(newPage)) {
    const double scale = resolution / 1440.0;
    m_painter.scale(scale, scale);
    QPen pen(Qt::black);
    pen.setWidthF(kLineWidthTwips);
    m_painter.setPen(pen);
}

void PainterSurface::drawText(double x, double top, const QString& text) {
    const QFontMetricsF& m = metrics();
    if (m_painterFont != fontSerial()) {
        m_painter.setFont(font());
        m_painterFont = fontSerial();
    }
    m_painter.drawText(QPointF(x, top + m.ascent()), text);
}

void PainterSurface::drawLine(double x1, double y1, double x2, double y2) {
    m_painter.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void PainterSurface::PaintPicture(const SurfacePicture& picture, double x, double y) {
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing);
    picture.paint(m_painter, QRectF(QPointF(x, y), pictureSize(picture)));
    m_painter.restore();
}

double sheetTextWidth(const QString& text, int points) {
    return QFontMetricsF(surfaceFont(QStringLiteral("Arial"), points, false, kTwipsPerPoint))
        .horizontalAdvance(text);
}

} // namespace qm
