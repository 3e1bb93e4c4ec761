#pragma once
// The Find window's result lines, and their printed list.

#include <QAbstractListModel>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "store/large_array.h"
#include "store/node_table.h"

namespace qm {

class PageSurface;

/// One line per item found, in the order found. Each line keeps the item's slot and the
/// slot's generation: a rename leaves the line leading to its item, a slot freed or handed
/// to another item since is told apart.
class FoundList : public QAbstractListModel {
    Q_OBJECT
public:
    struct Line {
        QString text; // the short path when found
        KeptSlot item;
    };
    static constexpr int SlotRole = Qt::UserRole;

    using QAbstractListModel::QAbstractListModel;
    /// Adds lines at the end, all in one go.
    void append(std::vector<Line>& lines);
    void clear();
    const Line& line(int row) const { return m_lines[static_cast<std::size_t>(row)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    LargeVector<Line> m_lines;
};

/// Prints the list: the emblem on the first page, on every page a header naming the search
/// text and the page number, then one line per path. False when the device refused a page.
bool printFoundList(PageSurface& surface, const QString& searchText, const QStringList& paths);

} // namespace qm
