#pragma once
// qmtool's commands (dump, import, check, stats, find) behind one entry point, so tests run
// them in-process; the executable only hands over its arguments and standard streams.

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

/// Exit statuses of qmtool.
constexpr int kToolOk = 0;
constexpr int kToolProblems = 1; // check found problems, or a listing was refused
constexpr int kToolError = 2;    // usage error, or a file that cannot be read, used or written

/// Runs one command line (without the program name); returns the exit status.
int runTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace qm
