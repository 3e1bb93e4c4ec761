#include "find/found_list.h"

#include "print/page_surface.h"

namespace qm {

void FoundList::append(std::vector<Line>& lines) {
    if (lines.empty())
        return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(lines.size()) - 1);
    m_lines.insert(m_lines.end(), std::make_move_iterator(lines.begin()),
                   std::make_move_iterator(lines.end()));
    endInsertRows();
    lines.clear();
}

void FoundList::clear() {
    beginResetModel();
    m_lines.clear();
    endResetModel();
}

int FoundList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_lines.size());
}

QVariant FoundList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Line& l = m_lines[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole)
        return l.text;
    if (role == SlotRole)
        return l.item.slot;
    return {};
}

namespace {

void header(PageSurface& surface, const QString& searchText, int page) {
    surface.setCurrentX(1400);
    surface.setCurrentY(800);
    surface.setFontSize(16);
    surface.Print(QStringLiteral("QuillMar items found matching ") + searchText +
                  QStringLiteral(", page ") + QString::number(page));
    surface.Print(QString());
    surface.Print(QString());
    surface.setFontSize(9);
}

} // namespace

bool printFoundList(PageSurface& surface, const QString& searchText, const QStringList& paths) {
    surface.setFontName(QStringLiteral("arial"));
    surface.PaintPicture(ImIc1, 350, 600);
    int page = 1;
    header(surface, searchText, page);
    for (qsizetype i = 0; i < paths.size(); ++i) {
        surface.setCurrentX(800);
        surface.Print(paths[i]);
        // A full page is ended only when another line follows: no sheet with a header alone.
        if (surface.CurrentY() + 1000 >= surface.ScaleHeight() && i + 1 < paths.size()) {
            if (!surface.NewPage())
                return false;
            header(surface, searchText, ++page);
        }
    }
    return true;
}

} // namespace qm
