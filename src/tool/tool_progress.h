#pragma once
// How far a long qmtool command has come, on stderr for whoever waits at the terminal.

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

#include "store/progress.h"

namespace qm {

/// Milliseconds from any fixed point; tests drive it by hand.
using ToolClock = std::function<std::int64_t()>;
/// The real clock.
std::int64_t steadyMilliseconds();

/// Quiet for the first second, so that quick commands say nothing more; after that a line
/// at most once a second: "qmtool: FILE: loading 45 %".
class ToolProgress : public Progress {
public:
    ToolProgress(std::ostream& err, std::string file, ToolClock clock);
    /// What the steps that follow are doing: "loading", "checking", "writing".
    void stage(std::string what) { m_stage = std::move(what); }
    void start(std::int64_t total) override { m_total = total; }
    void step(std::int64_t done) override;

private:
    static constexpr std::int64_t kQuietMs = 1000;
    std::ostream& m_err;
    std::string m_file;
    ToolClock m_clock;
    std::string m_stage = "loading";
    std::int64_t m_total = 0;
    std::int64_t m_lastLine; // the start while no line was written
};

} // namespace qm
