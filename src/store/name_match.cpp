#include "store/name_match.h"

#include <cstring>

#include "store/name_codec.h"

namespace qm {

namespace {

constexpr std::size_t kMaxIndexedRun = 64;

// Bit i set where byte i of the padded field equals `byte` (bits 0..19).
std::uint32_t positionsOf(const NameField& name, unsigned char byte) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    const std::uint64_t all = 0x0101010101010101ull * byte;
    std::uint64_t w[3] = {0, 0, ~all};
    std::memcpy(w, name.data(), 16);
    std::memcpy(&w[2], name.data() + 16, 4);
    std::uint32_t mask = 0;
    for (int k = 0; k < 3; ++k) {
        const std::uint64_t x = w[k] ^ all;
        const std::uint64_t zero = ~(((x & kLow7) + kLow7) | x | kLow7);
        mask |= static_cast<std::uint32_t>((zero * 0x0002040810204081ull) >> 56) << (8 * k);
    }
    return mask & 0xFFFFF;
}

// Field equality as three word compares; the library memcmp costs more than the whole test.
bool sameField(const NameField& a, const NameField& b) {
    std::uint64_t x[3] = {0, 0, 0};
    std::uint64_t y[3] = {0, 0, 0};
    std::memcpy(x, a.data(), kNameLength);
    std::memcpy(y, b.data(), kNameLength);
    return ((x[0] ^ y[0]) | (x[1] ^ y[1]) | (x[2] ^ y[2])) == 0;
}

// Names are at most 20 bytes: a plain loop beats a call into the library's memcmp.
bool sameBytes(const char* a, const char* b, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

} // namespace

std::optional<MatchStyle> matchStyleFromString(std::string_view word) {
    if (word == "exact")
        return MatchStyle::Exact;
    if (word == "in-names")
        return MatchStyle::TextInName;
    if (word == "names-in")
        return MatchStyle::NameInText;
    return std::nullopt;
}

NameMatcher::NameMatcher(MatchStyle style, std::u32string_view text) : m_style(style) {
    std::string run;
    const auto endRun = [this, &run] {
        Run r{std::move(run), {}};
        if (r.bytes.size() <= kMaxIndexedRun) {
            r.at.assign(256, 0);
            for (std::size_t i = 0; i < r.bytes.size(); ++i)
                r.at[static_cast<unsigned char>(r.bytes[i])] |= std::uint64_t{1} << i;
        }
        m_runs.push_back(std::move(r));
        run.clear();
    };
    for (const char32_t ch : text) {
        if (const auto byte = encodeChar(ch)) {
            run.push_back(static_cast<char>(*byte));
        } else {
            m_storable = false;
            endRun();
        }
    }
    if (m_storable)
        m_bytes = run;
    endRun();
    if (m_storable && m_bytes.size() <= static_cast<std::size_t>(kNameLength)) {
        m_padded = makeName(m_bytes);
        m_plainEnds = !m_bytes.empty() && m_bytes.front() != ' ' && m_bytes.back() != ' ';
    }
}

bool NameMatcher::matches(const NameField& name) const {
    switch (m_style) {
    case MatchStyle::Exact:
        return exact(name);
    case MatchStyle::TextInName:
        return textInName(name);
    case MatchStyle::NameInText:
        return nameInText(name);
    }
    return false;
}

bool NameMatcher::exact(const NameField& name) const {
    if (!m_storable)
        return false;
    // Without leading spaces the trimmed name equals the text exactly when the fields do.
    if (m_plainEnds && name[0] != ' ')
        return sameField(name, m_padded);
    return trimmedName(name) == m_bytes;
}

bool NameMatcher::textInName(const NameField& name) const {
    if (!m_storable)
        return false;
    if (!m_plainEnds)
        return trimmedName(name).find(m_bytes) != std::string_view::npos;
    // A text that neither starts nor ends with a space cannot run into the padding, so
    // the whole field can be searched: check only where its first byte stands.
    const std::size_t length = m_bytes.size();
    std::uint32_t at = positionsOf(name, static_cast<unsigned char>(m_bytes[0]));
    at &= (std::uint32_t{1} << (kNameLength - length + 1)) - 1;
    for (; at != 0; at &= at - 1) {
        const int i = std::countr_zero(at);
        if (sameBytes(name.data() + i, m_bytes.data(), length))
            return true;
    }
    return false;
}

bool NameMatcher::nameInText(const NameField& name) const {
    const std::string_view trimmed = trimmedName(name);
    if (trimmed.empty())
        return true;
    for (const Run& run : m_runs) {
        if (run.bytes.size() < trimmed.size())
            continue;
        if (run.at.empty()) {
            if (std::string_view(run.bytes).find(trimmed) != std::string_view::npos)
                return true;
            continue;
        }
        const std::size_t last = run.bytes.size() - trimmed.size();
        // Where the first two bytes both stand: few places are left to compare in full.
        std::uint64_t at = run.at[static_cast<unsigned char>(trimmed[0])];
        if (trimmed.size() > 1)
            at &= run.at[static_cast<unsigned char>(trimmed[1])] >> 1;
        if (last < 63)
            at &= (std::uint64_t{2} << last) - 1;
        for (; at != 0; at &= at - 1) {
            const int i = std::countr_zero(at);
            if (sameBytes(run.bytes.data() + i, trimmed.data(), trimmed.size()))
                return true;
        }
    }
    return false;
}

} // namespace qm
