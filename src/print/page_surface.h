#pragma once
// The page surface: the few drawing operations a listing needs of a printer sheet or a
// preview canvas, in the surface's own units (twips of the printed page).

#include <QString>

class QPainter;
class QRectF;

namespace qm {

/// A picture placed at its natural size. Its size is that of a 96-dpi picture, so a pixel is
/// 15 twips; it is drawn as vectors, never as a bitmap.
struct SurfacePicture {
    const char* name;
    int widthPx;
    int heightPx;
    void (*paint)(QPainter& painter, const QRectF& target);
};
/// The program's emblem for paper (64 × 64 pixels) and for the half-size preview (32 × 32).
extern const SurfacePicture ImIc1;
extern const SurfacePicture ImIc0;

class PageSurface {
public:
    /// What ScaleMode reports: a canvas with a logical scale of its own, or the printer's twips.
    enum ScaleModes { OwnScale = 0, Twips = 1 };

    virtual ~PageSurface() = default;

    double CurrentY() const { return m_y; }
    void setCurrentX(double x) { m_x = x; }
    void setCurrentY(double y) { m_y = y; }

    const QString& FontName() const { return m_fontName; }
    int FontSize() const { return m_fontSize; }
    bool FontBold() const { return m_fontBold; }
    void setFontName(const QString& name);
    /// In points of the physical sheet or canvas, whatever the surface's scale.
    void setFontSize(int points);
    void setFontBold(bool bold);

    virtual int ScaleMode() const = 0;
    virtual double ScaleWidth() const = 0;
    virtual double ScaleHeight() const = 0;
    virtual double TextWidth(const QString& text) = 0;
    virtual double TextHeight(const QString& text) = 0;

    /// Sets the text with its top at the current position. A line end then moves down one
    /// line of the current font and back to the left edge; without one the position moves
    /// on past the text.
    void Print(const QString& text, bool lineEnd = true);
    /// A line in the current drawing width and colour; the position moves to its end.
    void Line(double x1, double y1, double x2, double y2);
    virtual void PaintPicture(const SurfacePicture& picture, double x, double y) = 0;
    /// Ends the current sheet and starts the next; false when the device refused.
    virtual bool NewPage() = 0;

protected:
    virtual void drawText(double x, double top, const QString& text) = 0;
    virtual void drawLine(double x1, double y1, double x2, double y2) = 0;
    /// Called after every change of the font's name, size or weight.
    virtual void fontChanged() {}

private:
    double m_x = 0;
    double m_y = 0;
    QString m_fontName = QStringLiteral("Arial");
    int m_fontSize = 10;
    bool m_fontBold = false;
};

} // namespace qm
