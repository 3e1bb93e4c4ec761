#include "interchange/outline_import.h"

#include <algorithm>
#include <utility>

#include "interchange/latin_names.h"
#include "interchange/markdown_reader.h"
#include "interchange/opml_reader.h"

namespace qm {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool startsWith(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
}

bool endsMarker(std::string_view line, std::size_t at) {
    return at == line.size() || line[at] == ' ' || line[at] == '\t' || line[at] == '\r';
}

// A line that starts a list item, a heading or a code fence.
bool opensMarkdownBlock(std::string_view line) {
    const std::size_t indent = std::min(line.find_first_not_of(' '), line.size());
    if (indent > 3)
        return false;
    line.remove_prefix(indent);
    if (line.empty())
        return false;
    if ((line[0] == '-' || line[0] == '*' || line[0] == '+') && endsMarker(line, 1))
        return true;
    const std::size_t digits = std::min(line.find_first_not_of("0123456789"), line.size());
    if (digits >= 1 && digits <= 9 && digits < line.size() &&
        (line[digits] == '.' || line[digits] == ')') && endsMarker(line, digits + 1))
        return true;
    const std::size_t hashes = std::min(line.find_first_not_of('#'), line.size());
    if (hashes >= 1 && hashes <= 6 && endsMarker(line, hashes))
        return true;
    return startsWith(line, "```") || startsWith(line, "~~~");
}

bool isBlank(std::string_view line) {
    return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

} // namespace

OutlineFormat outlineFormatOf(std::string_view bytes) {
    for (const std::string_view mark :
         {std::string_view("\xFE\xFF"), std::string_view("\xFF\xFE"),
          std::string_view("\0\0\xFE\xFF", 4), std::string_view("\0<", 2),
          std::string_view("<\0", 2), std::string_view("\0\0\0<", 4)})
        if (startsWith(bytes, mark))
            return OutlineFormat::Opml;
    if (startsWith(bytes, kUtf8Bom))
        bytes.remove_prefix(kUtf8Bom.size());
    std::string_view firstLine = bytes.substr(0, bytes.find('\n'));
    if (!firstLine.empty() && firstLine.back() == '\r')
        firstLine.remove_suffix(1);
    if (firstLine == kOutlineFileHeader)
        return OutlineFormat::TextFile;
    const std::string_view start =
        bytes.substr(std::min(bytes.find_first_not_of(" \t\r\n"), bytes.size()));
    for (const std::string_view xml : {"<?xml", "<opml", "<!--", "<!DOCTYPE"})
        if (startsWith(start, xml))
            return OutlineFormat::Opml;
    // An outline has no blank lines and no Markdown blocks, though a name may look like one.
    bool first = true;
    bool blankBetween = false;
    bool blocks = false;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t end = std::min(bytes.find('\n', at), bytes.size());
        const std::string_view line = bytes.substr(at, end - at);
        at = end + 1;
        if (isBlank(line)) {
            blankBetween = blankBetween || !first;
            continue;
        }
        const bool block = opensMarkdownBlock(line);
        if ((first && block) || (blankBetween && (blocks || block)))
            return OutlineFormat::Markdown;
        blocks = blocks || block;
        first = false;
    }
    return OutlineFormat::Text;
}

ImportedOutline importOutline(std::string_view bytes, const ImportRequest& request) {
    ImportedOutline imported;
    imported.format = request.format.value_or(outlineFormatOf(bytes));
    // The XML reader reads a byte order mark itself.
    if (imported.format != OutlineFormat::Opml && startsWith(bytes, kUtf8Bom))
        bytes.remove_prefix(kUtf8Bom.size());
    ImportRules rules;
    rules.truncate = request.truncate;
    rules.top = request.top;
    rules.fallbackTop = request.fallbackTop;
    const bool text =
        imported.format == OutlineFormat::Text || imported.format == OutlineFormat::TextFile;
    rules.lenient = text ? request.lenientText : !request.strict;
    if (rules.lenient)
        rules.transliterate = latinTransliteration();
    OutlineResult& r = imported.result;
    r = text                                     ? parseOutline(bytes, rules)
        : imported.format == OutlineFormat::Opml ? readOpml(bytes, rules)
                                                 : readMarkdown(bytes, rules);
    // In the order of the document; summaries of the whole document first.
    std::stable_sort(r.warnings.begin(), r.warnings.end(),
                     [](const OutlineNotice& a, const OutlineNotice& b) {
                         return std::pair(a.line, a.column) < std::pair(b.line, b.column);
                     });
    return imported;
}

} // namespace qm
