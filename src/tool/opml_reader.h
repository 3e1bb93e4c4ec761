#pragma once
// Reads OPML documents into a new node table with Qt's XML reader, the one part of the
// tool's interchange that needs Qt (QtCore only).

#include <string_view>

#include "store/outline_builder.h"

namespace qm {

/// Nested outline elements of the body become items in document order, their text
/// attributes their names; one top-level outline is the top item, several get a top item
/// named by the rules or the head's title. What else the document holds is ignored, with
/// one summary warning. Nothing is ever fetched from outside the document.
OutlineResult readOpml(std::string_view bytes, const ImportRules& rules = {});

} // namespace qm
