// Feeds arbitrary bytes to the data file reader. Whatever it accepts must be a tree that
// both walks can go through, and that saves to bytes which load back to the same table.
// The check must refuse exactly what the load refuses, and what mending makes of any file
// with a top item must load cleanly and keep every item the load could reach.

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
#include "store/progress.h"
#include "store/sort_walk.h"
#include "store/tree_check.h"
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
    for (bool more = walk.SortWalk_Start(1); more; more = walk.SortWalk_Next()) {
        const std::int32_t level = walk.SortLevel();
        const std::int32_t n = walk.SortNod();
        CHECK(++steps < treeSize);
        CHECK(static_cast<std::size_t>(n) < seen.size() && r.inTree[n] && !seen[n]);
        seen[n] = true;
        CHECK(walk.SortName() == t[n].Name);
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

// Counts the steps and checks that they only go forward, within the total.
class StepCounter : public qm::Progress {
public:
    void start(std::int64_t total) override { m_total = total; }
    void step(std::int64_t done) override {
        CHECK(done >= m_last && done <= m_total);
        m_last = done;
        ++steps;
    }
    std::int64_t steps = 0;

private:
    std::int64_t m_total = 0;
    std::int64_t m_last = 0;
};

qm::NodeSlots decodeAll(std::string_view bytes) {
    qm::NodeSlots nodes;
    for (std::size_t at = 0; at + qm::kRecordSize <= bytes.size(); at += qm::kRecordSize)
        nodes.push_back(qm::decodeRecord(bytes.data() + at));
    return nodes;
}

// The check agrees with the load; mending keeps what the load reaches and loads cleanly.
void checkExamination(std::string_view bytes, const qm::LoadResult& r) {
    qm::NodeSlots nodes = decodeAll(bytes);
    if (nodes.size() < 2)
        return;
    const auto nodeCount = static_cast<std::int32_t>(nodes.size() - 1);
    qm::NodeSlots checked = nodes;
    const qm::Examination check = qm::examineTree(checked, nodeCount, qm::Examine::Check);
    CHECK(check.refused == !r.ok);
    if (r.ok) {
        // The check goes on into the lost parts, which the load leaves as they are.
        std::int64_t levels = 0;
        std::int64_t lost = 0;
        for (const qm::Finding& f : check.findings) {
            levels += f.fault == qm::Fault::LevelWrong && r.inTree[f.slot] ? 1 : 0;
            if (f.fault == qm::Fault::Unreachable)
                lost += f.mend == qm::Mend::Rescued ? f.value : 1;
        }
        CHECK(levels == r.levelRepairs);
        CHECK(lost == r.outside);
        CHECK(r.table.outsideCount() == r.outside);
    } else {
        CHECK(r.fault == check.refusal);
    }
    for (const qm::Finding& f : check.findings)
        CHECK(!qm::describeFinding(f, checked, nodeCount).empty());

    const qm::Examination mend = qm::examineTree(nodes, nodeCount, qm::Examine::Mend);
    // The check lists what mending mends, finding for finding.
    CHECK(mend.findings.size() == check.findings.size());
    for (std::size_t i = 0; i < mend.findings.size(); ++i)
        CHECK(mend.findings[i].fault == check.findings[i].fault &&
              mend.findings[i].slot == check.findings[i].slot);
    if (mend.count(qm::Fault::TopItemFree) > 0)
        return;
    qm::NodeTable mended;
    mended.adopt(nodes, nodeCount);
    std::string saved(static_cast<std::size_t>(nodeCount + 1) * qm::kRecordSize, '\0');
    for (std::int32_t k = 0; k <= nodeCount; ++k)
        qm::encodeRecord(mended[k], saved.data() + static_cast<std::size_t>(k) * qm::kRecordSize);
    const qm::LoadResult again = qm::loadDataBytes(saved);
    CHECK(again.ok && again.signatureOk && again.problems.empty() && again.outside == 0);
    qm::NodeSlots recheck = decodeAll(saved);
    CHECK(qm::examineTree(recheck, nodeCount, qm::Examine::Check).problems() == 0);
    CHECK(again.table.itemCount() + 1 == mend.reached);
    if (!r.ok)
        return;
    for (std::int32_t k = 1; k <= nodeCount; ++k) {
        if (!r.inTree[k])
            continue;
        CHECK(again.inTree[k]);
        CHECK(again.table[k].Parent == r.table[k].Parent);
        CHECK(again.table[k].Level == r.table[k].Level);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    StepCounter progress;
    const qm::LoadResult r = qm::loadDataBytes(bytes, &progress);
    CHECK(r.records == static_cast<std::int64_t>(size / qm::kRecordSize));
    CHECK(r.trailingBytes == static_cast<std::int64_t>(size % qm::kRecordSize));
    checkExamination(bytes, r);
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
    CHECK(t.itemCount() + 1 == treeSize);
    checkStoredWalk(r, treeSize);
    checkSortedWalk(r, treeSize);
    checkNames(r);
    CHECK(qm::treeDepth(t) >= 0);
    checkRoundTrip(r);
    return 0;
}
