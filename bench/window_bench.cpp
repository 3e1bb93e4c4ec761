// Window benchmarks, offscreen: filling a cell with a huge list, and loading and saving trees
// of 1,000,000 and 10,000,000 items through the window beside the store doing the same alone.

#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <memory>
#include <stdexcept>

#include "app/program.h"
#include "bench_tree.h"
#include "settings/file_commands.h"
#include "silent_prompter.h"
#include "store/data_file.h"
#include "store/name_codec.h"
#include "window/main_window.h"

namespace {

constexpr std::int32_t kBigTree = 1000000;
constexpr std::int32_t kHugeTree = 10000000;
constexpr std::int32_t kWideNode = 100000;

struct Scratch {
    QTemporaryDir dir;
    std::string bigFile;
    Scratch() {
        bigFile = file(kBigTree);
        // Backups off, so the window's save writes exactly what the store's does.
        QFile ini(dir.filePath("QuillMar.ini"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[AutoSave]\nBackup= 0\nValue=-1\n");
    }
    // The data file of the tree of `items` items, written on first use.
    std::string file(std::int64_t items) {
        const std::string path =
            dir.filePath(QStringLiteral("tree-%1.qmd").arg(items)).toStdString();
        std::string error;
        if (!QFile::exists(QString::fromStdString(path)) &&
            !qm::saveDataFile(path, qm::bench::makeTree(static_cast<std::int32_t>(items)), error))
            throw std::runtime_error(error);
        return path;
    }
};

Scratch& scratch() {
    static Scratch s;
    return s;
}

// A top item with 100,000 children of random names.
qm::NodeTable wideTree() {
    qm::NodeTable t = qm::bench::makeWide("WIDE", kWideNode);
    // The wide node itself is an entry of the top item's list.
    const std::int32_t holder = t.Node_Alloc();
    t[holder].Name = qm::makeName("HOLDER");
    t[holder].Parent = 1;
    t[holder].Level = 1;
    return t;
}

void CellFill(benchmark::State& state) {
    qm::bench::SilentPrompter prompter;
    qm::MainWindow w(prompter);
    w.nodes() = wideTree();
    w.Cells_Reset();
    for (auto _ : state) {
        w.browser().Cell_LinkShowNext(5, 10, 1);
        w.browser().focusCell(10);
        benchmark::DoNotOptimize(w.browser().cells()[10].Nod);
        state.PauseTiming();
        w.browser().Cell_Clear(10);
        state.ResumeTiming();
    }
}
BENCHMARK(CellFill)->Arg(kWideNode)->Unit(benchmark::kMillisecond)->UseRealTime();

// The loads run once untimed before they are timed, as in the store's benchmarks: a virtual
// machine may have handed the memory of the runs before back to its host.
void Load(benchmark::State& state) {
    const std::string path = scratch().file(state.range(0));
    qm::loadDataFile(path);
    for (auto _ : state) {
        qm::LoadResult r = qm::loadDataFile(path);
        if (!r.ok)
            state.SkipWithError(r.error.c_str());
        benchmark::DoNotOptimize(r.table.NodeCount());
    }
}
BENCHMARK(Load)->Arg(kBigTree)->Arg(kHugeTree)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same load while the tree loaded before is held until the new one is in, as the window
// holds its own. Holding takes twice the memory, so the untimed warm-up loads twice: on a
// virtual machine that hands memory idle for a second or two back to its host, a single
// warm-up leaves the timed load touching memory the host must hand out again.
void LoadHolding(benchmark::State& state) {
    const std::string path = scratch().file(state.range(0));
    qm::LoadResult held = qm::loadDataFile(path);
    held = qm::loadDataFile(path);
    for (auto _ : state) {
        qm::LoadResult r = qm::loadDataFile(path);
        if (!r.ok)
            state.SkipWithError(r.error.c_str());
        held = std::move(r);
    }
}
BENCHMARK(LoadHolding)->Arg(kHugeTree)->Unit(benchmark::kMillisecond)->UseRealTime();

// The window holds the tree it loaded last, as it would, while it loads the next; warmed up
// twice as the held load is.
void WindowLoad(benchmark::State& state) {
    qm::bench::SilentPrompter prompter;
    qm::MainWindow w(prompter);
    const QString path = QString::fromStdString(scratch().file(state.range(0)));
    w.DataLoad(path);
    w.DataLoad(path);
    for (auto _ : state) {
        if (!w.DataLoad(path))
            state.SkipWithError("load refused");
    }
}
BENCHMARK(WindowLoad)->Arg(kBigTree)->Arg(kHugeTree)->Unit(benchmark::kMillisecond)->UseRealTime();

void Save(benchmark::State& state) {
    const qm::LoadResult r = qm::loadDataFile(scratch().bigFile);
    const std::string out = scratch().dir.filePath("store-save.qmd").toStdString();
    for (auto _ : state) {
        std::string error;
        if (!qm::saveDataFile(out, r.table, error))
            state.SkipWithError(error.c_str());
    }
}
BENCHMARK(Save)->Arg(kBigTree)->Unit(benchmark::kMillisecond)->UseRealTime();

void WindowSave(benchmark::State& state) {
    qm::bench::SilentPrompter prompter;
    qm::Program program(prompter, scratch().dir.filePath("QuillMar.ini"));
    const QString copy = scratch().dir.filePath("window-save.qmd");
    QFile::remove(copy);
    QFile::copy(QString::fromStdString(scratch().bigFile), copy);
    program.start({copy}, false);
    for (auto _ : state) {
        if (!program.files().Save())
            state.SkipWithError("save failed");
    }
}
BENCHMARK(WindowSave)->Arg(kBigTree)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
