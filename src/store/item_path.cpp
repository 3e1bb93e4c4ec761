#include "store/item_path.h"

#include <vector>

#include "store/node_table.h"

namespace qm {

namespace {

constexpr std::size_t kShortLimit = 57;
constexpr std::size_t kShortTail = 55;

// The trimmed names from `item` up to (not past) the item at `stopAbove`'s level, deepest
// first. Stops at a link that leaves the table, and after as many steps as there are slots,
// so a damaged chain can neither run wild nor loop.
std::vector<std::string_view> namesUp(const NodeTable& table, std::int32_t item,
                                      std::int32_t stopAt) {
    std::vector<std::string_view> names;
    std::int32_t steps = table.capacity();
    for (std::int32_t n = item; n != stopAt && table.isItem(n) && steps-- > 0; n = table[n].Parent)
        names.push_back(trimmedName(table[n].Name));
    return names;
}

std::string joined(const std::vector<std::string_view>& deepestFirst, char separator,
                   bool leading) {
    std::size_t size = 0;
    for (const std::string_view n : deepestFirst)
        size += n.size() + 1;
    std::string path;
    path.reserve(size);
    for (auto it = deepestFirst.rbegin(); it != deepestFirst.rend(); ++it) {
        if (leading || it != deepestFirst.rbegin())
            path += separator;
        path += *it;
    }
    return path;
}

std::string pathJoinedBy(const NodeTable& table, std::int32_t item, char separator) {
    return joined(namesUp(table, item, 0), separator, false);
}

// Follows `path` from `offset` down from `start`, where each step is `separator` and a
// child's trimmed name ending at the path's end or at another separator. Every fitting child
// is tried, first child first; an item's place in the path is fixed by its ancestors, so
// each is tried at most once. No recursion: trees may be deep.
PathMatch followPath(const NodeTable& table, std::int32_t start, std::string_view path,
                     std::size_t offset, char separator) {
    struct Step {
        std::int32_t item;
        std::size_t end; // where the item's name ends in the path
    };
    PathMatch best{start, offset == path.size()};
    std::size_t bestEnd = offset;
    std::vector<Step> pending{{start, offset}};
    std::vector<Step> fitting;
    while (!pending.empty()) {
        const Step s = pending.back();
        pending.pop_back();
        if (s.end > bestEnd) {
            best.item = s.item;
            bestEnd = s.end;
        }
        if (s.end == path.size()) {
            best = {s.item, true};
            return best;
        }
        if (path[s.end] != separator)
            continue;
        const std::string_view rest = path.substr(s.end + 1);
        fitting.clear();
        std::int32_t steps = table.capacity();
        for (std::int32_t c = table[s.item].FirstChild; table.isItem(c) && steps-- > 0;
             c = table[c].NextSibling) {
            const std::string_view name = trimmedName(table[c].Name);
            if (rest.substr(0, name.size()) != name)
                continue;
            if (name.size() == rest.size() || rest[name.size()] == separator)
                fitting.push_back({c, s.end + 1 + name.size()});
        }
        pending.insert(pending.end(), fitting.rbegin(), fitting.rend());
    }
    return best;
}

} // namespace

std::string Item_Path(const NodeTable& table, std::int32_t item) {
    return pathJoinedBy(table, item, '/');
}

std::string shortPath(std::string_view fullPath) {
    if (fullPath.size() <= kShortLimit)
        return std::string(fullPath);
    return "..." + std::string(fullPath.substr(fullPath.size() - kShortTail));
}

std::string Item_PathShort(const NodeTable& table, std::int32_t item) {
    return shortPath(Item_Path(table, item));
}

std::string printedPath(const NodeTable& table, std::int32_t item) {
    return pathJoinedBy(table, item, '\\');
}

std::string bookmarkPath(const NodeTable& table, std::int32_t item) {
    return joined(namesUp(table, item, 1), '\\', true);
}

std::int32_t resolveItemPath(const NodeTable& table, std::string_view fullPath) {
    if (!table.hasTree())
        return 0;
    const std::string_view top = trimmedName(table[1].Name);
    if (fullPath.substr(0, top.size()) != top)
        return 0;
    const PathMatch m = followPath(table, 1, fullPath, top.size(), '/');
    return m.complete ? m.item : 0;
}

PathMatch resolveBookmarkPath(const NodeTable& table, std::string_view path) {
    if (!table.hasTree())
        return {};
    // A bookmark path starts with the separator before the first name below the top item.
    if (path.empty())
        return {1, false};
    return followPath(table, 1, path, 0, '\\');
}

} // namespace qm
