#pragma once
// The Help menu's commands: the About box, and the help entries, which have no help to show.

#include <QObject>
#include <QPointer>

namespace qm {

class AboutBox;
class MainWindow;

class HelpCommands : public QObject {
    Q_OBJECT
public:
    explicit HelpCommands(MainWindow& window);

    /// Contents and Search For Help On: the program has no help file to show.
    void noHelp();
    void About();

private:
    MainWindow& m_window;
    QPointer<AboutBox> m_about; // made on first use, then kept; owned by the window
};

} // namespace qm
