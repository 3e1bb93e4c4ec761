#include "find/find_commands.h"

#include "find/find_window.h"
#include "window/main_window.h"
#include "window/prompter.h"

namespace qm {

FindCommands::FindCommands(MainWindow& window, FindWindow::PrinterSource printer,
                           std::function<void()> clearUndo)
    : QObject(&window), m_window(window), m_printer(std::move(printer)),
      m_clearUndo(std::move(clearUndo)) {}

void FindCommands::Find_Open() {
    const NodeTable& t = m_window.nodes();
    std::int32_t root = m_window.browser().target().entryOrItem();
    // The search always covers an item with children; an empty cell, or a childless top
    // item, leaves nothing to search below.
    if (t.isItem(root) && !t[root].hasChildren())
        root = t[root].Parent;
    if (!t.isItem(root)) {
        m_window.prompter().ask(QStringLiteral("No selection"), QStringLiteral("QuillMar"),
                                PromptIcon::Exclamation, PromptButtons::Ok);
        return;
    }
    if (!m_find) {
        m_find = new FindWindow(m_window, m_printer);
        m_find->setScale(m_window.scale());
        QObject::connect(&m_window, &MainWindow::scaleChanged, m_find, &FindWindow::setScale);
        QObject::connect(&m_window, &MainWindow::treeChanged, m_find, &FindWindow::treeChanged);
    }
    m_find->openAt(root);
    if (m_clearUndo)
        m_clearUndo();
}

void FindCommands::treeReplaced() {
    if (m_find)
        m_find->treeReplaced();
}

} // namespace qm
