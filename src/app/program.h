#pragma once
// The program as a whole: builds the main window and the subsystems, wires every menu
// entry to the command that owns it, and runs the start-up and shut-down sequences.

#include <QObject>
#include <QStringList>
#include <memory>

namespace qm {

class MainWindow;
class Prompter;

class Program : public QObject {
    Q_OBJECT
public:
    explicit Program(Prompter& prompter);
    ~Program() override;

    MainWindow& window() { return *m_window; }

    /// The start-up sequence: splash, main window, then the data file the arguments name.
    void start(const QStringList& arguments, bool showSplash = true);

private:
    void wireMenus();
    void openAtStart(const QString& path);
    bool unload();

    Prompter& m_prompter;
    std::unique_ptr<MainWindow> m_window;
};

} // namespace qm
