#include "tool/tool_progress.h"

#include <algorithm>
#include <chrono>

#include "store/message_text.h"

namespace qm {

std::int64_t steadyMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

ToolProgress::ToolProgress(std::ostream& err, std::string file, ToolClock clock)
    : m_err(err), m_file(std::move(file)), m_clock(std::move(clock)), m_lastLine(m_clock()) {}

void ToolProgress::step(std::int64_t done) {
    const std::int64_t now = m_clock();
    if (now - m_lastLine < kQuietMs)
        return;
    m_lastLine = now;
    const std::int64_t percent =
        m_total > 0 ? std::clamp<std::int64_t>(done * 100 / m_total, 0, 100) : 0;
    m_err << "qmtool: " << shownText(m_file) << ": " << m_stage << ' ' << percent << " %"
          << std::endl;
}

} // namespace qm
