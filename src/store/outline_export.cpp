// The writers of outline.h: text outlines, Markdown lists and OPML.

#include "store/name_codec.h"
#include "store/outline.h"

namespace qm {

namespace {

// Calls visit(node, depth) for the subtree of `root` in stored pre-order, depth 0 for the
// root; the depth comes from the walk, not from the Level fields.
template <class Visit> bool walkWithDepth(const NodeTable& t, std::int32_t root, Visit visit) {
    std::int32_t n = root;
    int depth = 0;
    for (;;) {
        if (!visit(n, depth))
            return false;
        if (t[n].hasChildren()) {
            n = t[n].FirstChild;
            ++depth;
            continue;
        }
        while (n != root && !t[n].hasNext()) {
            n = t[n].Parent;
            --depth;
        }
        if (n == root)
            return true;
        n = t[n].NextSibling;
    }
}

// Why a format cannot hold a trimmed name, or nullptr. What a reader would read back
// differently counts too: a blank name is refused by every import.
const char* unholdable(std::string_view name, OutlineFormat format) {
    if (name.empty())
        return "its name is blank";
    for (const char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (format != OutlineFormat::Opml && (b == '\n' || b == '\r'))
            return "its name holds a line break";
        if (format == OutlineFormat::Opml && b < 0x20 && b != '\t' && b != '\n' && b != '\r')
            return "its name holds a control character that XML cannot carry";
    }
    return nullptr;
}

void appendName(std::string& out, std::string_view bytes) {
    for (const char c : bytes)
        appendUtf8(out, decodeByte(static_cast<unsigned char>(c)));
}

// Inside double quotes or between tags; tabs and line breaks as references, or the XML
// reader would turn them into spaces.
void appendXml(std::string& out, std::string_view bytes) {
    for (const char c : bytes) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\t':
            out += "&#9;";
            break;
        case '\n':
            out += "&#10;";
            break;
        case '\r':
            out += "&#13;";
            break;
        default:
            appendUtf8(out, decodeByte(static_cast<unsigned char>(c)));
        }
    }
}

// Escapes what would start formatting anywhere in a line, and what would make the start of
// the item a heading, a quote, a rule or a nested list.
void appendMarkdown(std::string& out, std::string_view bytes) {
    std::size_t digits = 0;
    while (digits < bytes.size() && bytes[digits] >= '0' && bytes[digits] <= '9')
        ++digits;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        const bool atStart = i == 0 && (c == '#' || c == '+' || c == '-');
        const bool listNumber = i == digits && i > 0 && (c == '.' || c == ')');
        if (atStart || listNumber ||
            std::string_view("\\`*_[]<>~&").find(c) != std::string_view::npos)
            out += '\\';
        appendUtf8(out, decodeByte(static_cast<unsigned char>(c)));
    }
}

} // namespace

OutlineExport exportOutline(const NodeTable& table, std::int32_t item, OutlineFormat format) {
    OutlineExport result;
    std::string& out = result.text;
    const auto refuse = [&](std::int32_t n) {
        const char* why = unholdable(trimmedName(table[n].Name), format);
        if (why) {
            result.item = n;
            result.why = why;
        }
        return why != nullptr;
    };
    if (format != OutlineFormat::Opml) {
        const bool markdown = format == OutlineFormat::Markdown;
        result.ok = walkWithDepth(table, item, [&](std::int32_t n, int depth) {
            if (refuse(n))
                return false;
            out.append(2 * static_cast<std::size_t>(depth), ' ');
            if (markdown) {
                out += "- ";
                appendMarkdown(out, trimmedName(table[n].Name));
            } else {
                appendName(out, trimmedName(table[n].Name));
            }
            out += '\n';
            return true;
        });
    } else {
        out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<opml version=\"2.0\">\n  <head>\n"
              "    <title>";
        appendXml(out, trimmedName(table[item].Name));
        out += "</title>\n  </head>\n  <body>\n";
        int open = 0; // outline elements not yet closed
        const auto close = [&] {
            --open;
            out.append(4 + 2 * static_cast<std::size_t>(open), ' ');
            out += "</outline>\n";
        };
        result.ok = walkWithDepth(table, item, [&](std::int32_t n, int depth) {
            if (refuse(n))
                return false;
            while (open > depth)
                close();
            out.append(4 + 2 * static_cast<std::size_t>(depth), ' ');
            out += "<outline text=\"";
            appendXml(out, trimmedName(table[n].Name));
            if (table[n].hasChildren()) {
                out += "\">\n";
                ++open;
            } else {
                out += "\"/>\n";
            }
            return true;
        });
        while (open > 0)
            close();
        out += "  </body>\n</opml>\n";
    }
    if (!result.ok)
        out.clear();
    return result;
}

std::string dumpOutline(const NodeTable& table, int* blankNames) {
    std::string out;
    int blanks = 0;
    if (table.hasTree())
        walkWithDepth(table, 1, [&](std::int32_t n, int depth) {
            const std::string_view name = trimmedName(table[n].Name);
            blanks += name.empty() ? 1 : 0;
            out.append(2 * static_cast<std::size_t>(depth), ' ');
            appendName(out, name);
            out += '\n';
            return true;
        });
    if (blankNames)
        *blankNames = blanks;
    return out;
}

bool hasOutlineForm(const NameField& name) {
    return unholdable(trimmedName(name), OutlineFormat::Text) == nullptr;
}

} // namespace qm
