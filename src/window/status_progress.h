#pragma once
// The one adapter from the store's progress reports to the status area.

#include <QString>
#include <functional>

#include "store/progress.h"

namespace qm {

class StatusArea;

/// Shows `text` when the work starts and moves the progress bar with each step; `yield`,
/// when given, lets the window repaint and decides how often that is worth it.
class StatusProgress : public Progress {
public:
    explicit StatusProgress(StatusArea& status, QString text = {},
                            std::function<void()> yield = {});
    void start(std::int64_t total) override;
    void step(std::int64_t done) override;

protected:
    StatusArea& m_status;

private:
    QString m_text;
    std::function<void()> m_yield;
};

} // namespace qm
