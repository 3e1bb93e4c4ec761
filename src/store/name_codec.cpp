#include "store/name_codec.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <numeric>

namespace qm {

namespace {

constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

struct RankTable {
    std::array<unsigned char, 256> rank{};
    RankTable() {
        std::array<int, 256> bytes{};
        std::iota(bytes.begin(), bytes.end(), 0);
        std::sort(bytes.begin(), bytes.end(),
                  [](int a, int b) { return decodeByte(a) < decodeByte(b); });
        for (int i = 0; i < 256; ++i)
            rank[bytes[i]] = static_cast<unsigned char>(i);
    }
};

const RankTable& ranks() {
    static const RankTable table;
    return table;
}

} // namespace

char32_t decodeByte(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F)
        return kHighControls[byte - 0x80];
    return byte;
}

std::optional<unsigned char> encodeChar(char32_t ch) {
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF))
        return static_cast<unsigned char>(ch);
    for (std::size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == ch)
            return static_cast<unsigned char>(0x80 + i);
    return std::nullopt;
}

std::u32string decodeBytes(std::string_view bytes) {
    std::u32string out;
    out.reserve(bytes.size());
    for (char b : bytes)
        out.push_back(decodeByte(static_cast<unsigned char>(b)));
    return out;
}

std::optional<std::string> encodeChars(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t ch : text) {
        auto b = encodeChar(ch);
        if (!b)
            return std::nullopt;
        out.push_back(static_cast<char>(*b));
    }
    return out;
}

std::size_t utf8CharAt(std::string_view utf8, std::size_t at, char32_t& ch) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    std::size_t extra = 0;
    if (lead < 0x80) {
        ch = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        ch = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        ch = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        ch = lead & 0x07;
    } else {
        return 0;
    }
    if (at + extra >= utf8.size())
        return 0;
    for (std::size_t k = 1; k <= extra; ++k) {
        const auto cont = static_cast<unsigned char>(utf8[at + k]);
        if ((cont & 0xC0) != 0x80)
            return 0;
        ch = (ch << 6) | (cont & 0x3F);
    }
    static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (ch < kMinimum[extra] || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF))
        return 0;
    return extra + 1;
}

std::optional<std::u32string> fromUtf8(std::string_view utf8, std::size_t limit) {
    std::u32string out;
    out.reserve(std::min(utf8.size(), limit));
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t ch = 0;
        const std::size_t length = utf8CharAt(utf8, i, ch);
        if (length == 0)
            return std::nullopt;
        if (out.size() < limit)
            out.push_back(ch);
        i += length;
    }
    return out;
}

void appendUtf8(std::string& out, char32_t ch) {
    if (ch < 0x80) {
        out.push_back(static_cast<char>(ch));
    } else if (ch < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (ch >> 6)));
        out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
    } else if (ch < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (ch >> 12)));
        out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (ch >> 18)));
        out.push_back(static_cast<char>(0x80 | ((ch >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
    }
}

std::string toUtf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t ch : text)
        appendUtf8(out, ch);
    return out;
}

std::string bytesToUtf8(std::string_view bytes) {
    return toUtf8(decodeBytes(bytes));
}

std::optional<std::string> utf8ToBytes(std::string_view utf8) {
    auto chars = fromUtf8(utf8);
    if (!chars)
        return std::nullopt;
    return encodeChars(*chars);
}

unsigned char sortRank(unsigned char byte) {
    return ranks().rank[byte];
}

int compareNames(std::string_view a, std::string_view b) {
    const auto& rank = ranks().rank;
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int ra = rank[static_cast<unsigned char>(a[i])];
        const int rb = rank[static_cast<unsigned char>(b[i])];
        if (ra != rb)
            return ra - rb;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

} // namespace qm
