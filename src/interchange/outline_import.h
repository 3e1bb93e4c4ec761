#pragma once
// Every import, qmtool's and the window's, goes through here: the format told by content,
// the reader for it, and the rules each format is read with.

#include <optional>
#include <string>
#include <string_view>

#include "store/outline.h"

namespace qm {

/// OPML for an XML document (and for UTF-16 or UTF-32 text, which outlines never are, with
/// or without a byte order mark); the outline file by its first line; Markdown for text
/// that starts with a list item, a heading or a code fence, or that has both such a line
/// and a blank line between its lines; a text outline otherwise.
OutlineFormat outlineFormatOf(std::string_view bytes);

struct ImportRequest {
    std::optional<OutlineFormat> format; // told by content when not given
    /// OPML and Markdown refuse what the data file cannot hold, as text outlines always do,
    /// instead of changing it with a warning.
    bool strict = false;
    bool truncate = false; // even so, cut names longer than 20 characters
    /// Text outlines are read as strictly as they are written, unless they come from
    /// elsewhere (typed, or pasted from another program): then they are read leniently too.
    bool lenientText = false;
    std::optional<std::u32string> top;
    /// The top item's name when neither `top` nor the document gives one (a file's name).
    std::optional<std::u32string> fallbackTop;
};

struct ImportedOutline {
    OutlineFormat format = OutlineFormat::Text;
    OutlineResult result;
};

/// Reads a document, a UTF-8 byte order mark and all.
ImportedOutline importOutline(std::string_view bytes, const ImportRequest& request);

} // namespace qm
