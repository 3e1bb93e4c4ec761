#pragma once
// Reads Markdown documents into a new node table with the CommonMark reference parser.

#include <string_view>

#include "store/outline_builder.h"

namespace qm {

/// List items become items, nested as their lists are, whatever the indentation and the
/// markers; headings are levels, and the lists under a heading nest below it. An item's
/// name is its first paragraph (or a heading there), inline markup read as plain text:
/// emphasis, code, links and images by their text, HTML tags left out, a task box dropped.
/// Other text is skipped with one summary warning. One top-level item is the top item;
/// several get a top item named by the rules' top, else the first heading, else the rules'
/// fallback. Text that is not UTF-8 is refused, or read as Windows-1252 when lenient.
OutlineResult readMarkdown(std::string_view bytes, const ImportRules& rules = {});

} // namespace qm
