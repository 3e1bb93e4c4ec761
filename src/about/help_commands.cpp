#include "about/help_commands.h"

#include "about/about_box.h"
#include "window/main_window.h"
#include "window/prompter.h"

namespace qm {

HelpCommands::HelpCommands(MainWindow& window) : QObject(&window), m_window(window) {}

void HelpCommands::noHelp() {
    // The entries are hidden, so only a caller that runs them directly gets here.
    m_window.prompter().ask(QStringLiteral("Unable to display Help Contents. There is no Help "
                                           "associated with this project."),
                            m_window.windowTitle(), PromptIcon::Information, PromptButtons::Ok);
}

void HelpCommands::About() {
    if (!m_about)
        m_about = new AboutBox(m_window.prompter(), &m_window);
    m_about->setScale(m_window.scale());
    m_about->exec();
}

} // namespace qm
