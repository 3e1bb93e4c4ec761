#include "tool/commands.h"

#include <filesystem>
#include <optional>
#include <string_view>

#include "store/data_file.h"
#include "store/item_path.h"
#include "store/name_codec.h"
#include "store/name_match.h"
#include "store/outline.h"
#include "store/safe_file.h"
#include "store/sort_walk.h"
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
    "Exit status: 0 done, 1 check found problems, 2 usage error or unusable file.\n";

// One command line split into its words and its options.
struct CommandLine {
    std::vector<std::string> words; // the command name and its arguments
    bool force = false;
    std::optional<std::string> style;
    bool help = false;
};

class ToolError {
public:
    explicit ToolError(std::string message) : m_message(std::move(message)) {}
    const std::string& message() const { return m_message; }

private:
    std::string m_message;
};

// Words starting with "--" are options; "--" ends them, so a search text may start with "-".
CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    bool optionsDone = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsDone || a.size() < 2 || a.compare(0, 2, "--") != 0) {
            if (a == "-h" && !optionsDone)
                cl.help = true;
            else
                cl.words.push_back(a);
        } else if (a == "--") {
            optionsDone = true;
        } else if (a == "--help") {
            cl.help = true;
        } else if (a == "--force") {
            cl.force = true;
        } else if (a == "--style") {
            if (i + 1 >= args.size())
                throw ToolError("--style needs a value: exact, in-names or names-in");
            cl.style = args[++i];
        } else if (a.compare(0, 8, "--style=") == 0) {
            cl.style = a.substr(8);
        } else {
            throw ToolError("unknown option " + a);
        }
    }
    return cl;
}

void expectArguments(const CommandLine& cl, std::size_t count, std::string_view synopsis) {
    if (cl.words.size() != count + 1)
        throw ToolError("usage: qmtool " + std::string(synopsis));
}

// The file read whole and checked by the store's loader; one line of failure otherwise.
struct ReadFile {
    std::string bytes;
    LoadResult load;
};

ReadFile readDataFile(const std::string& path) {
    ReadFile f;
    std::string error;
    if (!readWholeFile(path, f.bytes, error))
        throw ToolError(path + ": cannot be read: " + error);
    f.load = loadDataBytes(f.bytes);
    return f;
}

// A file the other commands can work on; what the loader noticed goes to stderr.
LoadResult usableFile(const std::string& path, std::ostream& err) {
    ReadFile f = readDataFile(path);
    if (!f.load.ok)
        throw ToolError(path + ": refused: " + f.load.error);
    for (const std::string& problem : f.load.problems)
        err << path << ": warning: " << problem << '\n';
    return std::move(f.load);
}

int runDump(const CommandLine& cl, std::ostream& out, std::ostream& err) {
    expectArguments(cl, 1, "dump FILE");
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
    expectArguments(cl, 2, "import OUTLINE FILE [--force]");
    const std::string& outlinePath = cl.words[1];
    const std::string& dataPath = cl.words[2];
    std::error_code ec;
    if (!cl.force && std::filesystem::exists(dataPath, ec))
        throw ToolError(dataPath + ": already exists; use --force to replace it");

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
    // A cells file left from an earlier tree would point the window at unrelated slots.
    // It is not ours to delete: the name rule can make it any file beside the data file.
    const std::string cells = cellsPathFor(dataPath);
    if (cells != dataPath && regularFileExists(cells))
        err << cells << ": warning: this cells file belongs to an earlier tree; remove it so "
            << "the window does not restore its cells\n";
    return kToolOk;
}

int runCheck(const CommandLine& cl, std::ostream& out, std::ostream&) {
    expectArguments(cl, 1, "check FILE");
    const ReadFile f = readDataFile(cl.words[1]);
    const bool signatureOk =
        f.bytes.size() >= kRecordSize && isSignature(decodeRecord(f.bytes.data()));
    out << "signature: " << (signatureOk ? "ok" : "wrong") << '\n';
    if (!f.load.ok) {
        out << "refused: " << f.load.error << '\n';
        return kToolProblems;
    }
    // The loader lists a wrong signature first; it was reported just above.
    const std::size_t first = signatureOk ? 0 : 1;
    for (std::size_t i = first; i < f.load.problems.size(); ++i)
        out << f.load.problems[i] << '\n';
    return signatureOk && f.load.problems.empty() ? kToolOk : kToolProblems;
}

int runStats(const CommandLine& cl, std::ostream& out, std::ostream& err) {
    expectArguments(cl, 1, "stats FILE");
    const LoadResult load = usableFile(cl.words[1], err);
    const NodeTable& t = load.table;
    out << "records: " << load.records << '\n'
        << "NodeCount: " << t.NodeCount() << '\n'
        << "FreeCount: " << t.FreeCount() << '\n'
        << "items: " << t.itemCount() << '\n'
        << "depth: " << treeDepth(t) << '\n';
    return kToolOk;
}

int runFind(const CommandLine& cl, std::ostream& out, std::ostream& err) {
    expectArguments(cl, 3, "find FILE ROOT TEXT [--style exact|in-names|names-in]");
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
        const std::string& command = cl.words[0];
        if (cl.force && command != "import")
            throw ToolError("--force belongs to import");
        if (cl.style && command != "find")
            throw ToolError("--style belongs to find");
        if (command == "dump")
            return runDump(cl, out, err);
        if (command == "import")
            return runImport(cl, out, err);
        if (command == "check")
            return runCheck(cl, out, err);
        if (command == "stats")
            return runStats(cl, out, err);
        if (command == "find")
            return runFind(cl, out, err);
        throw ToolError("unknown command " + command + "; see qmtool --help");
    } catch (const ToolError& e) {
        err << "qmtool: " << e.message() << '\n';
        return kToolError;
    }
}

} // namespace qm
