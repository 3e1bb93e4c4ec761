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

/// The zoom key Ctrl goes with: '+', '=', '-' or '0'.
inline Qt::Key zoomKey(QChar c) {
    return c == u'+'   ? Qt::Key_Plus
           : c == u'=' ? Qt::Key_Equal
           : c == u'-' ? Qt::Key_Minus
                       : Qt::Key_0;
}

inline void pressKey(MainWindow& w, int cel, Qt::Key key) {
    QTest::keyClick(w.browser().list(cel), key);
}

/// What the cells show, as the user sees it: every cell that shows an item, by its number,
/// '*' for the current cell, '+' for one on the path and '-' for one off it (greyed, with
/// nothing selected: a cell off the path that still looks live reads '!'), its header and,
/// on the path, the entry highlighted in brackets. "0+TOP[A1] 5*A1[] 10-B1".
inline QString cellPicture(MainWindow& w) {
    static const QColor current(64, 224, 64), onPath(64, 160, 64);
    QStringList cells;
    for (int cel = 0; cel < 15; ++cel) {
        if (w.browser().cells()[cel].Nod < 1)
            continue;
        const CellList* list = w.browser().list(cel);
        const QColor panel = w.browser().panel(cel)->palette().color(QPalette::Window);
        const int row = list->selectedRow();
        const QString selected = row < 0 ? QString() : list->entries()->nameAt(row);
        const bool greyed = list->palette().color(QPalette::Active, QPalette::Text) ==
                            w.browser().palette().color(QPalette::Disabled, QPalette::Text);
        QString text = QString::number(cel);
        if (panel == current || panel == onPath) {
            text += (panel == current ? '*' : '+') + headerText(w, cel) + '[' + selected + ']';
            if (greyed)
                text += '!';
        } else {
            text += (greyed && selected.isEmpty() ? '-' : '!') + headerText(w, cel);
        }
        cells << text;
    }
    return cells.join(' ');
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
