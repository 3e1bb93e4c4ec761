#include "store/outline.h"

#include <vector>

#include "store/name_codec.h"

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

bool isAsciiPunctuation(char32_t c) {
    return (c >= U'!' && c <= U'/') || (c >= U':' && c <= U'@') || (c >= U'[' && c <= U'`') ||
           (c >= U'{' && c <= U'~');
}

// A backslash before ASCII punctuation stands for the punctuation itself.
void unescapeMarkdown(std::u32string& name) {
    std::size_t to = 0;
    for (std::size_t from = 0; from < name.size(); ++from) {
        if (name[from] == U'\\' && from + 1 < name.size() && isAsciiPunctuation(name[from + 1]))
            ++from;
        name[to++] = name[from];
    }
    name.resize(to);
}

std::optional<int> hexDigit(char32_t c) {
    if (c >= U'0' && c <= U'9')
        return static_cast<int>(c - U'0');
    if (c >= U'A' && c <= U'F')
        return static_cast<int>(c - U'A' + 10);
    if (c >= U'a' && c <= U'f')
        return static_cast<int>(c - U'a' + 10);
    return std::nullopt;
}

// "\\" and "\xNN" of an outline file. A name cut short may end inside an escape; that
// much is dropped.
bool unescapeFile(std::u32string& name, bool cut) {
    std::size_t to = 0;
    for (std::size_t from = 0; from < name.size(); ++from) {
        if (name[from] != U'\\') {
            name[to++] = name[from];
            continue;
        }
        const std::size_t left = name.size() - from - 1;
        if (left >= 1 && name[from + 1] == U'\\') {
            name[to++] = U'\\';
            ++from;
            continue;
        }
        if (left >= 3 && name[from + 1] == U'x') {
            const auto high = hexDigit(name[from + 2]);
            const auto low = hexDigit(name[from + 3]);
            if (high && low) {
                name[to++] = static_cast<char32_t>(*high * 16 + *low);
                from += 3;
                continue;
            }
        }
        if (cut && left < 3)
            break;
        return false;
    }
    name.resize(to);
    return true;
}

// The name of a line without its indentation and trailing spaces; a very long one kept as
// far as kNameKept says. Nothing, with the reason, when it cannot be read.
std::optional<std::u32string> lineName(std::string_view text, bool escaped, const char*& why) {
    std::optional<std::u32string> name = fromUtf8(text, kNameKept);
    why = "not valid UTF-8";
    if (!name)
        return name;
    std::size_t keptBytes = 0;
    for (const char32_t ch : *name)
        keptBytes += ch < 0x80 ? 1 : ch < 0x800 ? 2 : ch < 0x10000 ? 3 : 4;
    const bool cut = keptBytes < text.size();
    why = "a backslash that starts no escape (\\\\ or \\xNN)";
    if (escaped && !unescapeFile(*name, cut))
        return std::nullopt;
    if (cut)
        markCut(*name);
    return name;
}

OutlineResult parseLines(std::string_view utf8, const ImportRules& rules, bool markdown) {
    OutlineBuilder builder(rules, "use --top NAME");
    std::vector<std::string_view> lines = splitLines(utf8);
    while (!lines.empty() && lines.back().find_first_not_of(' ') == std::string_view::npos)
        lines.pop_back();
    const bool escaped = !markdown && !lines.empty() && lines.front() == kOutlineFileHeader;
    const std::size_t first = escaped ? 1 : 0;
    if (lines.size() == first) {
        builder.fail(static_cast<int>(first + 1), "the outline is empty");
        return std::move(builder.result());
    }
    builder.reserve(lines.size() - first);
    for (std::size_t i = first; i < lines.size(); ++i) {
        const int lineNo = static_cast<int>(i + 1);
        const std::string_view line = lines[i];
        const std::size_t indent = line.find_first_not_of(' ');
        if (indent == std::string_view::npos) {
            builder.fail(lineNo, "empty name");
            break;
        }
        if (indent % 2 != 0) {
            builder.fail(lineNo, "odd indentation");
            break;
        }
        std::string_view text = line.substr(indent);
        if (markdown) {
            if (text.find_first_of("-*+") != 0 || (text.size() > 1 && text[1] != ' ')) {
                builder.fail(lineNo, "not a list item (\"- NAME\")");
                break;
            }
            text.remove_prefix(std::min<std::size_t>(2, text.size()));
        }
        while (!text.empty() && text.back() == ' ')
            text.remove_suffix(1);
        const char* why = "";
        std::optional<std::u32string> name = lineName(text, escaped, why);
        if (!name) {
            builder.fail(lineNo, why);
            break;
        }
        if (markdown)
            unescapeMarkdown(*name);
        if (i == first && indent != 0) {
            builder.fail(lineNo, "the first line must not be indented");
            break;
        }
        if (!builder.add(static_cast<int>(indent / 2), *name, lineNo))
            break;
        if (i + 1 == lines.size())
            builder.finish();
    }
    return std::move(builder.result());
}

} // namespace

OutlineResult parseOutline(std::string_view utf8, const ImportRules& rules) {
    return parseLines(utf8, rules, false);
}

OutlineResult parseMarkdown(std::string_view utf8, const ImportRules& rules) {
    return parseLines(utf8, rules, true);
}

} // namespace qm
