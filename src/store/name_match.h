#pragma once
// The three ways a search text can match an item name.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/node.h"

namespace qm {

enum class MatchStyle {
    Exact = 0,      // the name equals the text
    TextInName = 1, // the text occurs in the name
    NameInText = 2, // the name occurs in the text
};

/// Parses "exact", "in-names" or "names-in".
std::optional<MatchStyle> matchStyleFromString(std::string_view word);

/// Tests names against one search text, exactly as typed and case-sensitive, on the trimmed
/// name. The text is turned into the names' own bytes once, so each test is a plain byte
/// search with no decoding.
class NameMatcher {
public:
    NameMatcher(MatchStyle style, std::u32string_view text);
    bool matches(const NameField& name) const;

private:
    MatchStyle m_style;
    bool m_storable = true; // every character of the text has a byte in the code page
    std::string m_bytes;    // the text, when storable
    // The runs of the text between characters no name can hold: a name lies in one of them.
    std::vector<std::string> m_runs;
};

} // namespace qm
