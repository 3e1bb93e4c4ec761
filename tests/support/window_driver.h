#pragma once
// Drives the main window as a user would: clicks, double clicks and keys on the cells.

#include <QAction>
#include <QLabel>
#include <QPalette>
#include <QTemporaryDir>
#include <QTest>

#include "store/data_file.h"
#include "store/outline.h"
#include "window/cell_list.h"
#include "window/main_window.h"

namespace qm::test {

/// Writes an outline as a data file in `dir` and returns its path.
inline QString writeTreeFile(const QTemporaryDir& dir, const QString& name, const char* outline) {
    const OutlineResult tree = parseOutline(outline);
    if (!tree.ok)
        qFatal("bad test outline: %s", tree.error.c_str());
    const QString path = dir.filePath(name);
    std::string error;
    if (!saveDataFile(path.toStdString(), tree.table, error))
        qFatal("cannot write %s: %s", qPrintable(path), error.c_str());
    return path;
}

/// The texts a cell's list shows, in order.
inline QStringList cellTexts(MainWindow& w, int cel) {
    QStringList texts;
    const CellListModel* m = w.browser().list(cel)->entries();
    for (int row = 0; row < m->rowCount(); ++row)
        texts << m->textAt(row).trimmed();
    return texts;
}

inline QString headerText(MainWindow& w, int cel) {
    return w.browser().header(cel)->text().trimmed();
}

inline int cellMode(MainWindow& w, int cel) {
    return w.browser().cells()[cel].Mode;
}

inline QColor panelColour(MainWindow& w, int cel) {
    return w.browser().panel(cel)->palette().color(QPalette::Window);
}

/// Clicks the entry whose trimmed text (without "+ ") is `name`; false when not listed.
inline bool clickEntry(MainWindow& w, int cel, const QString& name) {
    CellList* list = w.browser().list(cel);
    const CellListModel* m = list->entries();
    for (int row = 0; row < m->rowCount(); ++row) {
        QString text = m->textAt(row).trimmed();
        if (text.startsWith(QLatin1String("+ ")))
            text = text.mid(2);
        if (text == name) {
            list->scrollTo(m->index(row));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualRect(m->index(row)).center());
            return true;
        }
    }
    return false;
}

/// Selects an entry and opens it with a double click.
inline bool openEntry(MainWindow& w, int cel, const QString& name) {
    if (!clickEntry(w, cel, name))
        return false;
    CellList* list = w.browser().list(cel);
    const QModelIndex idx = list->currentIndex();
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(idx).center());
    return true;
}

/// Chooses a menu entry as a user can: only a visible, enabled entry can be triggered.
/// False, with nothing triggered, for any other.
[[nodiscard]] inline bool chooseMenu(MainWindow& w, MenuArray array, int index) {
    QAction* action = w.menu().entry(array, index);
    if (!action || !action->isVisible() || !action->isEnabled())
        return false;
    action->trigger();
    return true;
}

inline void pressKey(MainWindow& w, int cel, Qt::Key key) {
    QTest::keyClick(w.browser().list(cel), key);
}

/// The cells of the current path, from the current cell back to cell 0.
inline QList<int> pathBack(MainWindow& w) {
    QList<int> path;
    int c = w.browser().CurCel();
    for (int guard = 0; c >= 0 && guard < 15; ++guard) {
        path.prepend(c);
        c = w.browser().cells()[c].PrevCel;
    }
    return path;
}

} // namespace qm::test
