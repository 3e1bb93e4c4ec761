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

OutlineResult parseLines(std::string_view utf8, const ImportRules& rules) {
    OutlineBuilder builder(rules, "use --top NAME");
    std::vector<std::string_view> lines = splitLines(utf8);
    while (!lines.empty() && lines.back().find_first_not_of(' ') == std::string_view::npos)
        lines.pop_back();
    if (lines.empty()) {
        builder.fail(1, "the outline is empty");
        return std::move(builder.result());
    }
    builder.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
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
        while (!text.empty() && text.back() == ' ')
            text.remove_suffix(1);
        std::optional<std::u32string> name = fromUtf8(text);
        if (!name) {
            builder.fail(lineNo, "not valid UTF-8");
            break;
        }
        if (i == 0 && indent != 0) {
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
    return parseLines(utf8, rules);
}

} // namespace qm
