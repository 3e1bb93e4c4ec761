#pragma once
// An item named by the trimmed names on its way down from the top item: the path texts shown
// and printed, the bookmark path, and finding the item a path names again.

#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

class NodeTable;

/// The full path: the trimmed names from the top item down to the item, joined by "/".
/// Empty when the slot holds no item.
std::string Item_Path(const NodeTable& table, std::int32_t item);
/// The full path, or "..." and its last 55 characters when it is longer than 57.
std::string Item_PathShort(const NodeTable& table, std::int32_t item);
std::string shortPath(std::string_view fullPath);
/// The same names joined by "\", never shortened.
std::string printedPath(const NodeTable& table, std::int32_t item);
/// "\" and the trimmed name of every item below the top item down to this one; empty for the
/// top item.
std::string bookmarkPath(const NodeTable& table, std::int32_t item);

/// The item a full path names, or 0. Names may hold "/" themselves: every child whose name
/// fits is tried.
std::int32_t resolveItemPath(const NodeTable& table, std::string_view fullPath);

/// How far a bookmark path leads.
struct PathMatch {
    std::int32_t item = 0; // the item named, or the deepest one a leading part names
    bool complete = false; // the whole path was matched
};
/// Follows a bookmark path down from the top item. Names may hold "\" themselves: each "\"
/// boundary is tried. When nothing matches the whole path, `item` is the deepest item that
/// a leading part of it names (the top item when not even the first name matches; 0 when
/// there is no tree).
PathMatch resolveBookmarkPath(const NodeTable& table, std::string_view path);

} // namespace qm
