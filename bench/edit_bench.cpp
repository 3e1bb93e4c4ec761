// Edit benchmarks. Each figure runs beside its baseline in the same process: deleting and
// restoring a subtree beside a plain walk of it, pasting into a table with scattered free
// slots beside pasting into one without. Copy and paste has an absolute target.

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "bench_tree.h"
#include "store/tree_edit.h"
#include "store/walk.h"

namespace {

constexpr std::int32_t kBigSubtree = 500000;
constexpr std::int32_t kCopyItems = 100000;

/// The tree moved one level down below a new top item, so that slot 2 heads all of it.
qm::NodeTable nested(const qm::NodeTable& tree) {
    const std::int32_t count = tree.NodeCount();
    qm::NodeSlots slots(static_cast<std::size_t>(count) + 2);
    qm::Node& top = slots[1];
    top.Name = qm::makeName("TOP");
    top.InUse = qm::kSlotInUse;
    top.FirstChild = 2;
    const auto shift = [](std::int32_t link) { return link >= 1 ? link + 1 : 0; };
    for (std::int32_t k = 1; k <= count; ++k) {
        qm::Node n = tree[k];
        n.Parent = k == 1 ? 1 : shift(n.Parent);
        n.FirstChild = shift(n.FirstChild);
        n.PrevSibling = shift(n.PrevSibling);
        n.NextSibling = shift(n.NextSibling);
        n.Level = static_cast<std::uint8_t>(n.Level + 1);
        slots[static_cast<std::size_t>(k) + 1] = n;
    }
    qm::NodeTable out;
    out.adopt(std::move(slots), count + 1);
    return out;
}

/// What the window's progress bar would do with the reports: count them.
class Counting : public qm::Progress {
public:
    void start(std::int64_t) override { ++reports; }
    void step(std::int64_t) override { ++reports; }
    std::int64_t reports = 0;
};

qm::NodeTable& bigTable() {
    static qm::NodeTable table = nested(qm::bench::makeTree(kBigSubtree));
    return table;
}

void WalkSubtree(benchmark::State& state) {
    const qm::NodeTable& t = bigTable();
    for (auto _ : state) {
        qm::SubtreeWalk walk(t);
        std::int64_t levels = 0;
        for (std::int32_t n = walk.Walk_Start(2); n >= 1; n = walk.Walk_Next(n))
            levels += t[n].Level;
        if (walk.WalkCount() != kBigSubtree)
            state.SkipWithError("the walk missed items");
        benchmark::DoNotOptimize(levels);
    }
}

void DeleteUndo(benchmark::State& state) {
    qm::NodeTable& t = bigTable();
    Counting progress;
    for (auto _ : state) {
        if (qm::deleteSubtree(t, 2, &progress) != kBigSubtree ||
            qm::restoreSubtree(t, 2, &progress) != kBigSubtree)
            state.SkipWithError("the subtree did not come back whole");
    }
    benchmark::DoNotOptimize(progress.reports);
    if (t.FreeCount() != 0)
        state.SkipWithError("slots were left free");
}

void CopyPaste(benchmark::State& state) {
    static const qm::NodeTable start = nested(qm::bench::makeTree(kCopyItems));
    Counting progress;
    for (auto _ : state) {
        state.PauseTiming();
        auto t = std::make_unique<qm::NodeTable>(start);
        state.ResumeTiming();
        std::vector<qm::Node> buffer;
        qm::copySubtree(*t, 2, buffer, &progress);
        const std::int32_t top = qm::pasteSubtree(*t, 1, buffer, &progress);
        state.PauseTiming();
        if (top < 1 || t->NodeCount() != 2 * kCopyItems + 1)
            state.SkipWithError("the paste went wrong");
        t.reset();
        state.ResumeTiming();
    }
    benchmark::DoNotOptimize(progress.reports);
}

const std::vector<qm::Node>& pasteBuffer() {
    static const std::vector<qm::Node> buffer = [] {
        std::vector<qm::Node> b;
        qm::copySubtree(nested(qm::bench::makeTree(kCopyItems, 11)), 2, b);
        return b;
    }();
    return buffer;
}

// Both end with the same number of items in a table of the same size.
void paste(benchmark::State& state, const qm::NodeTable& start) {
    const std::vector<qm::Node>& buffer = pasteBuffer();
    Counting progress;
    for (auto _ : state) {
        state.PauseTiming();
        auto t = std::make_unique<qm::NodeTable>(start);
        state.ResumeTiming();
        const std::int32_t top = qm::pasteSubtree(*t, 1, buffer, &progress);
        state.PauseTiming();
        if (top < 1 || t->FreeCount() != 0 || t->NodeCount() != 2 * kCopyItems)
            state.SkipWithError("the paste went wrong");
        t.reset();
        state.ResumeTiming();
    }
    benchmark::DoNotOptimize(progress.reports);
}

void PasteFresh(benchmark::State& state) {
    static const qm::NodeTable start = qm::bench::makeTree(kCopyItems);
    paste(state, start);
}

void PasteScattered(benchmark::State& state) {
    static const qm::NodeTable start = [] {
        qm::NodeTable t = qm::bench::makeTree(2 * kCopyItems);
        qm::bench::deleteRandomLeaves(t, kCopyItems);
        return t;
    }();
    paste(state, start);
}

} // namespace

BENCHMARK(WalkSubtree)->Arg(kBigSubtree)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(DeleteUndo)->Arg(kBigSubtree)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CopyPaste)->Arg(kCopyItems)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PasteFresh)->Arg(kCopyItems)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PasteScattered)->Arg(kCopyItems)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
