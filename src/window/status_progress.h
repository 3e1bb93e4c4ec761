#pragma once
// The store's progress shown in the status area while the window stays responsive.

#include <functional>

#include "store/progress.h"

namespace qm {

class StatusArea;

/// Moves the progress bar with each step of a store operation and lets the window repaint
/// through `yield`, which decides how often that is worth it.
class StatusProgress : public Progress {
public:
    StatusProgress(StatusArea& status, std::function<void()> yield);
    void start(std::int64_t total) override;
    void step(std::int64_t done) override;

private:
    StatusArea& m_status;
    std::function<void()> m_yield;
};

} // namespace qm
