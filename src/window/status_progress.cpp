#include "window/status_progress.h"

#include "window/status_area.h"

namespace qm {

StatusProgress::StatusProgress(StatusArea& status, QString text, std::function<void()> yield)
    : m_status(status), m_text(std::move(text)), m_yield(std::move(yield)) {}

void StatusProgress::start(std::int64_t total) {
    // The text first: the bar shows up beside it.
    if (!m_text.isEmpty())
        m_status.Status_Text(m_text);
    m_status.Progress_Start(static_cast<double>(total));
}

void StatusProgress::step(std::int64_t done) {
    m_status.Progress_Step(static_cast<double>(done));
    if (m_yield)
        m_yield();
}

} // namespace qm
