#pragma once
// The program as a whole: builds the main window and the subsystems, wires every menu
// entry to the command that owns it, and runs the start-up and shut-down sequences.

#include <QObject>
#include <QStringList>
#include <memory>

namespace qm {

class EditCommands;
class MainWindow;
class Prompter;

class Program : public QObject {
    Q_OBJECT
public:
    explicit Program(Prompter& prompter);
    ~Program() override;

    MainWindow& window() { return *m_window; }
    EditCommands& edit() { return *m_edit; }

    /// The start-up sequence: splash, main window, then the data file the arguments name.
    void start(const QStringList& arguments, bool showSplash = true);

signals:
    /// The main window exists; dialogs can be placed over it from now on.
    void windowCreated(QWidget* window);

private:
    void wireMenus();
    void openAtStart(const QString& path);
    bool unload();

    Prompter& m_prompter;
    std::unique_ptr<MainWindow> m_window;
    EditCommands* m_edit = nullptr; // owned by the window
};

} // namespace qm
