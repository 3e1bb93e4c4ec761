#include "window/status_progress.h"

#include "window/status_area.h"

namespace qm {

StatusProgress::StatusProgress(StatusArea& status, std::function<void()> yield)
    : m_status(status), m_yield(std::move(yield)) {}

void StatusProgress::start(std::int64_t total) {
    m_status.Progress_Start(static_cast<double>(total));
}

void StatusProgress::step(std::int64_t done) {
    m_status.Progress_Step(static_cast<double>(done));
    if (m_yield)
        m_yield();
}

} // namespace qm
