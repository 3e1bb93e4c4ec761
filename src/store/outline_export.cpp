// The writers of outline.h: text outlines, Markdown lists and OPML.

#include <array>
#include <cstdio>
#include <utility>

#include "store/name_codec.h"
#include "store/outline.h"
#include "store/progress.h"
#include "store/safe_file.h"

namespace qm {

namespace {

constexpr std::int64_t kProgressItems = 1 << 16;

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
    if (format == OutlineFormat::TextFile)
        return nullptr;
    for (const char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (format != OutlineFormat::Opml && (b == '\n' || b == '\r'))
            return "its name holds a line break";
        if (format == OutlineFormat::Opml && b < 0x20 && b != '\t' && b != '\n' && b != '\r')
            return "its name holds a control character that XML cannot carry";
    }
    return nullptr;
}

// How each byte of a name is written: as UTF-8; in an outline file with control characters
// and the backslash escaped; and as UTF-8 between XML's double quotes or tags (tabs and line
// breaks as references, or the XML reader would turn them into spaces). Most names are plain
// ASCII and are copied whole.
struct Spellings {
    std::array<std::string, 256> text, file, xml;
    std::array<bool, 256> plainText{}, plainFile{}, plainXml{};

    Spellings() {
        for (int b = 0; b < 256; ++b) {
            appendUtf8(text[b], decodeByte(static_cast<unsigned char>(b)));
            file[b] = xml[b] = text[b];
            plainText[b] = b < 0x80;
            plainXml[b] = b >= 0x20 && b < 0x80;
            // A tab stays as it is: it cannot be taken for indentation, which is spaces.
            plainFile[b] = (b >= 0x20 && b < 0x7F && b != '\\') || b == '\t';
            if ((b < 0x20 && b != '\t') || b == 0x7F) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\x%02X", b);
                file[b] = escape;
            }
        }
        file['\\'] = "\\\\";
        for (const auto& [c, reference] : {std::pair{'&', "&amp;"},
                                           {'<', "&lt;"},
                                           {'>', "&gt;"},
                                           {'"', "&quot;"},
                                           {'\t', "&#9;"},
                                           {'\n', "&#10;"},
                                           {'\r', "&#13;"}}) {
            xml[static_cast<unsigned char>(c)] = reference;
            plainXml[static_cast<unsigned char>(c)] = false;
        }
    }
};

const Spellings& spellings() {
    static const Spellings s;
    return s;
}

void appendSpelled(std::string& out, std::string_view bytes,
                   const std::array<std::string, 256>& spelling,
                   const std::array<bool, 256>& plain) {
    std::size_t i = 0;
    while (i < bytes.size() && plain[static_cast<unsigned char>(bytes[i])])
        ++i;
    out.append(bytes.data(), i);
    for (; i < bytes.size(); ++i)
        out += spelling[static_cast<unsigned char>(bytes[i])];
}

void appendName(std::string& out, std::string_view bytes) {
    appendSpelled(out, bytes, spellings().text, spellings().plainText);
}

void appendEscaped(std::string& out, std::string_view bytes) {
    appendSpelled(out, bytes, spellings().file, spellings().plainFile);
}

void appendXml(std::string& out, std::string_view bytes) {
    appendSpelled(out, bytes, spellings().xml, spellings().plainXml);
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
        out += spellings().text[static_cast<unsigned char>(c)];
    }
}

} // namespace

OutlineExport findUnholdable(const NodeTable& table, std::int32_t item, OutlineFormat format) {
    OutlineExport result;
    result.ok = walkWithDepth(table, item, [&](std::int32_t n, int) {
        result.why = unholdable(trimmedName(table[n].Name), format);
        result.item = result.why ? n : 0;
        return result.why == nullptr;
    });
    if (result.ok)
        result.why = "";
    return result;
}

bool writeOutline(const NodeTable& table, std::int32_t item, OutlineFormat format,
                  const OutlineSink& sink, Progress* progress) {
    // One buffer, handed on whenever it fills: a large tree never needs all its text at once.
    constexpr std::size_t kChunk = 64 * 1024;
    std::string out;
    out.reserve(kChunk + 1024);
    const auto flush = [&](std::size_t atLeast) {
        if (out.size() < atLeast)
            return true;
        const bool written = sink(out);
        out.clear();
        return written;
    };
    std::int64_t items = 0;
    const auto itemDone = [&] {
        if (progress && ++items % kProgressItems == 0)
            progress->step(items);
        return flush(kChunk);
    };
    const auto name = [&](std::int32_t n) { return trimmedName(table[n].Name); };
    if (format != OutlineFormat::Opml) {
        if (format == OutlineFormat::TextFile) {
            out += kOutlineFileHeader;
            out += '\n';
        }
        return walkWithDepth(table, item,
                             [&](std::int32_t n, int depth) {
                                 out.append(2 * static_cast<std::size_t>(depth), ' ');
                                 if (format == OutlineFormat::Markdown) {
                                     out += "- ";
                                     appendMarkdown(out, name(n));
                                 } else if (format == OutlineFormat::TextFile) {
                                     appendEscaped(out, name(n));
                                 } else {
                                     appendName(out, name(n));
                                 }
                                 out += '\n';
                                 return itemDone();
                             }) &&
               flush(1);
    }
    out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<opml version=\"2.0\">\n  <head>\n"
          "    <title>";
    appendXml(out, name(item));
    out += "</title>\n  </head>\n  <body>\n";
    int open = 0; // outline elements not yet closed
    const auto close = [&] {
        --open;
        out.append(4 + 2 * static_cast<std::size_t>(open), ' ');
        out += "</outline>\n";
    };
    const bool walked = walkWithDepth(table, item, [&](std::int32_t n, int depth) {
        while (open > depth)
            close();
        out.append(4 + 2 * static_cast<std::size_t>(depth), ' ');
        out += "<outline text=\"";
        appendXml(out, name(n));
        if (table[n].hasChildren()) {
            out += "\">\n";
            ++open;
        } else {
            out += "\"/>\n";
        }
        return itemDone();
    });
    if (!walked)
        return false;
    while (open > 0)
        close();
    out += "  </body>\n</opml>\n";
    return flush(1);
}

OutlineExport exportOutline(const NodeTable& table, std::int32_t item, OutlineFormat format) {
    OutlineExport result = findUnholdable(table, item, format);
    if (result.ok)
        writeOutline(table, item, format, [&](std::string_view piece) {
            result.text += piece;
            return true;
        });
    return result;
}

bool exportOutlineFile(const std::string& path, const NodeTable& table, std::int32_t item,
                       OutlineFormat format, std::string& error, const WriteRules& rules,
                       Progress* progress) {
    const auto produce = [&](const ByteSink& sink) {
        return writeOutline(
            table, item, format,
            [&](std::string_view piece) { return sink(piece.data(), piece.size()); }, progress);
    };
    return writeFileSafely(path, produce, error, rules);
}

std::string dumpOutline(const NodeTable& table) {
    std::string out;
    if (table.hasTree())
        writeOutline(table, 1, OutlineFormat::Text, [&](std::string_view piece) {
            out += piece;
            return true;
        });
    return out;
}

bool hasOutlineForm(const NameField& name) {
    return unholdable(trimmedName(name), OutlineFormat::Text) == nullptr;
}

} // namespace qm
