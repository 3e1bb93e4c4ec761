#pragma once
// Go To → Find: opens the Find window on the item the user is at.

#include <QObject>
#include <QPointer>
#include <functional>

#include "find/find_window.h"

namespace qm {

class MainWindow;

class FindCommands : public QObject {
    Q_OBJECT
public:
    /// `clearUndo` empties the undo record: opening the Find window ends the chance to undo.
    FindCommands(MainWindow& window, FindWindow::PrinterSource printer,
                 std::function<void()> clearUndo);

    /// Go To → Find: the selected item of the current cell, or the cell's own item, is the
    /// root; a leaf gives way to its parent.
    void Find_Open();
    /// New or Open replaced the tree.
    void treeReplaced();

    /// The Find window once it was first opened.
    FindWindow* findWindow() const { return m_find.data(); }

private:
    MainWindow& m_window;
    FindWindow::PrinterSource m_printer;
    std::function<void()> m_clearUndo;
    QPointer<FindWindow> m_find;
};

} // namespace qm
