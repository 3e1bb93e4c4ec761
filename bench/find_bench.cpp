// The Find window's search over the 1,000,000-item tree, results listed and events let in as
// a user sees it, beside the store's own search of the same tree for the same text.

#include <benchmark/benchmark.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <array>
#include <stdexcept>
#include <string>

#include "bench_tree.h"
#include "find/find_window.h"
#include "find/found_list.h"
#include "print/print_commands.h"
#include "silent_prompter.h"
#include "store/item_path.h"
#include "store/name_codec.h"
#include "store/name_match.h"
#include "store/sort_walk.h"
#include "window/main_window.h"

namespace {

constexpr std::int32_t kBigTree = 1000000;
constexpr std::int64_t kWantedMatches = 15000;

struct Search {
    qm::NodeTable table = qm::bench::makeTree(kBigTree);
    std::u32string text;
    std::int64_t matches = 0;

    // The two capitals that stand side by side in the number of names nearest the wanted
    // number of matches.
    Search() {
        std::array<std::int64_t, 26 * 26> names{};
        std::array<std::int32_t, 26 * 26> seenIn{};
        for (std::int32_t slot = 2; slot <= table.NodeCount(); ++slot) {
            const std::string_view name = qm::trimmedName(table[slot].Name);
            for (std::size_t i = 0; i + 1 < name.size(); ++i) {
                const int a = name[i] - 'A';
                const int b = name[i + 1] - 'A';
                if (a < 0 || a >= 26 || b < 0 || b >= 26)
                    continue;
                const int pair = a * 26 + b;
                if (seenIn[pair] != slot) {
                    seenIn[pair] = slot;
                    ++names[pair];
                }
            }
        }
        int best = 0;
        for (int p = 1; p < 26 * 26; ++p)
            if (std::llabs(names[p] - kWantedMatches) < std::llabs(names[best] - kWantedMatches))
                best = p;
        text = {char32_t(U'A' + best / 26), char32_t(U'A' + best % 26)};
        matches = names[best];
    }
};

const Search& search() {
    static const Search s;
    return s;
}

// What the store alone does for the same search: the sorted walk and one test per name.
void FindStore(benchmark::State& state) {
    const Search& s = search();
    for (auto _ : state) {
        const qm::NameMatcher matcher(qm::MatchStyle::TextInName, s.text);
        qm::SortWalk walk(s.table);
        std::int64_t found = 0;
        for (bool more = walk.SortWalk_Start(1); more; more = walk.SortWalk_Next())
            found += matcher.matches(walk.SortName());
        if (found != s.matches)
            state.SkipWithError("the store's search missed items");
        benchmark::DoNotOptimize(found);
    }
    // A label, not a counter: the CSV report needs the same counters on every row.
    state.SetLabel(std::to_string(s.matches) + " matches");
}
BENCHMARK(FindStore)->Arg(kBigTree)->Unit(benchmark::kMillisecond)->UseRealTime();

// SEARCH clicked in the shown window: every match gets its path and a line in the list.
void FindWindow(benchmark::State& state) {
    const Search& s = search();
    qm::bench::SilentPrompter prompter;
    qm::MainWindow w(prompter);
    w.nodes() = s.table;
    qm::FindWindow find(w, []() -> qm::PrintDestination& {
        static qm::PrintDestination unused;
        return unused;
    });
    find.openAt(1);
    find.findChild<QLineEdit*>("Text1")->setText(QString::fromStdU32String(s.text));
    find.findChild<QRadioButton*>("Opt_1")->click();
    auto* searchButton = find.findChild<QPushButton*>("cmd_1");
    for (auto _ : state) {
        searchButton->click();
        if (find.results().rowCount() != s.matches)
            state.SkipWithError("the window's search missed items");
    }
}
BENCHMARK(FindWindow)->Arg(kBigTree)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
