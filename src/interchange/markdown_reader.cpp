#include "interchange/markdown_reader.h"

#include <algorithm>
#include <cmark.h>
#include <memory>
#include <optional>
#include <vector>

#include "store/name_codec.h"

namespace qm {

namespace {

struct FreeNode {
    void operator()(cmark_node* n) const { cmark_node_free(n); }
};
struct FreeIter {
    void operator()(cmark_iter* i) const { cmark_iter_free(i); }
};
using Iter = std::unique_ptr<cmark_iter, FreeIter>;

struct Place {
    int line = 0;
    int column = 0;
};

Place placeOf(cmark_node* n) {
    return {cmark_node_get_start_line(n), cmark_node_get_start_column(n)};
}

// Where each line starts, to look at the source under a node.
class Lines {
public:
    explicit Lines(std::string_view text) : m_text(text) {
        m_starts.push_back(0);
        for (std::size_t i = 0; i < text.size(); ++i)
            if (text[i] == '\n')
                m_starts.push_back(i + 1);
    }
    std::string_view from(Place p) const {
        if (p.line < 1 || static_cast<std::size_t>(p.line) > m_starts.size() || p.column < 1)
            return {};
        const std::size_t at =
            m_starts[static_cast<std::size_t>(p.line) - 1] + static_cast<std::size_t>(p.column) - 1;
        return at < m_text.size() ? m_text.substr(at) : std::string_view();
    }

private:
    std::string_view m_text;
    std::vector<std::size_t> m_starts;
};

// What a reader sees of a block's inline markup.
std::string plainText(cmark_node* block) {
    std::string text;
    const Iter it(cmark_iter_new(block));
    for (cmark_event_type ev; (ev = cmark_iter_next(it.get())) != CMARK_EVENT_DONE;) {
        cmark_node* n = cmark_iter_get_node(it.get());
        if (ev != CMARK_EVENT_ENTER)
            continue;
        switch (cmark_node_get_type(n)) {
        case CMARK_NODE_TEXT:
        case CMARK_NODE_CODE:
            text += cmark_node_get_literal(n);
            break;
        case CMARK_NODE_SOFTBREAK:
        case CMARK_NODE_LINEBREAK:
            text += ' ';
            break;
        default: // emphasis, links and images by their text; HTML tags left out
            break;
        }
    }
    return text;
}

// A name as the reader keeps it: as far as kNameKept says, however long the paragraph.
std::u32string nameOf(std::string_view text) {
    std::u32string name = fromUtf8(text, kNameKept).value_or(U"");
    const auto characters = std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    });
    if (static_cast<std::size_t>(characters) > kNameKept)
        markCut(name);
    return name;
}

// A task list's box ("- [ ] TODO") is markup where it is written as such, not escaped.
bool startsWithTaskBox(std::string_view source) {
    return source.size() >= 4 && source[0] == '[' && source[2] == ']' && source[3] == ' ' &&
           (source[1] == ' ' || source[1] == 'x' || source[1] == 'X');
}

// The first byte that does not start valid UTF-8, as a place.
std::optional<Place> firstInvalidUtf8(std::string_view text) {
    std::size_t lineStart = 0;
    int line = 1;
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b == '\n') {
            ++line;
            lineStart = ++i;
            continue;
        }
        const std::size_t length = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
        if (b >= 0x80 && !fromUtf8(text.substr(i, length)))
            return Place{line, static_cast<int>(i - lineStart) + 1};
        i += length;
    }
    return std::nullopt;
}

// Counts the blocks of text skipped and remembers where the first one stands.
struct Skipped {
    int count = 0;
    Place first;
    void add(cmark_node* n) {
        if (count++ == 0)
            first = placeOf(n);
    }
};

} // namespace

OutlineResult readMarkdown(std::string_view bytes, const ImportRules& rules) {
    OutlineBuilder builder(rules, "use --top NAME");
    std::string recoded;
    if (const std::optional<Place> bad = firstInvalidUtf8(bytes)) {
        if (!rules.lenient) {
            builder.fail(bad->line, "not valid UTF-8", bad->column);
            return std::move(builder.result());
        }
        // Every byte is a character of the code page, which older editors wrote.
        recoded = bytesToUtf8(bytes);
        bytes = recoded;
        builder.warn(bad->line, bad->column, "not valid UTF-8: read as Windows-1252");
    }
    const std::unique_ptr<cmark_node, FreeNode> doc(
        cmark_parse_document(bytes.data(), bytes.size(), CMARK_OPT_DEFAULT));
    const Lines lines(bytes);

    std::size_t items = 0;
    for (const Iter count(cmark_iter_new(doc.get()));
         cmark_iter_next(count.get()) != CMARK_EVENT_DONE;) {
        const cmark_node_type t = cmark_node_get_type(cmark_iter_get_node(count.get()));
        items += t == CMARK_NODE_ITEM || t == CMARK_NODE_HEADING ? 1 : 0;
    }
    builder.reserve(items / 2); // an item is entered and left

    std::vector<int> headings; // the levels of the headings on the current path
    int listDepth = 0;         // the depth of the items of the outermost list
    int openItems = 0;
    cmark_node* naming = nullptr; // the block that names the item just added
    bool offered = false;
    Skipped skipped;
    const Iter it(cmark_iter_new(doc.get()));
    for (cmark_event_type ev; (ev = cmark_iter_next(it.get())) != CMARK_EVENT_DONE;) {
        cmark_node* n = cmark_iter_get_node(it.get());
        const cmark_node_type type = cmark_node_get_type(n);
        if (ev == CMARK_EVENT_EXIT) {
            openItems -= type == CMARK_NODE_ITEM ? 1 : 0;
            continue;
        }
        const Place at = placeOf(n);
        switch (type) {
        case CMARK_NODE_DOCUMENT:
        case CMARK_NODE_THEMATIC_BREAK:
            continue;
        case CMARK_NODE_LIST:
            if (openItems == 0)
                listDepth = static_cast<int>(headings.size());
            continue;
        case CMARK_NODE_ITEM: {
            cmark_node* first = cmark_node_first_child(n);
            const cmark_node_type firstType = first ? cmark_node_get_type(first) : CMARK_NODE_NONE;
            naming = firstType == CMARK_NODE_PARAGRAPH || firstType == CMARK_NODE_HEADING ? first
                                                                                          : nullptr;
            std::string name = naming ? plainText(naming) : std::string();
            if (naming && startsWithTaskBox(lines.from(placeOf(naming))) && startsWithTaskBox(name))
                name.erase(0, 4);
            if (!builder.add(listDepth + openItems, nameOf(name), at.line, at.column))
                return std::move(builder.result());
            ++openItems;
            continue;
        }
        case CMARK_NODE_HEADING:
            if (n == naming)
                break;
            if (cmark_node_get_type(cmark_node_parent(n)) == CMARK_NODE_DOCUMENT) {
                const int level = cmark_node_get_heading_level(n);
                while (!headings.empty() && headings.back() >= level)
                    headings.pop_back();
                const std::u32string name = nameOf(plainText(n));
                if (!offered)
                    builder.offerTopName(name, at.line, at.column);
                offered = true;
                if (!builder.add(static_cast<int>(headings.size()), name, at.line, at.column))
                    return std::move(builder.result());
                headings.push_back(level);
                break;
            }
            skipped.add(n);
            break;
        case CMARK_NODE_PARAGRAPH:
            if (n != naming)
                skipped.add(n);
            break;
        default: // quotes, code and HTML
            skipped.add(n);
            break;
        }
        // Nothing below a name or a skipped block is read.
        cmark_iter_reset(it.get(), n, CMARK_EVENT_EXIT);
    }
    if (skipped.count > 0)
        builder.warn(skipped.first.line, skipped.first.column,
                     "skipped " + std::to_string(skipped.count) +
                         (skipped.count == 1 ? " paragraph or other block of text that names"
                                             : " paragraphs or other blocks of text that name") +
                         " no item; the first starts here");
    if (builder.itemCount() == 0) {
        builder.fail(1, "the document holds no list item or heading");
        return std::move(builder.result());
    }
    builder.finish();
    return std::move(builder.result());
}

} // namespace qm
