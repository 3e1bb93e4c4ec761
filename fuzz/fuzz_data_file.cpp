// Feeds arbitrary bytes to the data file reader. Whatever it accepts must be a tree that
// both walks can go through, and that saves to bytes which load back to the same table.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "store/data_file.h"
#include "store/name_codec.h"
#include "store/name_match.h"
#include "store/sort_walk.h"
#include "store/walk.h"

namespace {

std::int64_t countInTree(const std::vector<bool>& inTree) {
    std::int64_t n = 0;
    for (bool b : inTree)
        n += b;
    return n;
}

void checkStoredWalk(const qm::LoadResult& r, std::int64_t treeSize) {
    std::vector<bool> seen(r.inTree.size(), false);
    qm::SubtreeWalk walk(r.table);
    std::int64_t steps = 0;
    for (std::int32_t n = walk.Walk_Start(1); n >= 1; n = walk.Walk_Next(n)) {
        CHECK(++steps <= treeSize);
        CHECK(static_cast<std::size_t>(n) < seen.size() && r.inTree[n] && !seen[n]);
        seen[n] = true;
    }
    CHECK(steps == treeSize);
    CHECK(walk.WalkCount() == treeSize);
}

// The fast name decoder against the plain trim and decode.
void checkNames(const qm::LoadResult& r) {
    for (std::size_t k = 1; k < r.inTree.size(); ++k) {
        if (!r.inTree[k])
            continue;
        const qm::NameField& field = r.table[static_cast<std::int32_t>(k)].Name;
        const std::string_view whole(field.data(), field.size());
        const auto first = whole.find_first_not_of(' ');
        const std::string_view trimmed =
            first == std::string_view::npos
                ? std::string_view()
                : whole.substr(first, whole.find_last_not_of(' ') - first + 1);
        CHECK(qm::trimmedName(field) == trimmed);
        // Every name is found by its own text, whatever bytes it holds.
        CHECK(qm::NameMatcher(qm::MatchStyle::Exact, qm::decodeBytes(trimmed)).matches(field));
        CHECK(qm::NameMatcher(qm::MatchStyle::NameInText, qm::decodeBytes(whole)).matches(field));
    }
}

// Each item's place in its parent's chain of children.
std::vector<std::int32_t> siblingPositions(const qm::LoadResult& r) {
    std::vector<std::int32_t> pos(r.inTree.size(), 0);
    for (std::size_t k = 1; k < r.inTree.size(); ++k) {
        if (!r.inTree[k])
            continue;
        std::int32_t i = 0;
        for (std::int32_t c = r.table[static_cast<std::int32_t>(k)].FirstChild; c >= 1;
             c = r.table[c].NextSibling)
            pos[c] = i++;
    }
    return pos;
}

void checkSortedWalk(const qm::LoadResult& r, std::int64_t treeSize) {
    const qm::NodeTable& t = r.table;
    const std::vector<std::int32_t> stored = siblingPositions(r);
    std::vector<bool> seen(r.inTree.size(), false);
    std::vector<std::int32_t> path; // the node returned last at each level
    qm::SortWalk walk(t);
    std::int64_t steps = 0;
    std::int32_t level = 0;
    for (std::string name = walk.SortWalk_Start(1); !name.empty();
         name = walk.SortWalk_Next(level)) {
        level = walk.SortLevel();
        const std::int32_t n = walk.SortNod();
        CHECK(++steps < treeSize);
        CHECK(static_cast<std::size_t>(n) < seen.size() && r.inTree[n] && !seen[n]);
        seen[n] = true;
        CHECK(name == std::string(t[n].Name.data(), t[n].Name.size()));
        CHECK(level >= 0 && level == t[n].Level - 1);
        CHECK(static_cast<std::size_t>(level) <= path.size());
        const std::int32_t parent = level == 0 ? 1 : path[level - 1];
        CHECK(t[n].Parent == parent);
        if (static_cast<std::size_t>(level) < path.size()) {
            const qm::Node& prev = t[path[level]];
            if (prev.Parent == parent) {
                const std::string_view a(prev.Name.data(), prev.Name.size());
                const std::string_view b(t[n].Name.data(), t[n].Name.size());
                const int order = qm::compareNames(a, b);
                CHECK(order < 0 || (order == 0 && stored[path[level]] < stored[n]));
            }
        }
        path.resize(static_cast<std::size_t>(level));
        path.push_back(n);
    }
    CHECK(steps == treeSize - 1);
    CHECK(walk.SortNod() == 0 && walk.SortLevel() == -1);
    CHECK(steps == 0 || level == -1);
}

std::string encodeTable(const qm::NodeTable& t) {
    std::string bytes(static_cast<std::size_t>(t.NodeCount() + 1) * qm::kRecordSize, '\0');
    for (std::int32_t k = 0; k <= t.NodeCount(); ++k)
        qm::encodeRecord(t[k], bytes.data() + static_cast<std::size_t>(k) * qm::kRecordSize);
    return bytes;
}

void checkRoundTrip(const qm::LoadResult& r) {
    const std::string saved = encodeTable(r.table);
    const qm::LoadResult again = qm::loadDataBytes(saved);
    CHECK(again.ok);
    CHECK(again.signatureOk);
    CHECK(again.table.NodeCount() == r.table.NodeCount());
    CHECK(again.table.FreeCount() == r.table.FreeCount());
    CHECK(again.table.capacity() == r.table.capacity());
    CHECK(again.inTree == r.inTree);
    for (std::int32_t k = 0; k <= r.table.NodeCount(); ++k)
        CHECK(again.table[k] == r.table[k]);
    CHECK(encodeTable(again.table) == saved);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::int64_t progressCalls = 0;
    const qm::LoadResult r =
        qm::loadDataBytes(bytes, [&](std::int64_t done) { progressCalls += done > 0; });
    CHECK(r.records == static_cast<std::int64_t>(size / qm::kRecordSize));
    if (!r.ok) {
        CHECK(!r.error.empty());
        return 0;
    }
    const qm::NodeTable& t = r.table;
    CHECK(t.NodeCount() == r.records - 1);
    CHECK(t.hasTree() && t[0] == qm::nodeHeader());
    CHECK(r.inTree.size() == static_cast<std::size_t>(t.capacity()) && r.inTree[1]);
    CHECK(t.capacity() > t.NodeCount() + 1);

    const std::int64_t treeSize = countInTree(r.inTree);
    checkStoredWalk(r, treeSize);
    checkSortedWalk(r, treeSize);
    checkNames(r);
    CHECK(qm::treeDepth(t) >= 0);
    checkRoundTrip(r);
    return 0;
}
