#pragma once
// How a long operation of the store tells its caller how far it has come.

#include <cstdint>

namespace qm {

/// The window adapts this to its progress bar and lets itself repaint on each step; tools
/// and tests pass none. Steps come every few thousand records, never per record.
class Progress {
public:
    virtual ~Progress() = default;
    /// The work ahead is `total` steps.
    virtual void start(std::int64_t total) = 0;
    /// `done` steps of the total are finished.
    virtual void step(std::int64_t done) = 0;
};

} // namespace qm
