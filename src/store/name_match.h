#pragma once
// The three ways a search text can match an item name.

#include <optional>
#include <string_view>

namespace qm {

enum class MatchStyle {
    Exact = 0,      // the name equals the text
    TextInName = 1, // the text occurs in the name
    NameInText = 2, // the name occurs in the text
};

/// Parses "exact", "in-names" or "names-in".
std::optional<MatchStyle> matchStyleFromString(std::string_view word);

/// Tests a trimmed name (decoded characters) against the text exactly as typed; case-sensitive.
bool nameMatches(MatchStyle style, std::u32string_view name, std::u32string_view text);

} // namespace qm
