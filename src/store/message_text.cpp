#include "store/message_text.h"

#include <cstdio>

#include "store/name_codec.h"

namespace qm {

namespace {

// A path keeps its start and its end, where the file's name is; a name keeps its start.
constexpr std::size_t kHead = kShownChars / 2;
constexpr std::size_t kTail = kShownChars - kHead - 1;
constexpr std::size_t kEscapeWidth = 4; // \xNN

struct ShownChar {
    char32_t ch = 0;
    bool strayByte = false; // a byte that starts no UTF-8 character; `ch` holds it
};

bool isControl(char32_t ch) {
    return ch < 0x20 || (ch >= 0x7F && ch <= 0x9F);
}

std::size_t widthOf(ShownChar c) {
    return c.strayByte || isControl(c.ch) || c.ch > 0x10FFFF ? kEscapeWidth : 1;
}

void append(std::string& out, ShownChar c) {
    if (widthOf(c) == 1) {
        appendUtf8(out, c.ch);
        return;
    }
    char escape[16];
    std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(c.ch));
    out += escape;
}

// `each(f)` calls f for every character in order. It runs twice, measuring and then
// writing, so even a text of a hundred megabytes is never copied whole.
template <class Each> std::string shown(const Each& each, bool keepEnd) {
    std::size_t total = 0;
    each([&](ShownChar c) { total += widthOf(c); });
    const std::size_t head = keepEnd ? kHead : kShownChars - 1;
    const std::size_t tail = keepEnd ? kTail : 0;
    std::string out;
    std::size_t at = 0;
    bool cut = false;
    each([&](ShownChar c) {
        const std::size_t width = widthOf(c);
        if (total <= kShownChars || at + width <= head || (tail > 0 && at >= total - tail)) {
            append(out, c);
        } else if (!cut) {
            out += "\u2026";
            cut = true;
        }
        at += width;
    });
    return out;
}

} // namespace

std::string shownText(std::string_view utf8) {
    return shown(
        [utf8](const auto& f) {
            for (std::size_t i = 0; i < utf8.size();) {
                char32_t ch = 0;
                const std::size_t length = utf8CharAt(utf8, i, ch);
                if (length == 0) {
                    f(ShownChar{static_cast<unsigned char>(utf8[i]), true});
                    ++i;
                } else {
                    f(ShownChar{ch, false});
                    i += length;
                }
            }
        },
        true);
}

std::string quotedName(std::u32string_view name) {
    return '"' +
           shown(
               [name](const auto& f) {
                   for (const char32_t ch : name)
                       f(ShownChar{ch, false});
               },
               false) +
           '"';
}

std::string quotedText(std::string_view utf8) {
    return '"' + shownText(utf8) + '"';
}

} // namespace qm
