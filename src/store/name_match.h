#pragma once
// The three ways a search text can match an item name.

#include <array>
#include <cstdint>
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
/// name. The text is turned into the names' own bytes once, and each test works on the
/// name's bytes with word operations, so a search costs little more than the walk.
class NameMatcher {
public:
    NameMatcher(MatchStyle style, std::u32string_view text);
    bool matches(const NameField& name) const;

private:
    // A run of the text between characters no name can hold: a name lies within one.
    struct Run {
        std::string bytes;
        // Per byte value, the positions where it stands (runs of up to 64 bytes).
        std::vector<std::uint64_t> at;
    };
    bool exact(const NameField& name) const;
    bool textInName(const NameField& name) const;
    bool nameInText(const NameField& name) const;

    MatchStyle m_style;
    bool m_storable = true;   // every character of the text has a byte in the code page
    std::string m_bytes;      // the text, when storable
    NameField m_padded{};     // the text padded as a name field, when it fits one
    bool m_plainEnds = false; // storable, fits a field, and neither end is a space
    std::vector<Run> m_runs;
};

} // namespace qm
