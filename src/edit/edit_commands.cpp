#include "edit/edit_commands.h"

#include "window/main_window.h"

namespace qm {

EditCommands::EditCommands(MainWindow& window) : QObject(&window), m_window(window) {}

void EditCommands::dispatch(int index) {
    switch (index) {
    case 0:
        if (m_undoAction == 2 || m_undoAction == 8)
            Undo_Add();
        else if (m_undoAction == 3 || m_undoAction == 6)
            Undo_Delete();
        break;
    case 2:
        Item_Add();
        break;
    case 3:
        Item_Delete();
        break;
    case 4:
        Item_Rename();
        break;
    case 6:
        Item_Cut();
        break;
    case 7:
        Item_Copy();
        break;
    case 8:
        Item_Paste();
        break;
    default:
        break;
    }
}

void EditCommands::Undo_Set(int action, int cel, std::int32_t nod) {
    m_undoAction = action;
    m_undoCel = cel;
    m_undoNod = nod;
    m_window.menu().entry(MenuArray::Edit, 0)->setEnabled(action > 0);
}

// The commands themselves come next.
void EditCommands::Item_Add() {}
void EditCommands::Item_Rename() {}
void EditCommands::Item_Delete() {}
void EditCommands::Item_Cut() {}
void EditCommands::Item_Copy() {}
void EditCommands::Item_Paste() {}
void EditCommands::Undo_Add() {}
void EditCommands::Undo_Delete() {}

} // namespace qm
