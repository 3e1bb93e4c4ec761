#pragma once
// Trees as text other programs read: indented outlines (one name a line, two spaces per
// level, the top item first), Markdown lists and OPML documents; and the outline file qmtool
// exports, which says what it is in its first line and holds every name.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "store/node_table.h"
#include "store/outline_builder.h"
#include "store/safe_file.h"

namespace qm {

class Progress;

/// The first line of an outline file. Longer than a name can be, so no outline of names
/// starts with it by chance.
inline constexpr std::string_view kOutlineFileHeader = "QuillMar outline, version 1";

/// Builds a new table from UTF-8 outline text. Each line takes the next slot and is linked
/// as the last child of its parent, as adding the items one by one would. After the outline
/// file's first line, "\\" stands for a backslash and "\xNN" for the character NN.
OutlineResult parseOutline(std::string_view utf8, const ImportRules& rules = {});
/// The same from a Markdown list as exportOutline writes it: "- NAME" (or "*", "+"), two
/// spaces per level, backslash escapes.
OutlineResult parseMarkdown(std::string_view utf8, const ImportRules& rules = {});

enum class OutlineFormat {
    Text,     // an outline for people and other programs (dump, the clipboard)
    TextFile, // the outline file: the first line above, control characters escaped
    Markdown,
    Opml,
};

struct OutlineExport {
    bool ok = false;
    std::string text;      // UTF-8
    std::int32_t item = 0; // when refused: the item whose name the format cannot hold
    const char* why = "";  // and why
};

/// The first item of the subtree of `item` whose name the format cannot hold, or would not
/// read back the same (ok false, item and why set).
OutlineExport findUnholdable(const NodeTable& table, std::int32_t item, OutlineFormat format);

/// Receives the text in pieces; returns false to stop the writer.
using OutlineSink = std::function<bool(std::string_view piece)>;
/// Writes the subtree of `item` in a format, UTF-8, children in stored order, names trimmed
/// and written as they are (findUnholdable says whether they read back). False when the
/// sink stopped it. `progress` hears the number of items written now and then.
bool writeOutline(const NodeTable& table, std::int32_t item, OutlineFormat format,
                  const OutlineSink& sink, Progress* progress = nullptr);

/// The whole text of the subtree when the format holds every name of it.
OutlineExport exportOutline(const NodeTable& table, std::int32_t item, OutlineFormat format);
/// The subtree written to a file through the safe writer; call findUnholdable first.
bool exportOutlineFile(const std::string& path, const NodeTable& table, std::int32_t item,
                       OutlineFormat format, std::string& error,
                       const WriteRules& rules = kDataFileRules, Progress* progress = nullptr);

/// The tree as UTF-8 outline text, children in stored order, names trimmed, whatever they
/// hold.
std::string dumpOutline(const NodeTable& table);

/// False for a name that no outline line can carry, so that reading the dump back would
/// lose or split it: all spaces, or holding a line break.
bool hasOutlineForm(const NameField& name);

} // namespace qm
