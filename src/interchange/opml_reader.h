#pragma once
// Reads OPML documents into a new node table with Qt's XML reader.

#include <string_view>

#include "store/outline_builder.h"

namespace qm {

/// Nested outline elements of the body become items in document order, their text
/// attributes their names (plain text, as feed readers take them); one top-level outline is
/// the top item, several get a top item named by the rules' top, else the head's title,
/// else the rules' fallback. What else the document holds is ignored, with
/// one summary warning. Nothing is ever fetched from outside the document.
OutlineResult readOpml(std::string_view bytes, const ImportRules& rules = {});

} // namespace qm
