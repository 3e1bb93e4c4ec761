#include "store/outline.h"

#include <vector>

#include "store/name_codec.h"
#include "store/walk.h"

namespace qm {

namespace {

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

// The last child linked so far under each open level, so appending stays constant-time.
void appendChild(NodeTable& table, std::vector<std::int32_t>& lastAt, std::int32_t parent,
                 std::int32_t child) {
    const int level = table[parent].Level + 1;
    Node& c = table[child];
    c.Parent = parent;
    c.Level = static_cast<std::uint8_t>(level);
    if (static_cast<std::size_t>(level) >= lastAt.size())
        lastAt.resize(level + 1, 0);
    const std::int32_t last = lastAt[level];
    if (last >= 1 && table[last].Parent == parent) {
        table[last].NextSibling = child;
        c.PrevSibling = last;
    } else {
        table[parent].FirstChild = child;
    }
    lastAt[level] = child;
}

} // namespace

OutlineResult parseOutline(std::string_view utf8) {
    OutlineResult result;
    const auto fail = [&](int line, std::string why) {
        result.ok = false;
        result.errorLine = line;
        result.error = std::move(why);
        return std::move(result);
    };
    std::vector<std::string_view> lines = splitLines(utf8);
    while (!lines.empty() && lines.back().find_first_not_of(' ') == std::string_view::npos)
        lines.pop_back();
    if (lines.empty())
        return fail(1, "the outline is empty");

    std::vector<std::int32_t> path;   // the open item at each depth
    std::vector<std::int32_t> lastAt; // per level, for appending
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int lineNo = static_cast<int>(i + 1);
        std::string_view line = lines[i];
        const std::size_t indent = line.find_first_not_of(' ');
        if (indent == std::string_view::npos)
            return fail(lineNo, "empty name");
        if (indent % 2 != 0)
            return fail(lineNo, "odd indentation");
        const std::size_t depth = indent / 2;
        std::string_view text = line.substr(indent);
        while (!text.empty() && text.back() == ' ')
            text.remove_suffix(1);
        const auto chars = fromUtf8(text);
        if (!chars)
            return fail(lineNo, "not valid UTF-8");
        if (chars->size() > static_cast<std::size_t>(kNameLength))
            return fail(lineNo, "name longer than 20 characters");
        const auto bytes = encodeChars(*chars);
        if (!bytes)
            return fail(lineNo, "name has characters the data file cannot hold");
        if (i == 0) {
            if (depth != 0)
                return fail(lineNo, "the first line must not be indented");
            result.table.resetNew(makeName(*bytes));
            path.assign(1, 1);
            continue;
        }
        if (depth == 0)
            return fail(lineNo, "a second top-level line");
        if (depth > path.size())
            return fail(lineNo, "indentation skips a level");
        if (depth > 255)
            return fail(lineNo, "deeper than 255 levels");
        path.resize(depth);
        const std::int32_t slot = result.table.Node_Alloc();
        result.table[slot].Name = makeName(*bytes);
        appendChild(result.table, lastAt, path.back(), slot);
        path.push_back(slot);
    }
    result.ok = true;
    return result;
}

std::string dumpOutline(const NodeTable& table, int* blankNames) {
    std::string out;
    int blanks = 0;
    if (table.hasTree()) {
        SubtreeWalk walk(table);
        for (std::int32_t n = walk.Walk_Start(1); n >= 1; n = walk.Walk_Next(n)) {
            const std::string_view name = trimmedName(table[n].Name);
            if (name.empty())
                ++blanks;
            out.append(2 * static_cast<std::size_t>(table[n].Level), ' ');
            out += bytesToUtf8(name);
            out += '\n';
        }
    }
    if (blankNames)
        *blankNames = blanks;
    return out;
}

bool hasOutlineForm(const NameField& name) {
    const std::string_view trimmed = trimmedName(name);
    return !trimmed.empty() && trimmed.find_first_of("\r\n") == std::string_view::npos;
}

} // namespace qm
