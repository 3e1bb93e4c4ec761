#pragma once
// The Edit menu's commands: add, rename, delete with one step of undo, cut, copy and paste
// through the program's own copy buffer.

#include <QObject>
#include <QString>
#include <cstdint>
#include <vector>

#include "store/node.h"
#include "window/command_handler.h"

namespace qm {

class MainWindow;

class EditCommands : public QObject {
    Q_OBJECT
public:
    explicit EditCommands(MainWindow& window);

    /// Takes back the recorded action: an add or a paste, a delete or a cut.
    void Undo();
    void Item_Add();
    void Item_Rename();
    void Item_Delete();
    void Item_Cut();
    void Item_Copy();
    void Item_Paste();
    void Undo_Add();
    void Undo_Delete();

    /// Stores the undo record; the Undo entry is enabled exactly when there is an action.
    void Undo_Set(UndoKind action, int cel, std::int32_t nod);
    /// Nothing left to undo.
    void Undo_Clear() { Undo_Set(UndoKind::None, -1, 0); }

    // The undo record.
    UndoKind UndoAction() const { return m_undoAction; }
    int UndoCel() const { return m_undoCel; }
    std::int32_t UndoNod() const { return m_undoNod; }
    // The copy buffer holds whole records of a subtree in walk order; it outlives the tree.
    std::int32_t BufCount() const { return static_cast<std::int32_t>(m_buf.size()); }

private:
    /// Unlinks and frees the item's subtree and empties the cells that showed any of it;
    /// false when the item could not be deleted.
    bool Subtree_Delete(std::int32_t item);
    /// Replaces the buffer with the item's subtree and enables Paste.
    void Buffer_Fill(std::int32_t item);
    /// Cut and Copy begin alike: the selected item into the buffer, or "No Selection!";
    /// returns the item, or 0.
    std::int32_t bufferSelection();
    /// Puts the item's subtree on the system clipboard as a text outline and as OPML, for
    /// other programs. Returns why it stays in the buffer alone instead (too large to copy
    /// without keeping the window waiting, or no form can hold its names), or nothing.
    QString clipboardFill(std::int32_t item);
    /// Says on the status bar that the last Cut or Copy went to the buffer alone.
    void reportBufferOnly();
    /// The item selected in the current cell, or 0.
    std::int32_t selectedItem() const;
    /// Selects an item put back by Undo in the cell that lists it.
    void selectRestored(std::int32_t item);

    MainWindow& m_window;
    UndoKind m_undoAction = UndoKind::None;
    int m_undoCel = -1;
    std::int32_t m_undoNod = 0;
    std::int32_t m_delCount = 0;
    std::vector<Node> m_buf;
    QString m_bufferOnly; // why the last Cut or Copy left the clipboard as it was
};

} // namespace qm
