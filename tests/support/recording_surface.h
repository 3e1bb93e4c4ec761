#pragma once
// A page surface for tests: records what is drawn on each page, with metrics simple enough
// to work positions out by hand: a character is FontSize × 10 wide and a line FontSize × 20
// high, bold or not.

#include <QStringList>
#include <vector>

#include "print/page_surface.h"

namespace qm::test {

class RecordingSurface : public PageSurface {
public:
    RecordingSurface(int scaleMode, double width, double height)
        : m_mode(scaleMode), m_width(width), m_height(height) {}

    /// NewPage refuses once this many pages exist.
    int pageLimit = 1 << 30;

    int pages() const { return static_cast<int>(m_pages.size()); }
    /// "x,y size text" per text (a "b" after the size when bold; trailing spaces dropped).
    QStringList texts(int page) const { return m_pages.at(page - 1).texts; }
    /// "x1,y1 x2,y2" per line.
    QStringList lines(int page) const { return m_pages.at(page - 1).lines; }
    /// "name x,y" per picture.
    QStringList pictures(int page) const { return m_pages.at(page - 1).pictures; }

    int ScaleMode() const override { return m_mode; }
    double ScaleWidth() const override { return m_width; }
    double ScaleHeight() const override { return m_height; }
    double TextWidth(const QString& text) override { return text.size() * FontSize() * 10.0; }
    double TextHeight(const QString&) override { return FontSize() * 20.0; }
    void PaintPicture(const SurfacePicture& picture, double x, double y) override {
        m_pages.back().pictures << QString::fromLatin1(picture.name) + ' ' + at(x, y);
    }
    bool NewPage() override {
        if (pages() >= pageLimit)
            return false;
        m_pages.emplace_back();
        return true;
    }

protected:
    void drawText(double x, double top, const QString& text) override {
        QString shown = text;
        while (shown.endsWith(' '))
            shown.chop(1);
        m_pages.back().texts << at(x, top) + ' ' + QString::number(FontSize()) +
                                    (FontBold() ? "b " : " ") + shown;
    }
    void drawLine(double x1, double y1, double x2, double y2) override {
        m_pages.back().lines << at(x1, y1) + ' ' + at(x2, y2);
    }

private:
    static QString at(double x, double y) { return QString::number(x) + ',' + QString::number(y); }
    struct Page {
        QStringList texts;
        QStringList lines;
        QStringList pictures;
    };
    int m_mode;
    double m_width;
    double m_height;
    std::vector<Page> m_pages = std::vector<Page>(1);
};

} // namespace qm::test
