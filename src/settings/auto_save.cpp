#include "settings/auto_save.h"

#include <QApplication>
#include <QTimer>
#include <limits>

#include "settings/settings_values.h"
#include "window/main_window.h"

namespace qm {

namespace {
constexpr int kTicksPerMinute = 4;
// While a dialog is open or a command runs, how often to look again.
constexpr int kRetryIntervalMs = 250;

int step(int position) {
    return AsSteps[static_cast<std::size_t>(std::clamp(position, 0, int(AsSteps.size()) - 1))];
}
} // namespace

AutoSave::AutoSave(MainWindow& window, const Settings& settings, std::function<void()> save)
    : m_window(window), m_settings(settings), m_save(std::move(save)),
      m_retry(new QTimer(&window)) {
    m_retry->setObjectName(QStringLiteral("TimAsRetry"));
    QObject::connect(&m_window.TimAs(), &QTimer::timeout, &m_window, [this] { TimAs_Timer(); });
    QObject::connect(m_retry, &QTimer::timeout, &m_window, [this] { retryPending(); });
    // A save due for the tree that was replaced is not one for the new tree.
    QObject::connect(&m_window, &MainWindow::treeReplaced, m_retry, [this] {
        m_pending = false;
        m_retry->stop();
    });
    m_window.setChangeStep([this] { changeStep(); });
}

void AutoSave::applyMode() {
    if (m_settings.AsMode == 0)
        m_window.TimAs().start();
    else
        m_window.TimAs().stop();
}

void AutoSave::TimAs_Timer() {
    if (!m_window.nodes().hasTree())
        return;
    if (m_window.AsCounter() < std::numeric_limits<std::int16_t>::max())
        m_window.setAsCounter(m_window.AsCounter() + 1);
    if (m_window.AsCounter() == kTicksPerMinute * step(m_settings.AsMinutes))
        due();
}

void AutoSave::changeStep() {
    if (m_settings.AsMode == 1 && m_window.AsCounter() == step(m_settings.AsChanges)) {
        m_window.setAsCounter(0);
        due();
    }
}

void AutoSave::due() {
    m_pending = true;
    m_retry->start(0);
}

void AutoSave::retryPending() {
    if (!m_pending)
        return;
    if (m_window.isBusy() || QApplication::activeModalWidget() != nullptr) {
        m_retry->start(kRetryIntervalMs);
        return;
    }
    m_pending = false;
    m_retry->stop();
    // Counted changes that a save by hand has written meanwhile need no second save.
    if (m_settings.AsMode == 1 && m_window.DataSaved())
        return;
    m_save();
}

} // namespace qm
