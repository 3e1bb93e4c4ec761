#include "tool/commands.h"

#include <algorithm>
#include <charconv>
#include <new>
#include <optional>
#include <string_view>

#include "about/version.h"
#include "store/data_file.h"
#include "store/item_path.h"
#include "store/message_text.h"
#include "store/name_codec.h"
#include "store/name_match.h"
#include "store/outline.h"
#include "store/safe_file.h"
#include "store/sort_walk.h"
#include "store/tree_check.h"
#include "store/walk.h"
#include "tool/opml_reader.h"

namespace qm {

namespace {

constexpr std::string_view kUsage =
    "Usage: qmtool COMMAND ARGUMENTS\n"
    "\n"
    "  dump FILE                      print the tree as an outline: one name a line,\n"
    "                                 two spaces of indent per level (UTF-8)\n"
    "  export FILE [--format text|opml|markdown] [-o OUT [--force]]\n"
    "                                 the tree as an outline file (text, the default: a\n"
    "                                 first line naming the format, then the outline, with\n"
    "                                 \\\\ and \\xNN for backslashes and control characters),\n"
    "                                 an OPML 2.0 document or a Markdown list, to OUT or\n"
    "                                 the output\n"
    "  import OUTLINE FILE [--format text|opml|markdown] [--truncate] [--top NAME] [--force]\n"
    "                                 build the data file FILE from an outline, an OPML\n"
    "                                 document or a Markdown list (told apart by content);\n"
    "                                 --truncate cuts names longer than 20 characters;\n"
    "                                 --top names a top item over several top-level items\n"
    "                                 (an OPML title does too)\n"
    "  check FILE                     test the signature and the links, list every problem\n"
    "                                 that repair mends, lost parts of the tree included,\n"
    "                                 and siblings that share a name as a notice\n"
    "  repair FILE -o OUT [--force]   write the sound part of a damaged FILE to OUT: every\n"
    "                                 item reachable through links that agree, lost items\n"
    "                                 put back under the parent they name, the rest cut\n"
    "  stats FILE                     print the record, slot and item counts and the depth\n"
    "  find FILE ROOT TEXT [--style exact|in-names|names-in]\n"
    "                                 list the items below ROOT whose names match TEXT:\n"
    "                                 the whole name (exact, the default), TEXT within the\n"
    "                                 name (in-names) or the name within TEXT (names-in)\n"
    "  listing FILE ROOT -o OUT.pdf [--force] [--columns N] [--font-size N] [--hierarchy N]\n"
    "                                 lay the items below ROOT out on A4 pages as the\n"
    "                                 printed listing, into OUT.pdf: at most N columns a\n"
    "                                 page (2), N points a line (10); hierarchy 0: two\n"
    "                                 spaces a level and descendancy lines, N of 1 or more:\n"
    "                                 N spaces a level, below 0: two spaces, no lines\n"
    "  --help                         show this text\n"
    "  --version                      show the version\n"
    "\n"
    "ROOT is a full path such as WORLD/EUROPE. Names are compared trimmed and case-sensitive.\n"
    "No command writes over the file it reads (by any name or link), a folder, a pipe, a\n"
    "socket or a device; --force lets it replace an existing FILE or OUT. Exit status: 0 done,\n"
    "1 check found problems, a listing was refused or the output may not be written, 2 usage\n"
    "error, unusable file or not enough memory.\n";

struct OptionRule {
    std::string_view name;
    std::string_view shortName;
    Option option;
    std::string CommandLine::*text;          // or
    std::optional<int> CommandLine::*number; // or neither: a flag
    int low, high;
    std::string_view needs; // what a missing value is told
};

constexpr OptionRule kOptions[] = {
    {"--output", "-o", kOutput, &CommandLine::output, nullptr, 0, 0,
     "-o needs the path of the file to write"},
    {"--force", "", kForce, nullptr, nullptr, 0, 0, ""},
    {"--style", "", kStyle, &CommandLine::style, nullptr, 0, 0,
     "--style needs a value: exact, in-names or names-in"},
    {"--format", "", kFormat, &CommandLine::format, nullptr, 0, 0,
     "--format needs a value: text, opml or markdown"},
    {"--truncate", "", kTruncate, nullptr, nullptr, 0, 0, ""},
    {"--top", "", kTop, &CommandLine::top, nullptr, 0, 0, "--top needs the name of a top item"},
    {"--columns", "", kColumns, nullptr, &CommandLine::columns, 1, 100, ""},
    {"--font-size", "", kFontSize, nullptr, &CommandLine::fontSize, 1, 1000, ""},
    {"--hierarchy", "", kHierarchy, nullptr, &CommandLine::hierarchy, -100, 100, ""},
};

int wholeNumber(std::string_view option, const std::string& text, int low, int high) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
        throw ToolError(std::string(option) + " needs a whole number from " + std::to_string(low) +
                        " to " + std::to_string(high) + ", not " + quotedText(text));
    return value;
}

// Words starting with "--" are options, and "-o"; "--NAME=VALUE" as well as "--NAME VALUE";
// "--" ends them, so a search text may start with "-".
CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    bool optionsDone = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsDone || a == "-" || a.empty() || a[0] != '-' ||
            (a.size() > 1 && a[1] != '-' && a != "-o" && a != "-h")) {
            cl.words.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsDone = true;
            continue;
        }
        if (a == "-h" || a == "--help") {
            cl.help = true;
            continue;
        }
        if (a == "--version") {
            cl.version = true;
            continue;
        }
        const std::size_t eq = a.find('=');
        const std::string_view name = std::string_view(a).substr(0, eq);
        const auto known =
            std::find_if(std::begin(kOptions), std::end(kOptions), [&](const OptionRule& o) {
                return name == o.name || name == o.shortName;
            });
        if (known == std::end(kOptions) || (eq != std::string::npos && a[1] != '-'))
            throw ToolError("unknown option " + shownText(a) + "; see qmtool --help");
        cl.given |= known->option;
        if (!known->text && !known->number) {
            if (eq != std::string::npos)
                throw ToolError(std::string(known->name) + " takes no value");
            continue;
        }
        std::string value;
        if (eq != std::string::npos)
            value = a.substr(eq + 1);
        else if (i + 1 < args.size())
            value = args[++i];
        else
            throw ToolError(known->needs.empty() ? std::string(known->name) + " needs a value"
                                                 : std::string(known->needs));
        if (known->text)
            cl.*(known->text) = value;
        else
            cl.*(known->number) = wholeNumber(known->name, value, known->low, known->high);
    }
    return cl;
}

// The file loaded and checked as the window would; one line of failure otherwise. What the
// load worked around goes to stderr.
LoadResult usableFile(const std::string& path, std::ostream& err, Progress* progress = nullptr) {
    LoadResult load = loadDataFile(path, progress);
    if (!load.ok) {
        const char* how =
            load.failure == LoadFailure::Unreadable ? ": cannot be read: "
            : load.failure == LoadFailure::TooLarge || load.failure == LoadFailure::NoMemory
                ? ": cannot be loaded: "
                : ": refused: ";
        throw ToolError(shownText(path) + how + load.error);
    }
    for (const std::string& problem : load.problems)
        err << shownText(path) << ": warning: " << problem << '\n';
    return load;
}

// The records of a file for check and repair, however damaged its tree.
DataRecords recordsOf(const std::string& path, Progress* progress = nullptr) {
    DataRecords raw = readDataRecords(path, progress);
    if (!raw.ok)
        throw ToolError(shownText(path) +
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
        err << shownText(cells)
            << ": warning: this cells file belongs to an earlier tree; remove it so "
            << "the window does not restore its cells\n";
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
        err << shownText(path) << ": warning: " << lost
            << (lost == 1 ? " item has a name" : " items have names")
            << " an outline cannot hold (blank, or with a line break)\n";
    return kToolOk;
}

// The format a --format names, or `fallback` without one.
OutlineFormat formatOption(const CommandLine& cl, OutlineFormat fallback) {
    if (!cl.has(kFormat))
        return fallback;
    if (cl.format == "text")
        return OutlineFormat::TextFile;
    if (cl.format == "opml")
        return OutlineFormat::Opml;
    if (cl.format == "markdown")
        return OutlineFormat::Markdown;
    throw ToolError("unknown format " + quotedText(cl.format) + "; use text, opml or markdown");
}

const char* formatName(OutlineFormat format) {
    return format == OutlineFormat::Opml       ? "OPML"
           : format == OutlineFormat::Markdown ? "Markdown"
                                               : "an outline";
}

bool startsWith(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
}

// The outline file by its first line. OPML by a byte order mark of UTF-16 or UTF-32, which
// outlines never use, or by a first "<" in one of those without it, or by an XML prolog,
// comment or root element. A Markdown list when every line is a list item. Else an outline.
OutlineFormat formatOfContent(std::string_view bytes) {
    if (startsWith(bytes, "\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    std::string_view firstLine = bytes.substr(0, bytes.find('\n'));
    if (!firstLine.empty() && firstLine.back() == '\r')
        firstLine.remove_suffix(1);
    if (firstLine == kOutlineFileHeader)
        return OutlineFormat::TextFile;
    for (const std::string_view mark :
         {std::string_view("\xFE\xFF"), std::string_view("\xFF\xFE"),
          std::string_view("\0\0\xFE\xFF", 4), std::string_view("\0<", 2),
          std::string_view("<\0", 2), std::string_view("\0\0\0<", 4)})
        if (startsWith(bytes, mark))
            return OutlineFormat::Opml;
    const std::string_view start =
        bytes.substr(std::min(bytes.find_first_not_of(" \t\r\n"), bytes.size()));
    for (const std::string_view xml : {"<?xml", "<opml", "<!--", "<!DOCTYPE"})
        if (startsWith(start, xml))
            return OutlineFormat::Opml;
    bool items = false;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t end = std::min(bytes.find('\n', at), bytes.size());
        std::string_view line = bytes.substr(at, end - at);
        at = end + 1;
        line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
        if (line.empty() || line == "\r")
            continue;
        if (line.find_first_of("-*+") != 0 ||
            (line.size() > 1 && line[1] != ' ' && line[1] != '\r'))
            return OutlineFormat::Text;
        items = true;
    }
    return items ? OutlineFormat::Markdown : OutlineFormat::Text;
}

int runImport(const CommandLine& cl, std::ostream&, std::ostream& err) {
    const std::string& outlinePath = cl.words[1];
    const std::string& dataPath = cl.words[2];
    const WriteRules output = outputRules(cl, outlinePath);
    refuseOutput(dataPath, output);
    ImportRules rules;
    rules.truncate = cl.has(kTruncate);
    if (cl.has(kTop)) {
        rules.top = fromUtf8(cl.top);
        if (!rules.top)
            throw ToolError("the name given with --top is not valid UTF-8");
    }

    std::string text;
    std::string error;
    if (!readWholeFile(outlinePath, text, error))
        throw ToolError(shownText(outlinePath) + ": cannot be read: " + error);
    const OutlineFormat format = formatOption(cl, formatOfContent(text));
    // Editors on Windows like to start UTF-8 files with a byte order mark; the XML reader
    // reads it itself.
    std::string_view body = text;
    if (format != OutlineFormat::Opml && startsWith(body, "\xEF\xBB\xBF"))
        body.remove_prefix(3);
    const OutlineResult parsed = format == OutlineFormat::Opml       ? readOpml(body, rules)
                                 : format == OutlineFormat::Markdown ? parseMarkdown(body, rules)
                                                                     : parseOutline(body, rules);
    const auto place = [&](int line, int column) {
        return shownText(outlinePath) + (line > 0 ? ":" + std::to_string(line) : "") +
               (column > 0 ? ":" + std::to_string(column) : "") + ": ";
    };
    if (!parsed.ok)
        throw ToolError(place(parsed.errorLine, parsed.errorColumn) + parsed.error);
    if (!saveDataFile(dataPath, parsed.table, error, nullptr, nullptr, output))
        throw ToolError(shownText(dataPath) + ": cannot be written: " + error);
    for (const OutlineNotice& w : parsed.warnings)
        err << place(w.line, 0) << "warning: " << w.text << '\n';
    warnOfOldCells(dataPath, err);
    return kToolOk;
}

int runExport(const CommandLine& cl, std::ostream& out, std::ostream& err) {
    const std::string& path = cl.words[1];
    const OutlineFormat format = formatOption(cl, OutlineFormat::TextFile);
    const WriteRules output = outputRules(cl, path);
    if (cl.has(kOutput))
        refuseOutput(cl.output, output);
    ToolProgress progress(err, path, cl.clock);
    const LoadResult load = usableFile(path, err, &progress);
    const OutlineExport refusal = findUnholdable(load.table, 1, format);
    if (!refusal.ok)
        throw ToolError(shownText(path) + ": cannot export " +
                        quotedText(bytesToUtf8(Item_Path(load.table, refusal.item))) + " as " +
                        formatName(format) + ": " + refusal.why + "; nothing written");
    progress.stage("writing");
    progress.start(std::int64_t(load.table.itemCount()) + 1);
    if (!cl.has(kOutput)) {
        writeOutline(
            load.table, 1, format,
            [&](std::string_view piece) {
                return static_cast<bool>(
                    out.write(piece.data(), static_cast<std::streamsize>(piece.size())));
            },
            &progress);
        return kToolOk;
    }
    std::string error;
    if (!exportOutlineFile(cl.output, load.table, 1, format, error, output, &progress))
        throw ToolError(shownText(cl.output) + ": cannot be written: " + error);
    return kToolOk;
}

int runCheck(const CommandLine& cl, std::ostream& out, std::ostream& err) {
    ToolProgress progress(err, cl.words[1], cl.clock);
    DataRecords raw = recordsOf(cl.words[1], &progress);
    out << "signature: " << (raw.signatureOk ? "ok" : "wrong") << '\n';
    std::int64_t problems = (raw.signatureOk ? 0 : 1) + (raw.trailingBytes > 0 ? 1 : 0);
    bool refused = raw.records < 2;
    bool rescuable = false;
    if (raw.records < 2) {
        out << (raw.records == 0 ? "it holds no whole record" : "it holds no top item") << '\n';
        ++problems;
    } else {
        const auto nodeCount = static_cast<std::int32_t>(raw.records - 1);
        progress.stage("checking");
        progress.start(2 * (std::int64_t(nodeCount) - raw.freeCount)); // the links, the names
        const Examination ex =
            examineTree(raw.nodes, nodeCount, Examine::Check, nodeCount - raw.freeCount, &progress);
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

int runRepair(const CommandLine& cl, std::ostream& out, std::ostream& err) {
    const std::string& path = cl.words[1];
    const std::string& outPath = cl.output;
    // The damaged file stays as it is, whatever happens.
    const WriteRules output = outputRules(cl, path);
    refuseOutput(outPath, output);
    DataRecords raw = recordsOf(path);
    if (raw.records < 2)
        throw ToolError(shownText(path) + ": cannot be repaired: it holds no top item");
    const auto nodeCount = static_cast<std::int32_t>(raw.records - 1);
    const Examination ex =
        examineTree(raw.nodes, nodeCount, Examine::Mend, nodeCount - raw.freeCount);
    if (ex.count(Fault::TopItemFree) > 0)
        throw ToolError(shownText(path) + ": cannot be repaired: " +
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
    if (!saveDataFile(outPath, table, error, nullptr, nullptr, output))
        throw ToolError(shownText(outPath) + ": cannot be written: " + error);
    out << shownText(outPath) << ": written with " << table.itemCount()
        << " items below the top item\n";
    warnOfOldCells(outPath, err);
    return kToolOk;
}

int runStats(const CommandLine& cl, std::ostream& out, std::ostream& err) {
    ToolProgress progress(err, cl.words[1], cl.clock);
    const LoadResult load = usableFile(cl.words[1], err, &progress);
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
    if (cl.has(kStyle)) {
        const auto parsed = matchStyleFromString(cl.style);
        if (!parsed)
            throw ToolError("unknown search style " + quotedText(cl.style) +
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
        throw ToolError(quotedText(cl.words[2]) + ": no such item in " + shownText(path));

    const std::string rootPath = Item_Path(table, root);
    std::vector<std::string_view> names; // the names from below the root down to the item
    const NameMatcher matcher(style, *text);
    SortWalk walk(table);
    for (bool more = walk.SortWalk_Start(root); more; more = walk.SortWalk_Next()) {
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
    unsigned options;  // the options it takes
    unsigned required; // and of those, the ones it cannot do without
    CommandRun run;    // null for the listing, which the caller brings
};

constexpr Command kCommands[] = {
    {"dump", "dump FILE", 1, 0, 0, runDump},
    {"export", "export FILE [--format text|opml|markdown] [-o OUT [--force]]", 1,
     kFormat | kOutput | kForce, 0, runExport},
    {"import",
     "import OUTLINE FILE [--format text|opml|markdown] [--truncate] [--top NAME] [--force]", 2,
     kForce | kFormat | kTruncate | kTop, 0, runImport},
    {"check", "check FILE", 1, 0, 0, runCheck},
    {"repair", "repair FILE -o OUT [--force]", 1, kForce | kOutput, kOutput, runRepair},
    {"stats", "stats FILE", 1, 0, 0, runStats},
    {"find", "find FILE ROOT TEXT [--style exact|in-names|names-in]", 3, kStyle, 0, runFind},
    {"listing",
     "listing FILE ROOT -o OUT.pdf [--force] [--columns N] [--font-size N] [--hierarchy N]", 2,
     kOutput | kForce | kColumns | kFontSize | kHierarchy, kOutput, nullptr},
};

// "--force belongs to export, import and repair".
std::string optionOwners(const OptionRule& option) {
    std::vector<std::string_view> owners;
    for (const Command& c : kCommands)
        if (c.options & option.option)
            owners.push_back(c.name);
    std::string text =
        std::string(option.shortName.empty() ? option.name : option.shortName) + " belongs to ";
    for (std::size_t i = 0; i < owners.size(); ++i)
        text += std::string(i == 0                   ? ""
                            : i + 1 == owners.size() ? " and "
                                                     : ", ") +
                std::string(owners[i]);
    return text;
}

int runCommand(const CommandLine& cl, std::ostream& out, std::ostream& err, CommandRun listing) {
    const std::string& name = cl.words[0];
    const auto command = std::find_if(std::begin(kCommands), std::end(kCommands),
                                      [&](const Command& c) { return c.name == name; });
    if (command == std::end(kCommands))
        throw ToolError("unknown command " + quotedText(name) + "; see qmtool --help");
    for (const OptionRule& o : kOptions)
        if (cl.has(o.option) && !(command->options & o.option))
            throw ToolError(optionOwners(o));
    if (cl.words.size() != command->arguments + 1 ||
        (cl.given & command->required) != command->required)
        throw ToolError("usage: qmtool " + std::string(command->synopsis));
    const CommandRun run = command->run ? command->run : listing;
    if (!run)
        throw ToolError(quotedText(name) + " is not available in this program");
    return run(cl, out, err);
}

} // namespace

WriteRules outputRules(const CommandLine& cl, const std::string& source) {
    WriteRules rules = kDataFileRules;
    rules.replace = cl.has(kForce);
    rules.source = source;
    return rules;
}

void refuseOutput(const std::string& path, const WriteRules& rules) {
    std::string why = outputRefusal(path, rules);
    if (why.empty())
        return;
    if (why == kExistsRefusal)
        why += "; use --force to replace it";
    throw ToolError(shownText(path) + ": not written: " + why, kToolProblems);
}

int runTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            CommandRun listing, ToolClock clock) {
    CommandLine cl;
    try {
        cl = parseCommandLine(args);
        cl.clock = std::move(clock);
        if (cl.help) {
            out << kUsage;
            return kToolOk;
        }
        if (cl.version) {
            out << "qmtool (" << kAppTitle << ") " << kVersionText << '\n';
            return kToolOk;
        }
        if (cl.words.empty()) {
            err << kUsage;
            return kToolError;
        }
        return runCommand(cl, out, err, listing);
    } catch (const ToolError& e) {
        err << "qmtool: " << e.message() << '\n';
        return e.status();
    } catch (const std::bad_alloc&) {
        // Every command's first word names the file it works on.
        if (cl.words.size() > 1)
            err << "qmtool: " << shownText(cl.words[1]) << ": there is not enough memory\n";
        else
            err << kNoMemoryMessage << '\n';
    } catch (const std::exception& e) {
        err << "qmtool: " << e.what() << '\n';
    }
    return kToolError;
}

} // namespace qm
