#include "store/name_match.h"

#include "store/name_codec.h"

namespace qm {

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
    for (const char32_t ch : text) {
        if (const auto byte = encodeChar(ch)) {
            run.push_back(static_cast<char>(*byte));
            continue;
        }
        m_storable = false;
        m_runs.push_back(std::move(run));
        run.clear();
    }
    m_runs.push_back(run);
    if (m_storable)
        m_bytes = std::move(run);
}

bool NameMatcher::matches(const NameField& field) const {
    const std::string_view name = trimmedName(field);
    switch (m_style) {
    case MatchStyle::Exact:
        return m_storable && name == m_bytes;
    case MatchStyle::TextInName:
        return m_storable && name.find(m_bytes) != std::string_view::npos;
    case MatchStyle::NameInText:
        for (const std::string& run : m_runs)
            if (std::string_view(run).find(name) != std::string_view::npos)
                return true;
        return false;
    }
    return false;
}

} // namespace qm
