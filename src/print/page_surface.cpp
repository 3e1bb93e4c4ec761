#include "print/page_surface.h"

#include "base/emblem.h"

namespace qm {

const SurfacePicture ImIc1{"ImIc1", 64, 64, &paintEmblem};
const SurfacePicture ImIc0{"ImIc0", 32, 32, &paintEmblem};

void PageSurface::setFontName(const QString& name) {
    m_fontName = name;
    fontChanged();
}

void PageSurface::setFontSize(int points) {
    m_fontSize = points;
    fontChanged();
}

void PageSurface::setFontBold(bool bold) {
    m_fontBold = bold;
    fontChanged();
}

void PageSurface::Print(const QString& text, bool lineEnd) {
    if (!text.isEmpty())
        drawText(m_x, m_y, text);
    if (lineEnd) {
        m_y += TextHeight(text);
        m_x = 0;
    } else {
        m_x += TextWidth(text);
    }
}

void PageSurface::Line(double x1, double y1, double x2, double y2) {
    drawLine(x1, y1, x2, y2);
    m_x = x2;
    m_y = y2;
}

} // namespace qm
