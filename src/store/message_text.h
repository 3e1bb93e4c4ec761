#pragma once
// User data quoted in a message: cut to a line's worth, and with every control character
// shown as an escape, so a hostile name or path can neither flood nor break the message.

#include <cstddef>
#include <string>
#include <string_view>

namespace qm {

/// About how many characters of a quoted text a message shows.
constexpr std::size_t kShownChars = 60;

/// UTF-8 text, a path above all, as a message shows it: C0 and C1 control characters, and
/// bytes that are no UTF-8, as \xNN; a text longer than kShownChars keeps its start and its
/// end with "…" between them.
std::string shownText(std::string_view utf8);
/// The same in double quotes.
std::string quotedText(std::string_view utf8);
/// A name in double quotes, escaped the same way; a long one keeps its start and "…".
std::string quotedName(std::u32string_view name);

} // namespace qm
