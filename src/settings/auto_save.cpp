#include "settings/auto_save.h"

#include <QApplication>
#include <QTimer>
#include <limits>

#include "settings/settings_values.h"
#include "window/main_window.h"

namespace qm {

namespace {
constexpr int kTicksPerMinute = 4;

int step(int position) {
    return AsSteps[static_cast<std::size_t>(std::clamp(position, 0, int(AsSteps.size()) - 1))];
}
} // namespace

AutoSave::AutoSave(MainWindow& window, const Settings& settings, std::function<void()> save)
    : m_window(window), m_settings(settings), m_save(std::move(save)) {
    QObject::connect(&m_window.TimAs(), &QTimer::timeout, &m_window, [this] { TimAs_Timer(); });
    m_window.setChangeStep([this] { changeStep(); });
}

void AutoSave::applyMode() {
    if (m_settings.AsMode == 0)
        m_window.TimAs().start();
    else
        m_window.TimAs().stop();
}

bool AutoSave::canSaveNow() const {
    // Not in the middle of another command or dialog, and only when there is a tree to save.
    return !m_window.isBusy() && QApplication::activeModalWidget() == nullptr &&
           m_window.nodes().hasTree();
}

void AutoSave::TimAs_Timer() {
    if (!canSaveNow())
        return;
    if (m_window.AsCounter() < std::numeric_limits<std::int16_t>::max())
        m_window.setAsCounter(m_window.AsCounter() + 1);
    if (m_window.AsCounter() == kTicksPerMinute * step(m_settings.AsMinutes))
        m_save();
}

void AutoSave::changeStep() {
    if (m_settings.AsMode == 1 && m_window.AsCounter() == step(m_settings.AsChanges)) {
        m_window.setAsCounter(0);
        m_save();
    }
}

} // namespace qm
