#include "app/program.h"

#include <QApplication>

#include "app/splash.h"
#include "app/startup.h"
#include "edit/edit_commands.h"
#include "store/safe_file.h"
#include "window/main_window.h"
#include "window/names.h"

namespace qm {

Program::Program(Prompter& prompter) : m_prompter(prompter) {}

Program::~Program() = default;

void Program::start(const QStringList& arguments, bool showSplash) {
    std::unique_ptr<Splash> splash;
    if (showSplash) {
        splash = std::make_unique<Splash>();
        splash->show();
        splash->repaint();
    }
    QCoreApplication::processEvents();

    m_window = std::make_unique<MainWindow>(m_prompter);
    emit windowCreated(m_window.get());
    m_edit = new EditCommands(*m_window);
    connect(m_window.get(), &MainWindow::dataLoaded, m_edit, [this] { m_edit->Undo_Set(0, -1, 0); });
    wireMenus();
    m_window->setCloseHandler([this] { return unload(); });
    QCoreApplication::processEvents();
    const QString file = commandLineFile(arguments);

    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    QCoreApplication::processEvents();
    m_window->repaint();

    if (!file.isEmpty() && regularFileExists(toPath(file)))
        openAtStart(file);
    m_window->Status_Reset();
}

void Program::openAtStart(const QString& path) {
    if (!m_window->DataLoad(path))
        return;
    m_window->Menu_Set(0, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1);
    m_window->browser().focusCell(0);
}

void Program::wireMenus() {
    MainMenu& menu = m_window->menu();
    menu.setHandler(MenuArray::File, [this](int index) {
        if (index == 5)
            m_window->close();
    });
    menu.setHandler(MenuArray::Edit, [this](int index) { m_edit->dispatch(index); });
}

bool Program::unload() { return true; }

} // namespace qm
