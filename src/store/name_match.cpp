#include "store/name_match.h"

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

bool nameMatches(MatchStyle style, std::u32string_view name, std::u32string_view text) {
    switch (style) {
    case MatchStyle::Exact:
        return name == text;
    case MatchStyle::TextInName:
        return name.find(text) != std::u32string_view::npos;
    case MatchStyle::NameInText:
        return text.find(name) != std::u32string_view::npos;
    }
    return false;
}

} // namespace qm
