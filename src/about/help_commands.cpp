#include "about/help_commands.h"

#include "about/about_box.h"
#include "window/main_menu.h"
#include "window/main_window.h"
#include "window/prompter.h"

namespace qm {

HelpCommands::HelpCommands(MainWindow& window) : QObject(&window), m_window(window) {}

void HelpCommands::dispatch(int index) {
    switch (index) {
    case HelpContents:
    case HelpSearch:
        // The program has no help file; the entries are hidden, so only a caller that
        // reaches their handler directly gets here.
        m_window.prompter().ask(QStringLiteral("Unable to display Help Contents. There is no "
                                               "Help associated with this project."),
                                m_window.windowTitle(), PromptIcon::Information, PromptButtons::Ok);
        break;
    case HelpAbout:
        if (!m_about)
            m_about = new AboutBox(m_window.prompter(), &m_window);
        m_about->setScale(m_window.scale());
        m_about->exec();
        break;
    default:
        break;
    }
}

} // namespace qm
