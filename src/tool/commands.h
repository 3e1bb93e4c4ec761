#pragma once
// qmtool's commands (dump, export, import, check, repair, stats, find, listing) behind one
// entry point, so tests run them in-process; the executable only hands over its arguments
// and streams.

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "store/safe_file.h"
#include "tool/tool_progress.h"

namespace qm {

/// Exit statuses of qmtool.
constexpr int kToolOk = 0;
constexpr int kToolProblems = 1; // check found problems, or a listing was refused
constexpr int kToolError = 2;    // usage error, a file that cannot be used, or no memory

/// What qmtool says when an allocation fails, wherever it does.
constexpr const char* kNoMemoryMessage = "qmtool: there is not enough memory";

/// The options of every command, parsed once.
enum Option : unsigned {
    kForce = 1,
    kOutput = 2,
    kStyle = 4,
    kFormat = 8,
    kTruncate = 16,
    kTop = 32,
    kColumns = 64,
    kFontSize = 128,
    kHierarchy = 256,
};

/// One command line split into its words (the command name and its arguments) and options.
struct CommandLine {
    std::vector<std::string> words;
    unsigned given = 0; // the options on the line
    bool help = false;
    bool version = false;
    std::string output, style, format, top;
    std::optional<int> columns, fontSize, hierarchy;
    ToolClock clock; // for the progress of long commands

    bool has(Option o) const { return (given & o) != 0; }
};

/// A command's failure: one line on stderr ("qmtool: " and the message) and its status.
class ToolError {
public:
    explicit ToolError(std::string message, int status = kToolError)
        : m_message(std::move(message)), m_status(status) {}
    const std::string& message() const { return m_message; }
    int status() const { return m_status; }

private:
    std::string m_message;
    int m_status;
};

using CommandRun = int (*)(const CommandLine&, std::ostream& out, std::ostream& err);

/// The one rule for every command that writes a file: never the file it reads (`source`),
/// by whatever name; never a folder, a pipe, a socket or a device; an existing file only
/// with --force, and never a read-only one.
WriteRules outputRules(const CommandLine& cl, const std::string& source);
/// Throws the refusal (status 1) when the rules forbid writing at `path`.
void refuseOutput(const std::string& path, const WriteRules& rules);

/// Runs one command line (without the program name); returns the exit status. Nothing
/// thrown inside leaves it: every failure becomes one line on `err`. `listing` runs the
/// listing command, which needs Qt's GUI library; without it the command is refused.
int runTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            CommandRun listing = nullptr, ToolClock clock = steadyMilliseconds);

} // namespace qm
