#pragma once
// Saves the tree by itself after a number of minutes or a number of changes.

#include <functional>

class QTimer;

namespace qm {

class MainWindow;
struct Settings;

class AutoSave {
public:
    /// `save` writes the tree to its file without opening any dialog.
    AutoSave(MainWindow& window, const Settings& settings, std::function<void()> save);

    /// The timer runs exactly while auto-save by minutes is chosen.
    void applyMode();
    /// One tick of the 15-second timer.
    void TimAs_Timer();
    /// Run after every change of the tree (the counter has just gone up).
    void changeStep();

    /// A save that fell due is made once no command runs and no dialog is open: the change
    /// that brings it is made inside a command, and a tick may fall while a dialog waits.
    /// Run by its own timer, first as soon as control is back in the event loop.
    void retryPending();
    bool pending() const { return m_pending; }
    QTimer& retryTimer() { return *m_retry; }

private:
    void due();

    MainWindow& m_window;
    const Settings& m_settings;
    std::function<void()> m_save;
    QTimer* m_retry; // owned by the window
    bool m_pending = false;
};

} // namespace qm
