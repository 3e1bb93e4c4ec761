// Edit benchmarks. Each figure runs beside its baseline in the same process: deleting and
// restoring a subtree beside a plain walk of it, pasting into a table with scattered free
// slots beside pasting into one without, adds with the recovery journal on beside the same
// adds with it off, and recovering them from the journal beside making them in memory.
// Copy and paste has an absolute target.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench_tree.h"
#include "store/journal.h"
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

constexpr std::int32_t kAdds = 100000;

// A tree as a user starts a session with, and the adds made to it: each below an item
// drawn from the whole tree as it has grown so far.
struct AddSession {
    qm::NodeTable start = qm::bench::makeTree(10000);
    std::vector<qm::TreeChange> adds;
    std::string journal;

    AddSession() {
        std::mt19937 rng(3);
        std::int32_t next = start.NodeCount() + 1;
        for (std::int32_t i = 0; i < kAdds; ++i, ++next) {
            const auto parent = 1 + std::int32_t(rng() % std::uint32_t(next - 1));
            adds.push_back({qm::TreeChange::Add, parent, next,
                            qm::makeName("ITEM" + std::to_string(rng() % 100000))});
        }
        const char* tmp = std::getenv("TMPDIR");
        journal = std::string(tmp && *tmp ? tmp : "/tmp") + "/qm-bench-" +
                  std::to_string(::getpid()) + ".qmr";
    }
};

const AddSession& addSession() {
    static const AddSession session;
    return session;
}

// The adds, with the journal recording them and writing them out at the end as its timer
// would, or without. The journal writes on a thread of its own: the CPU time counted is the
// whole process's, the editing thread's cost is the wall time.
void adds(benchmark::State& state, bool journaled) {
    const AddSession& session = addSession();
    qm::JournalWriter journal; // one a window, for the whole session
    for (auto _ : state) {
        state.PauseTiming();
        auto t = std::make_unique<qm::NodeTable>(session.start);
        journal.restart({session.journal}, {"/bench/tree.qmd", 1});
        if (journaled)
            t->setRecorder(&journal);
        state.ResumeTiming();
        for (const qm::TreeChange& add : session.adds)
            qm::addChild(*t, add.item, add.name);
        std::string error;
        if (!journal.flush(error))
            state.SkipWithError(error.c_str());
        state.PauseTiming();
        if (t->NodeCount() != session.start.NodeCount() + kAdds)
            state.SkipWithError("the adds went wrong");
        journal.discard();
        t.reset();
        state.ResumeTiming();
    }
}

void AddOnly(benchmark::State& state) {
    adds(state, false);
}

void JournalAppend(benchmark::State& state) {
    adds(state, true);
}

void ReplayInMemory(benchmark::State& state) {
    const AddSession& session = addSession();
    for (auto _ : state) {
        state.PauseTiming();
        auto t = std::make_unique<qm::NodeTable>(session.start);
        state.ResumeTiming();
        for (const qm::TreeChange& add : session.adds) {
            if (!qm::applyChange(*t, add))
                state.SkipWithError("a change did not fit");
        }
        state.PauseTiming();
        t.reset();
        state.ResumeTiming();
    }
}

void Recover(benchmark::State& state) {
    const AddSession& session = addSession();
    const std::string file = session.journal + ".recover";
    {
        qm::NodeTable t = session.start;
        qm::JournalWriter journal;
        journal.restart({file}, {"/bench/tree.qmd", 1});
        t.setRecorder(&journal);
        for (const qm::TreeChange& add : session.adds)
            qm::addChild(t, add.item, add.name);
        std::string error;
        journal.flush(error);
    }
    for (auto _ : state) {
        const qm::JournalContents back = qm::readJournalFile(file);
        if (!back.ok || back.changes != kAdds || back.lost != 0)
            state.SkipWithError("the journal did not come back whole");
    }
    std::remove(file.c_str());
}

} // namespace

BENCHMARK(AddOnly)
    ->Arg(kAdds)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(JournalAppend)
    ->Arg(kAdds)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(ReplayInMemory)->Arg(kAdds)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Recover)->Arg(kAdds)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(WalkSubtree)->Arg(kBigSubtree)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(DeleteUndo)->Arg(kBigSubtree)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CopyPaste)->Arg(kCopyItems)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PasteFresh)->Arg(kCopyItems)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PasteScattered)->Arg(kCopyItems)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
