// Store benchmarks. Each figure runs beside its baseline in the same process: a plain read
// or write of the same bytes, a plain walk of the same tree, appending instead of reusing.
//
// The loads and writes run once untimed before they are timed, as the raw read's buffer is
// filled once: the memory the first run frees is what the timed runs take, as in any longer
// series. A virtual machine that hands memory idle for two seconds back to its host makes
// the first touch of such memory cost many times more, whatever the program does; one run of
// ten million items takes that long, so without it each would measure the host instead.

#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "bench_tree.h"
#include "store/data_file.h"
#include "store/name_codec.h"
#include "store/name_match.h"
#include "store/outline.h"
#include "store/safe_file.h"
#include "store/sort_walk.h"
#include "store/walk.h"

namespace {

constexpr std::int32_t kBigTree = 1000000;
constexpr std::int32_t kHugeTree = 10000000;
constexpr std::int32_t kAllocations = 100000;

// A large tree and its data file in a scratch folder, made once per process and size.
struct BigTree {
    qm::NodeTable table;
    qm::bench::ScratchDir dir;
    std::string file;
    std::string bytes;             // the file's contents, for the raw write
    mutable std::vector<char> raw; // the raw read's buffer, warm from run to run

    explicit BigTree(std::int32_t items)
        : table(qm::bench::makeTree(items)), file(dir.file("tree.qmd")) {
        std::string error;
        if (!qm::saveDataFile(file, table, error) || !qm::readWholeFile(file, bytes, error))
            throw std::runtime_error("cannot write the tree: " + error);
    }
};

const BigTree& bigTree(std::int64_t items = kBigTree) {
    static std::map<std::int64_t, std::unique_ptr<BigTree>> trees;
    auto& tree = trees[items];
    if (!tree)
        tree = std::make_unique<BigTree>(static_cast<std::int32_t>(items));
    return *tree;
}

// Reads the whole file into one buffer, kept between runs: the cost of the bytes alone.
bool readInto(const std::string& file, std::vector<char>& buffer) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    buffer.resize(size);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, buffer.data() + got, size - got);
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return got == size;
}

void RawRead(benchmark::State& state) {
    const BigTree& t = bigTree(state.range(0));
    for (auto _ : state) {
        if (!readInto(t.file, t.raw))
            state.SkipWithError("cannot read the file");
        benchmark::DoNotOptimize(t.raw.data());
        benchmark::ClobberMemory();
    }
}

// What a load cannot do without: the bytes read and every record decoded into a fresh
// vector, with no checks at all.
void PlainDecode(benchmark::State& state) {
    const BigTree& t = bigTree();
    std::vector<char> buffer;
    for (auto _ : state) {
        if (!readInto(t.file, buffer))
            state.SkipWithError("cannot read the file");
        const std::size_t records = buffer.size() / qm::kRecordSize;
        std::vector<qm::Node> nodes(records);
        for (std::size_t k = 0; k < records; ++k)
            nodes[k] = qm::decodeRecord(buffer.data() + k * qm::kRecordSize);
        benchmark::DoNotOptimize(nodes.data());
        benchmark::ClobberMemory();
    }
}

void Load(benchmark::State& state) {
    const BigTree& t = bigTree(state.range(0));
    qm::loadDataFile(t.file);
    for (auto _ : state) {
        qm::LoadResult r = qm::loadDataFile(t.file);
        if (!r.ok || r.table.NodeCount() != state.range(0))
            state.SkipWithError("the tree did not load");
        benchmark::DoNotOptimize(r.table[1]);
    }
}

// Writes the bytes over the file and flushes them to the disk.
bool writeOver(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n <= 0)
            break;
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    const bool written = left == 0 && ::fsync(fd) == 0;
    ::close(fd);
    return written;
}

void RawWrite(benchmark::State& state) {
    const BigTree& t = bigTree(state.range(0));
    const std::string path = t.dir.file("raw.qmd");
    writeOver(path, t.bytes);
    for (auto _ : state) {
        if (!writeOver(path, t.bytes))
            state.SkipWithError("write failed");
    }
}

void Save(benchmark::State& state) {
    const BigTree& t = bigTree(state.range(0));
    const std::string path = t.dir.file("saved.qmd");
    std::string ignored;
    qm::saveDataFile(path, t.table, ignored);
    for (auto _ : state) {
        std::string error;
        if (!qm::saveDataFile(path, t.table, error))
            state.SkipWithError(error.c_str());
    }
}

// What qmtool export --format opml -o does: the tree as an OPML document, written through
// the same safe writer as the save.
void ExportOpml(benchmark::State& state) {
    const BigTree& t = bigTree();
    const std::string path = t.dir.file("tree.opml");
    for (auto _ : state) {
        std::string error;
        if (!qm::findUnholdable(t.table, 1, qm::OutlineFormat::Opml).ok ||
            !qm::exportOutlineFile(path, t.table, 1, qm::OutlineFormat::Opml, error))
            state.SkipWithError(("cannot export: " + error).c_str());
    }
}

void Walk(benchmark::State& state) {
    const BigTree& t = bigTree(state.range(0));
    for (auto _ : state) {
        qm::SubtreeWalk walk(t.table);
        std::int64_t levels = 0;
        for (std::int32_t n = walk.Walk_Start(1); n >= 1; n = walk.Walk_Next(n))
            levels += t.table[n].Level;
        if (walk.WalkCount() != state.range(0))
            state.SkipWithError("the walk missed items");
        benchmark::DoNotOptimize(levels);
    }
}

void SortWalk(benchmark::State& state) {
    const BigTree& t = bigTree(state.range(0));
    for (auto _ : state) {
        qm::SortWalk walk(t.table);
        std::int64_t count = 0;
        std::int64_t levels = 0;
        for (bool more = walk.SortWalk_Start(1); more; more = walk.SortWalk_Next()) {
            ++count;
            levels += walk.SortLevel();
        }
        if (count != state.range(0) - 1)
            state.SkipWithError("the walk missed items");
        benchmark::DoNotOptimize(levels);
    }
}

// What the Find window does: the sorted walk, each trimmed name tested against the text.
void Find(benchmark::State& state, qm::MatchStyle style) {
    const BigTree& t = bigTree();
    const auto nameAt = [&](std::int32_t slot) {
        return qm::decodeBytes(qm::trimmedName(t.table[slot].Name));
    };
    // Each text matches a few items at least.
    std::u32string text = U"QX";
    if (style == qm::MatchStyle::Exact)
        text = nameAt(kBigTree / 2);
    else if (style == qm::MatchStyle::NameInText)
        text = nameAt(kBigTree / 3) + nameAt(kBigTree / 2);
    std::int64_t matches = 0;
    for (auto _ : state) {
        const qm::NameMatcher matcher(style, text);
        qm::SortWalk walk(t.table);
        std::int64_t count = 0;
        matches = 0;
        for (bool more = walk.SortWalk_Start(1); more; more = walk.SortWalk_Next()) {
            ++count;
            matches += matcher.matches(walk.SortName());
        }
        if (count != kBigTree - 1 || matches == 0)
            state.SkipWithError("the search missed items");
        benchmark::DoNotOptimize(matches);
    }
}

// Both end with the same number of items in the same size of table.
void allocate(benchmark::State& state, const qm::NodeTable& start) {
    for (auto _ : state) {
        state.PauseTiming();
        auto table = std::make_unique<qm::NodeTable>(start);
        state.ResumeTiming();
        for (std::int32_t i = 0; i < kAllocations; ++i)
            benchmark::DoNotOptimize(table->Node_Alloc());
        state.PauseTiming();
        if (table->FreeCount() != 0 || table->NodeCount() != 2 * kAllocations)
            state.SkipWithError("allocation went wrong");
        table.reset();
        state.ResumeTiming();
    }
}

void AllocFresh(benchmark::State& state) {
    static const qm::NodeTable start = qm::bench::makeTree(kAllocations);
    allocate(state, start);
}

void AllocReuse(benchmark::State& state) {
    static const qm::NodeTable start = [] {
        qm::NodeTable t = qm::bench::makeTree(2 * kAllocations);
        qm::bench::deleteRandomLeaves(t, kAllocations);
        return t;
    }();
    allocate(state, start);
}

} // namespace

// The pairs compared at ten million items too.
BENCHMARK(RawRead)->Arg(kBigTree)->Arg(kHugeTree)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PlainDecode)->Arg(kBigTree)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Load)->Arg(kBigTree)->Arg(kHugeTree)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RawWrite)->Arg(kBigTree)->Arg(kHugeTree)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Save)->Arg(kBigTree)->Arg(kHugeTree)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ExportOpml)->Arg(kBigTree)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Walk)->Arg(kBigTree)->Arg(kHugeTree)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SortWalk)->Arg(kBigTree)->Arg(kHugeTree)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(AllocFresh)->Arg(kAllocations)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(AllocReuse)->Arg(kAllocations)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    for (const char* word : {"exact", "in-names", "names-in"}) {
        const qm::MatchStyle style = *qm::matchStyleFromString(word);
        benchmark::RegisterBenchmark((std::string("Find/") + word).c_str(), Find, style)
            ->Arg(kBigTree)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
