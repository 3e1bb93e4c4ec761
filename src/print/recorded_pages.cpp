#include "print/recorded_pages.h"

#include <QPainter>

namespace qm {

RecordedPages::RecordedPages(int scaleMode, double unitsPerPoint)
    : FontSurface(unitsPerPoint), m_scaleMode(scaleMode) {
    m_pages.emplace_back();
}

void RecordedPages::reset(const QSizeF& logicalSize) {
    m_size = logicalSize;
    // Swapped out, so the storage of a long listing is given back at once.
    std::vector<RecordedPage>().swap(m_pages);
    m_pages.emplace_back();
    m_fonts.clear();
    m_recordedSerial = -1;
    setCurrentX(0);
    setCurrentY(0);
}

bool RecordedPages::NewPage() {
    m_pages.emplace_back();
    return true;
}

void RecordedPages::drawText(double x, double top, const QString& text) {
    const double ascent = metrics().ascent();
    if (m_recordedSerial != fontSerial()) {
        m_fonts.push_back(font());
        m_recordedSerial = fontSerial();
    }
    m_pages.back().texts.push_back(
        RecordedPage::Text{QPointF(x, top + ascent), static_cast<int>(m_fonts.size()) - 1, text});
}

void RecordedPages::drawLine(double x1, double y1, double x2, double y2) {
    m_pages.back().lines.emplace_back(x1, y1, x2, y2);
}

void RecordedPages::PaintPicture(const SurfacePicture& picture, double x, double y) {
    m_pages.back().pictures.push_back(
        RecordedPage::Picture{&picture, QRectF(QPointF(x, y), pictureSize(picture))});
}

void RecordedPages::paintPage(int n, QPainter& painter, const QRectF& target) const {
    if (n < 1 || n > pageCount() || m_size.isEmpty())
        return;
    const RecordedPage& p = page(n);
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / m_size.width(), target.height() / m_size.height());
    painter.setRenderHint(QPainter::Antialiasing);
    for (const RecordedPage::Picture& pic : p.pictures)
        pic.picture->paint(painter, pic.rect);
    painter.setPen(QPen(Qt::black, 0)); // one pixel wide at any scale
    painter.drawLines(p.lines.data(), static_cast<int>(p.lines.size()));
    int current = -1;
    for (const RecordedPage::Text& t : p.texts) {
        if (t.font != current) {
            painter.setFont(m_fonts[static_cast<std::size_t>(t.font)]);
            current = t.font;
        }
        painter.drawText(t.baseline, t.text);
    }
    painter.restore();
}

} // namespace qm
