#pragma once
// qmtool's commands (dump, import, check, repair, stats, find) behind one entry point, so
// tests run them in-process; the executable only hands over its arguments and streams.

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

/// Exit statuses of qmtool.
constexpr int kToolOk = 0;
constexpr int kToolProblems = 1; // check found problems, or a listing was refused
constexpr int kToolError = 2;    // usage error, a file that cannot be used, or no memory

/// What qmtool says when an allocation fails, wherever it does.
constexpr const char* kNoMemoryMessage = "qmtool: there is not enough memory";

/// Runs one command line (without the program name); returns the exit status. Nothing
/// thrown inside leaves it: every failure becomes one line on `err` and status 2.
int runTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace qm
