#pragma once
// Saves the tree by itself after a number of minutes or a number of changes.

#include <functional>

namespace qm {

class MainWindow;
struct Settings;

class AutoSave {
public:
    /// `save` runs the ordinary Save command.
    AutoSave(MainWindow& window, const Settings& settings, std::function<void()> save);

    /// The timer runs exactly while auto-save by minutes is chosen.
    void applyMode();
    /// One tick of the 15-second timer.
    void TimAs_Timer();
    /// Run after every change of the tree (the counter has just gone up).
    void changeStep();

private:
    bool canSaveNow() const;

    MainWindow& m_window;
    const Settings& m_settings;
    std::function<void()> m_save;
};

} // namespace qm
