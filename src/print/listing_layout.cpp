#include "print/listing_layout.h"

#include <cmath>

#include "base/names.h"
#include "print/page_surface.h"
#include "store/node_table.h"
#include "store/progress.h"
#include "store/sort_walk.h"
#include "store/walk.h"

namespace qm {

namespace {

constexpr int kLeftMargin = 1000;   // of the first column
constexpr int kBottomMargin = 1000; // a line whose bottom comes this close ends the column
constexpr double kHeaderX = 1400;
constexpr double kHeaderY = 800;

// Whole twips, halves to the even neighbour.
int whole(double value) {
    return static_cast<int>(std::nearbyint(value));
}

} // namespace

const QString& columnSample() {
    static const QString sample(26, QLatin1Char('A'));
    return sample;
}

int listingColumns(double pageWidth, double sampleWidth, int maxColumns) {
    const long long width = whole(pageWidth);
    const long long sample = whole(sampleWidth);
    const long long fit = sample > 0 ? width / sample : maxColumns;
    return static_cast<int>(std::max(0LL, std::min<long long>(fit, maxColumns)));
}

ListingLayout::ListingLayout(const NodeTable& nodes, const ListingSettings& settings)
    : m_nodes(nodes), m_settings(settings) {}

bool ListingLayout::List_Start(PageSurface& s, std::int32_t item, double pageWidth,
                               double sampleWidth) {
    m_colCount = listingColumns(pageWidth, sampleWidth, m_settings.MaxColumns);
    if (m_colCount < 1)
        return false;
    m_colWidth = (whole(pageWidth) - kLeftMargin) / m_colCount;
    m_root = item;
    m_pageNum = 1;
    m_colNum = 0;
    m_advanceDue = false;
    s.setFontName(QStringLiteral("Arial"));
    if (s.ScaleMode() == PageSurface::OwnScale)
        s.PaintPicture(ImIc0, 300, 500);
    else
        s.PaintPicture(ImIc1, 350, 600);
    List_Header(s, item);
    return true;
}

void ListingLayout::List_Header(PageSurface& s, std::int32_t item) {
    const bool preview = s.ScaleMode() == PageSurface::OwnScale;
    s.setFontSize(preview ? 10 : 20);
    s.setFontBold(true);
    s.setCurrentX(kHeaderX);
    s.setCurrentY(kHeaderY);
    s.Print(QStringLiteral("QuillMar listing for ") + trimmedNameText(m_nodes[item].Name), false);
    s.Print(QStringLiteral(", page ") + QString::number(m_pageNum));
    s.Print(QString());
    m_colTop = whole(s.CurrentY());
    s.setFontSize(preview ? m_settings.FontSize / 2 : m_settings.FontSize);
    s.setFontBold(false);
    m_colNum = 0;
    m_indentWidth = whole(s.TextWidth(QStringLiteral("  ")));
    m_lineHeight = whole(s.TextHeight(QStringLiteral("A")));
}

bool ListingLayout::List_Line(PageSurface& s, const QString& text, int level) {
    if (m_advanceDue && !advance(s))
        return false;
    const int spaces = m_settings.Hierarchy >= 1 ? m_settings.Hierarchy : 2;
    const double x0 = kLeftMargin + static_cast<double>(m_colNum) * m_colWidth;
    s.setCurrentX(x0);
    s.Print(QString(static_cast<qsizetype>(level) * spaces, QLatin1Char(' ')) + text);
    const int y = whole(s.CurrentY());
    if (m_settings.Hierarchy == 0 && level >= 1) {
        descendancyLines(s, level, y);
        s.setCurrentY(y);
    }
    m_advanceDue = static_cast<double>(y) + kBottomMargin > s.ScaleHeight();
    return true;
}

// A segment for every ancestor level, meeting those of the lines above, and the elbow from
// the line above to the middle of this one and across to where its text begins.
void ListingLayout::descendancyLines(PageSurface& s, int level, double y) {
    const double w = m_indentWidth;
    const double h = m_lineHeight;
    const double x0 = kLeftMargin + static_cast<double>(m_colNum) * m_colWidth;
    for (int i = 0; i <= level - 2; ++i)
        s.Line(x0 + i * w, y - h / 4, x0 + i * w, y - 5 * h / 4);
    const double x = x0 + (level - 1) * w;
    s.Line(x, y - 5 * h / 4, x, y - h / 2);
    s.Line(x, y - h / 2, x + w, y - h / 2);
}

bool ListingLayout::advance(PageSurface& s) {
    m_advanceDue = false;
    ++m_colNum;
    if (m_colNum < m_colCount) {
        s.setCurrentY(m_colTop);
        return true;
    }
    ++m_pageNum;
    if (!s.NewPage())
        return false;
    List_Header(s, m_root);
    return true;
}

ListingResult layOutListing(PageSurface& surface, const NodeTable& nodes, std::int32_t item,
                            const ListingSettings& settings, double pageWidth, double sampleWidth,
                            Progress* progress) {
    ListingLayout layout(nodes, settings);
    if (progress)
        progress->start(SubtreeWalk::subtreeSize(nodes, item) - 1);
    if (!layout.List_Start(surface, item, pageWidth, sampleWidth))
        return ListingResult::NoColumns;
    SortWalk walk(nodes);
    std::int32_t done = 0;
    for (bool more = walk.SortWalk_Start(item); more; more = walk.SortWalk_Next()) {
        if (!layout.List_Line(surface, nameText(nodes[walk.SortNod()].Name), walk.SortLevel()))
            return ListingResult::NewPageFailed;
        if (progress)
            progress->step(++done);
    }
    return ListingResult::Done;
}

} // namespace qm
