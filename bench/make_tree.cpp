// Writes the benchmarks' large tree to a data file, for measuring other programs on it.
// Usage: make_tree FILE [ITEMS]

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_tree.h"
#include "store/data_file.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make_tree FILE [ITEMS]\n");
        return 2;
    }
    const long items = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 1000000;
    if (items < 1 || items > 50000000) {
        std::fprintf(stderr, "make_tree: ITEMS must be 1..50000000\n");
        return 2;
    }
    const qm::NodeTable table = qm::bench::makeTree(static_cast<std::int32_t>(items));
    std::string error;
    if (!qm::saveDataFile(argv[1], table, error)) {
        std::fprintf(stderr, "make_tree: cannot write %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    return 0;
}
