#pragma once
// The print system's word on a printer queue. Qt sends a job without asking whether the
// queue will print it, and drops the answer to the sending, so a stopped or refusing queue
// would swallow a printout in silence.

#include <QString>

namespace qm {

/// Why the queue named `printer` ("name" or "name/instance") will not print a job now: it is
/// stopped, refuses jobs or is unknown. Empty when it will.
QString printQueueProblem(const QString& printer);

/// Why the print system refused the job this thread sent last; empty when it took it.
QString printJobRefusal();

} // namespace qm
