// Writes the benchmarks' large tree to a data file, for measuring other programs on it; with
// --wide, a top item over that many children instead.
// Usage: make_tree [--wide] FILE [ITEMS]

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench_tree.h"
#include "store/data_file.h"

int main(int argc, char** argv) {
    const bool wide = argc > 1 && std::strcmp(argv[1], "--wide") == 0;
    argv += wide ? 1 : 0;
    argc -= wide ? 1 : 0;
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make_tree [--wide] FILE [ITEMS]\n");
        return 2;
    }
    const long items = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 1000000;
    if (items < 1 || items > 50000000) {
        std::fprintf(stderr, "make_tree: ITEMS must be 1..50000000\n");
        return 2;
    }
    const auto count = static_cast<std::int32_t>(items);
    const qm::NodeTable table =
        wide ? qm::bench::makeWide("TOP", count) : qm::bench::makeTree(count);
    std::string error;
    if (!qm::saveDataFile(argv[1], table, error)) {
        std::fprintf(stderr, "make_tree: cannot write %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    return 0;
}
