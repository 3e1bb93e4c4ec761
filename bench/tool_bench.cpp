// qmtool check and repair on a file whose sibling lists are broken: a top item with
// 1,000,000 children whose NextSibling links are all 0, parents and PrevSibling intact. The
// check lists every child as lost and the repair puts every child back; the repair should
// cost about what the check does.

#include <benchmark/benchmark.h>

#include <ostream>
#include <stdexcept>
#include <streambuf>
#include <string>

#include "bench_tree.h"
#include "store/data_file.h"
#include "tool/commands.h"

namespace {

constexpr std::int32_t kChildren = 1000000;

struct FlatFile {
    qm::bench::ScratchDir dir;
    std::string file = dir.file("flat.qmd");
    std::string repaired = dir.file("repaired.qmd");

    FlatFile() {
        qm::NodeTable table = qm::bench::makeWide("TOP", kChildren);
        for (std::int32_t k = 2; k <= table.NodeCount(); ++k)
            table[k].NextSibling = 0;
        std::string error;
        if (!qm::saveDataFile(file, table, error))
            throw std::runtime_error("cannot write the file: " + error);
    }
};

const FlatFile& flatFile() {
    static const FlatFile file;
    return file;
}

// Takes in what the commands print, as a terminal or a pipe would, and keeps nothing.
class Discard : public std::streambuf {
protected:
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

int runQuietly(const std::vector<std::string>& args) {
    Discard discard;
    std::ostream out(&discard), err(&discard);
    return qm::runTool(args, out, err);
}

void Check(benchmark::State& state) {
    const FlatFile& f = flatFile();
    for (auto _ : state)
        if (runQuietly({"check", f.file}) != qm::kToolProblems)
            state.SkipWithError("the check found nothing");
}

void Repair(benchmark::State& state) {
    const FlatFile& f = flatFile();
    for (auto _ : state)
        if (runQuietly({"repair", f.file, "-o", f.repaired, "--force"}) != qm::kToolOk)
            state.SkipWithError("the repair failed");
}

} // namespace

BENCHMARK(Check)->Arg(kChildren)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Repair)->Arg(kChildren)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
