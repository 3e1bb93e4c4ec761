#pragma once
// The listing of a subtree on pages: one line per item below the listed item in name order,
// indented by level, in columns, each page headed with the item's name and its number.

#include <QString>
#include <cstdint>

namespace qm {

class NodeTable;
class PageSurface;
class Progress;

/// The three printing settings, passed in so any value can be laid out.
struct ListingSettings {
    int MaxColumns = 2;
    int FontSize = 10; // points of a line on paper; half of it on the preview
    int Hierarchy = 0; // 0: 2 spaces a level and descendancy lines; n >= 1: n spaces; < 0: 2
};

/// The sample whose width decides how many columns fit: 26 capital A.
const QString& columnSample();
/// Columns of a page `pageWidth` wide whose column sample measures `sampleWidth`; 0 when
/// not even one fits.
int listingColumns(double pageWidth, double sampleWidth, int maxColumns);

class ListingLayout {
public:
    ListingLayout(const NodeTable& nodes, const ListingSettings& settings);

    /// Begins the listing of `item` on the surface's first page: columns, the emblem, the
    /// first header. `sampleWidth` is the column sample measured on the printer at the
    /// FontSize setting. False, with nothing drawn, when not one column fits.
    bool List_Start(PageSurface& surface, std::int32_t item, double pageWidth, double sampleWidth);
    /// The header of the current page for `item`; the columns start below it.
    void List_Header(PageSurface& surface, std::int32_t item);
    /// One line, the text as the sorted walk gives it, at the walk's level. The move to the
    /// next column or page waits for the next line, so a listing never ends on a page that
    /// holds only a header. False when the surface could not start a new sheet.
    bool List_Line(PageSurface& surface, const QString& text, int level);

    int PageNum() const { return m_pageNum; }
    int ColCount() const { return m_colCount; }
    int ColTop() const { return m_colTop; }
    int ColWidth() const { return m_colWidth; }

private:
    bool advance(PageSurface& surface);
    void descendancyLines(PageSurface& surface, int level, double y);

    const NodeTable& m_nodes;
    ListingSettings m_settings;
    std::int32_t m_root = 0;
    int m_pageNum = 0;
    int m_colCount = 0;
    int m_colNum = 0;
    int m_colTop = 0;
    int m_colWidth = 0;
    bool m_advanceDue = false;
    // Measured once per header, in the line font: one level's indentation and a line.
    int m_indentWidth = 0;
    int m_lineHeight = 0;
};

enum class ListingResult { Done, NoColumns, NewPageFailed };

/// Lays out the whole listing of `item`: List_Start, then one line for every item the
/// sorted walk yields. `progress` hears of every line.
ListingResult layOutListing(PageSurface& surface, const NodeTable& nodes, std::int32_t item,
                            const ListingSettings& settings, double pageWidth, double sampleWidth,
                            Progress* progress = nullptr);

} // namespace qm
