#include "tool/commands.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <optional>
#include <string_view>
#include <sys/stat.h>

#include "store/data_file.h"
#include "store/item_path.h"
#include "store/name_codec.h"
#include "store/name_match.h"
#include "store/outline.h"
#include "store/safe_file.h"
#include "store/sort_walk.h"
#include "store/tree_check.h"
#include "store/walk.h"

namespace qm {

namespace {

constexpr std::string_view kUsage =
    "Usage: qmtool COMMAND ARGUMENTS\n"
    "\n"
    "  dump FILE                      print the tree as an outline: one name a line,\n"
    "                                 two spaces of indent per level (UTF-8)\n"
    "  import OUTLINE FILE [--force]  build the data file FILE from an outline\n"
    "  check FILE                     test the signature and the links, list every problem\n"
    "  repair FILE -o OUT [--force]   write the sound part of a damaged FILE to OUT: every\n"
    "                                 item reachable through links that agree, lost items\n"
    "                                 put back under the parent they name, the rest cut\n"
    "  stats FILE                     print the record, slot and item counts and the depth\n"
    "  find FILE ROOT TEXT [--style exact|in-names|names-in]\n"
    "                                 list the items below ROOT whose names match TEXT:\n"
    "                                 the whole name (exact, the default), TEXT within the\n"
    "                                 name (in-names) or the name within TEXT (names-in)\n"
    "  listing FILE ROOT -o OUT.pdf [--columns N] [--font-size N] [--hierarchy N]\n"
    "                                 lay the items below ROOT out on A4 pages as the\n"
    "                                 printed listing, into OUT.pdf\n"
    "  --help                         show this text\n"
    "\n"
    "ROOT is a full path such as WORLD/EUROPE. Names are compared trimmed and case-sensitive.\n"
    "--force replaces an existing FILE or OUT. Exit status: 0 done, 1 check found problems,\n"
    "2 usage error, unusable file or not enough memory.\n";

// The options a command takes.
enum Option : unsigned { kForce = 1, kOutput = 2, kStyle = 4 };

// One command line split into its words and its options, parsed once for every command.
struct CommandLine {
    std::vector<std::string> words; // the command name and its arguments
    bool force = false;
    std::optional<std::string> output;
    std::optional<std::string> style;
    bool help = false;

    unsigned options() const {
        return (force ? kForce : 0u) | (output ? kOutput : 0u) | (style ? kStyle : 0u);
    }
};

class ToolError {
public:
    explicit ToolError(std::string message) : m_message(std::move(message)) {}
    const std::string& message() const { return m_message; }

private:
    std::string m_message;
};

std::string takeValue(const std::vector<std::string>& args, std::size_t& i, const char* what) {
    if (i + 1 >= args.size())
        throw ToolError(std::string(what));
    return args[++i];
}

// Words starting with "--" are options, and "-o"; "--" ends them, so a search text may
// start with "-".
CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    bool optionsDone = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsDone) {
            cl.words.push_back(a);
        } else if (a == "-h" || a == "--help") {
            cl.help = true;
        } else if (a == "-o" || a == "--output") {
            cl.output = takeValue(args, i, "-o needs the path of the file to write");
        } else if (a.compare(0, 9, "--output=") == 0) {
            cl.output = a.substr(9);
        } else if (a.size() < 2 || a.compare(0, 2, "--") != 0) {
            cl.words.push_back(a);
        } else if (a == "--") {
            optionsDone = true;
        } else if (a == "--force") {
            cl.force = true;
        } else if (a == "--style") {
            cl.style = takeValue(args, i, "--style needs a value: exact, in-names or names-in");
        } else if (a.compare(0, 8, "--style=") == 0) {
            cl.style = a.substr(8);
        } else {
            throw ToolError("unknown option " + a);
        }
    }
    return cl;
}

// The file loaded and checked as the window would; one line of failure otherwise. What the
// load worked around goes to stderr.
LoadResult usableFile(const std::string& path, std::ostream& err) {
    LoadResult load = loadDataFile(path);
    if (!load.ok) {
        const char* how =
            load.failure == LoadFailure::Unreadable ? ": cannot be read: "
            : load.failure == LoadFailure::TooLarge || load.failure == LoadFailure::NoMemory
                ? ": cannot be loaded: "
                : ": refused: ";
        throw ToolError(path + how + load.error);
    }
    for (const std::string& problem : load.problems)
        err << path << ": warning: " << problem << '\n';
    return load;
}

// The records of a file for check and repair, however damaged its tree.
DataRecords recordsOf(const std::string& path) {
    DataRecords raw = readDataRecords(path);
    if (!raw.ok)
        throw ToolError(path +
                        (raw.failure == LoadFailure::Unreadable ? ": cannot be read: "
                                                                : ": cannot be loaded: ") +
                        raw.error);
    return raw;
}

std::string strayBytes(std::int64_t n) {
    return std::to_string(n) + (n == 1 ? " stray byte follows" : " stray bytes follow") +
           " the last whole record";
}

// A cells file left from an earlier tree would point the window at unrelated slots.
// It is not ours to delete: the name rule can make it any file beside the data file.
void warnOfOldCells(const std::string& dataPath, std::ostream& err) {
    const std::string cells = cellsPathFor(dataPath);
    if (!cells.empty() && regularFileExists(cells))
        err << cells << ": warning: this cells file belongs to an earlier tree; remove it so "
            << "the window does not restore its cells\n";
}

void refuseToReplace(const CommandLine& cl, const std::string& path) {
    std::error_code ec;
    if (!cl.force && std::filesystem::exists(std::filesystem::symlink_status(path, ec)))
        throw ToolError(path + ": already exists; use --force to replace it");
}

int runDump(const CommandLine& cl, std::ostream& out, std::ostream& err) {
    const std::string& path = cl.words[1];
    const LoadResult load = usableFile(path, err);
    const NodeTable& table = load.table;
    out << dumpOutline(table);

    int lost = 0;
    SubtreeWalk walk(table);
    for (std::int32_t n = walk.Walk_Start(1); n >= 1; n = walk.Walk_Next(n))
        lost += hasOutlineForm(table[n].Name) ? 0 : 1;
    if (lost > 0)
        err << path << ": warning: " << lost
            << (lost == 1 ? " item has a name" : " items have names")
            << " an outline cannot hold (blank, or with a line break)\n";
    return kToolOk;
}

int runImport(const CommandLine& cl, std::ostream&, std::ostream& err) {
    const std::string& outlinePath = cl.words[1];
    const std::string& dataPath = cl.words[2];
    refuseToReplace(cl, dataPath);

    std::string text;
    std::string error;
    if (!readWholeFile(outlinePath, text, error))
        throw ToolError(outlinePath + ": cannot be read: " + error);
    // Editors on Windows like to start UTF-8 files with a byte order mark.
    std::string_view body = text;
    if (body.substr(0, 3) == "\xEF\xBB\xBF")
        body.remove_prefix(3);
    const OutlineResult parsed = parseOutline(body);
    if (!parsed.ok)
        throw ToolError(outlinePath + ":" + std::to_string(parsed.errorLine) + ": " + parsed.error);
    if (!saveDataFile(dataPath, parsed.table, error))
        throw ToolError(dataPath + ": cannot be written: " + error);
    warnOfOldCells(dataPath, err);
    return kToolOk;
}

int runCheck(const CommandLine& cl, std::ostream& out, std::ostream&) {
    DataRecords raw = recordsOf(cl.words[1]);
    out << "signature: " << (raw.signatureOk ? "ok" : "wrong") << '\n';
    std::int64_t problems = (raw.signatureOk ? 0 : 1) + (raw.trailingBytes > 0 ? 1 : 0);
    bool refused = raw.records < 2;
    bool rescuable = false;
    if (raw.records < 2) {
        out << (raw.records == 0 ? "it holds no whole record" : "it holds no top item") << '\n';
        ++problems;
    } else {
        const auto nodeCount = static_cast<std::int32_t>(raw.records - 1);
        const Examination ex =
            examineTree(raw.nodes, nodeCount, Examine::Check, nodeCount - raw.freeCount);
        for (const Finding& f : ex.findings)
            if (f.fault != Fault::SameName)
                out << describeFinding(f, raw.nodes, nodeCount) << '\n';
        if (raw.trailingBytes > 0)
            out << strayBytes(raw.trailingBytes) << '\n';
        for (const Finding& f : ex.findings)
            if (f.fault == Fault::SameName)
                out << "notice: " << describeFinding(f, raw.nodes, nodeCount) << '\n';
        problems += ex.problems();
        refused = ex.refused;
        rescuable = ex.refused && ex.refusal != Fault::TopItemFree;
    }
    if (problems == 0)
        return kToolOk;
    out << "result: " << problems << (problems == 1 ? " problem; " : " problems; ")
        << (refused ? "QuillMar cannot open this file"
                    : "QuillMar opens this file and works around "
                      "them")
        << (rescuable ? "; qmtool repair can rescue its items" : "") << '\n';
    return kToolProblems;
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

int runRepair(const CommandLine& cl, std::ostream& out, std::ostream& err) {
    const std::string& path = cl.words[1];
    if (!cl.output)
        throw ToolError("usage: qmtool repair FILE -o OUT [--force]");
    const std::string& outPath = *cl.output;
    // Also through a link at OUT: the damaged file stays as it is, whatever happens.
    if (sameFile(path, outPath))
        throw ToolError(outPath + ": is " + path + " itself; write the repair to a new file");
    refuseToReplace(cl, outPath);
    DataRecords raw = recordsOf(path);
    if (raw.records < 2)
        throw ToolError(path + ": cannot be repaired: it holds no top item");
    const auto nodeCount = static_cast<std::int32_t>(raw.records - 1);
    const Examination ex =
        examineTree(raw.nodes, nodeCount, Examine::Mend, nodeCount - raw.freeCount);
    if (ex.count(Fault::TopItemFree) > 0)
        throw ToolError(path + ": cannot be repaired: " +
                        describeFinding(ex.findings.front(), raw.nodes, nodeCount));
    if (!raw.signatureOk)
        out << "signature: wrong: rewritten\n";
    for (const Finding& f : ex.findings) {
        if (f.fault == Fault::SameName)
            out << "notice: " << describeFinding(f, raw.nodes, nodeCount) << '\n';
        else
            out << describeFinding(f, raw.nodes, nodeCount) << ": " << describeMend(f, raw.nodes)
                << '\n';
    }
    if (raw.trailingBytes > 0)
        out << strayBytes(raw.trailingBytes) << ": dropped\n";
    NodeTable table;
    table.adopt(std::move(raw.nodes), nodeCount);
    std::string error;
    if (!saveDataFile(outPath, table, error))
        throw ToolError(outPath + ": cannot be written: " + error);
    out << outPath << ": written with " << table.itemCount() << " items below the top item\n";
    warnOfOldCells(outPath, err);
    return kToolOk;
}

int runStats(const CommandLine& cl, std::ostream& out, std::ostream& err) {
    const LoadResult load = usableFile(cl.words[1], err);
    const NodeTable& t = load.table;
    out << "records: " << load.records << '\n'
        << "NodeCount: " << t.NodeCount() << '\n'
        << "FreeCount: " << t.FreeCount() << '\n'
        << "items: " << t.itemCount() << '\n';
    if (t.outsideCount() > 0)
        out << "outside the tree: " << t.outsideCount() << '\n';
    out << "depth: " << treeDepth(t) << '\n';
    return kToolOk;
}

int runFind(const CommandLine& cl, std::ostream& out, std::ostream& err) {
    MatchStyle style = MatchStyle::Exact;
    if (cl.style) {
        const auto parsed = matchStyleFromString(*cl.style);
        if (!parsed)
            throw ToolError("unknown search style " + *cl.style +
                            "; use exact, in-names or names-in");
        style = *parsed;
    }
    const auto text = fromUtf8(cl.words[3]);
    if (!text)
        throw ToolError("the search text is not valid UTF-8");
    if (text->empty())
        throw ToolError("the search text is empty");

    const std::string& path = cl.words[1];
    const LoadResult load = usableFile(path, err);
    const NodeTable& table = load.table;
    const auto rootBytes = utf8ToBytes(cl.words[2]);
    const std::int32_t root = rootBytes ? resolveItemPath(table, *rootBytes) : 0;
    if (root < 1)
        throw ToolError(cl.words[2] + ": no such item in " + path);

    const std::string rootPath = Item_Path(table, root);
    std::vector<std::string_view> names; // the names from below the root down to the item
    const NameMatcher matcher(style, *text);
    SortWalk walk(table);
    for (bool more = walk.start(root); more; more = walk.next()) {
        const std::string_view name = trimmedName(table[walk.SortNod()].Name);
        names.resize(static_cast<std::size_t>(walk.SortLevel()));
        names.push_back(name);
        if (!matcher.matches(walk.SortName()))
            continue;
        std::string line = rootPath;
        for (const std::string_view n : names) {
            line += '/';
            line += n;
        }
        out << bytesToUtf8(line) << '\n';
    }
    return kToolOk;
}

struct Command {
    std::string_view name;
    std::string_view synopsis; // shown when the arguments do not fit
    std::size_t arguments;
    unsigned options; // the options it takes
    int (*run)(const CommandLine&, std::ostream& out, std::ostream& err);
};

constexpr Command kCommands[] = {
    {"dump", "dump FILE", 1, 0, runDump},
    {"import", "import OUTLINE FILE [--force]", 2, kForce, runImport},
    {"check", "check FILE", 1, 0, runCheck},
    {"repair", "repair FILE -o OUT [--force]", 1, kForce | kOutput, runRepair},
    {"stats", "stats FILE", 1, 0, runStats},
    {"find", "find FILE ROOT TEXT [--style exact|in-names|names-in]", 3, kStyle, runFind},
};

// "--force belongs to import and repair".
std::string optionOwners(unsigned option, const char* spelling) {
    std::string owners;
    for (const Command& c : kCommands) {
        if (!(c.options & option))
            continue;
        owners += owners.empty() ? "" : " and ";
        owners += c.name;
    }
    return std::string(spelling) + " belongs to " + owners;
}

int runCommand(const CommandLine& cl, std::ostream& out, std::ostream& err) {
    const std::string& name = cl.words[0];
    const auto command = std::find_if(std::begin(kCommands), std::end(kCommands),
                                      [&](const Command& c) { return c.name == name; });
    if (command == std::end(kCommands))
        throw ToolError("unknown command " + name + "; see qmtool --help");
    const unsigned stray = cl.options() & ~command->options;
    if (stray & kForce)
        throw ToolError(optionOwners(kForce, "--force"));
    if (stray & kOutput)
        throw ToolError(optionOwners(kOutput, "-o"));
    if (stray & kStyle)
        throw ToolError(optionOwners(kStyle, "--style"));
    if (cl.words.size() != command->arguments + 1)
        throw ToolError("usage: qmtool " + std::string(command->synopsis));
    return command->run(cl, out, err);
}

} // namespace

int runTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        const CommandLine cl = parseCommandLine(args);
        if (cl.help) {
            out << kUsage;
            return kToolOk;
        }
        if (cl.words.empty()) {
            err << kUsage;
            return kToolError;
        }
        return runCommand(cl, out, err);
    } catch (const ToolError& e) {
        err << "qmtool: " << e.message() << '\n';
    } catch (const std::bad_alloc&) {
        err << kNoMemoryMessage << '\n';
    } catch (const std::exception& e) {
        err << "qmtool: " << e.what() << '\n';
    }
    return kToolError;
}

} // namespace qm
