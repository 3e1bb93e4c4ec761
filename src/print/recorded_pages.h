#pragma once
// Pages recorded rather than drawn: what the layout put on each page, kept to be painted
// whenever the page is shown. A line costs a few dozen bytes where a bitmap of a page would
// cost megabytes, so a listing of hundreds of pages stays small.

#include <QFont>
#include <QLineF>
#include <QRectF>
#include <vector>

#include "print/painter_surface.h"

namespace qm {

struct RecordedPage {
    struct Text {
        QPointF baseline;
        int font; // index into RecordedPages::fonts()
        QString text;
    };
    struct Picture {
        const SurfacePicture* picture;
        QRectF rect;
    };
    std::vector<Text> texts;
    std::vector<QLineF> lines;
    std::vector<Picture> pictures;
};

class RecordedPages : public FontSurface {
public:
    /// `unitsPerPoint` as for surfaceFont; the preview's canvas, half the size of the sheet
    /// with the sheet's logical scale, has 40 units to a point of the screen.
    RecordedPages(int scaleMode, double unitsPerPoint);

    /// Starts over with one blank page of the given logical size.
    void reset(const QSizeF& logicalSize);
    int pageCount() const { return static_cast<int>(m_pages.size()); }
    /// Page n, the first being 1.
    const RecordedPage& page(int n) const { return m_pages.at(static_cast<std::size_t>(n - 1)); }
    const std::vector<QFont>& fonts() const { return m_fonts; }
    /// Paints page n scaled to fill `target`.
    void paintPage(int n, QPainter& painter, const QRectF& target) const;

    int ScaleMode() const override { return m_scaleMode; }
    double ScaleWidth() const override { return m_size.width(); }
    double ScaleHeight() const override { return m_size.height(); }
    void PaintPicture(const SurfacePicture& picture, double x, double y) override;
    /// Adds a blank page of the same size; later drawing goes there.
    bool NewPage() override;

protected:
    void drawText(double x, double top, const QString& text) override;
    void drawLine(double x1, double y1, double x2, double y2) override;

private:
    int m_scaleMode;
    QSizeF m_size;
    std::vector<RecordedPage> m_pages;
    std::vector<QFont> m_fonts;
    int m_recordedSerial = -1;
};

} // namespace qm
