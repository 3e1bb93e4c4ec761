#include "bench_tree.h"

#include <cstdlib>
#include <deque>
#include <stdexcept>
#include <string>

namespace qm::bench {

ScratchDir::ScratchDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/qm-bench-XXXXXX";
    if (!::mkdtemp(tmpl.data()))
        throw std::runtime_error("cannot make a scratch folder");
    m_path = tmpl;
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

namespace {

// splitmix64: tiny and the same on every platform, unlike the standard distributions.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    /// Uniform in lo..hi.
    std::int32_t between(std::int32_t lo, std::int32_t hi) {
        return lo + static_cast<std::int32_t>(next() % static_cast<std::uint64_t>(hi - lo + 1));
    }

private:
    std::uint64_t m_state;
};

NameField randomName(Random& rnd) {
    NameField name;
    name.fill(' ');
    const int length = rnd.between(3, kNameLength);
    for (int i = 0; i < length; ++i)
        name[i] = static_cast<char>('A' + rnd.between(0, 25));
    return name;
}

std::int32_t fanOut(Random& rnd) {
    const std::int32_t roll = rnd.between(0, 999);
    if (roll < 10)
        return rnd.between(100, 2000);
    if (roll < 300)
        return 0;
    return rnd.between(1, 12);
}

} // namespace

NodeTable makeTree(std::int32_t items, std::uint64_t seed) {
    Random rnd(seed);
    NodeTable table;
    table.resetNew(randomName(rnd));
    std::int32_t made = 1;
    // Breadth first, so the top levels fill before the tree gets deep.
    std::deque<std::int32_t> parents{1};
    while (made < items && !parents.empty()) {
        const std::int32_t parent = parents.front();
        parents.pop_front();
        std::int32_t children = parent == 1 ? 40 : fanOut(rnd);
        if (parents.empty() && children == 0)
            children = 1; // never let the tree stop short
        std::int32_t prev = 0;
        for (std::int32_t i = 0; i < children && made < items; ++i, ++made) {
            const std::int32_t slot = table.Node_Alloc();
            Node& n = table[slot];
            n.Name = randomName(rnd);
            n.Parent = parent;
            n.Level = static_cast<std::uint8_t>(table[parent].Level + 1);
            if (prev >= 1) {
                table[prev].NextSibling = slot;
                n.PrevSibling = prev;
            } else {
                table[parent].FirstChild = slot;
            }
            prev = slot;
            parents.push_back(slot);
        }
    }
    return table;
}

void deleteRandomLeaves(NodeTable& table, std::int32_t count, std::uint64_t seed) {
    Random rnd(seed);
    while (count > 0) {
        const std::int32_t slot = rnd.between(2, table.NodeCount());
        Node& n = table[slot];
        if (!n.inUse() || n.hasChildren())
            continue;
        if (n.hasPrev())
            table[n.PrevSibling].NextSibling = n.NextSibling;
        else
            table[n.Parent].FirstChild = n.NextSibling;
        if (n.hasNext())
            table[n.NextSibling].PrevSibling = n.PrevSibling;
        table.freeSlot(slot);
        --count;
    }
}

NodeTable makeWide(std::string_view top, std::int32_t children) {
    NodeTable t;
    t.resetNew(makeName(top));
    std::uint64_t x = 88172645463325252ull;
    std::int32_t last = 0;
    for (std::int32_t i = 0; i < children; ++i) {
        const std::int32_t c = t.Node_Alloc();
        char name[12];
        for (char& ch : name) {
            x ^= x << 13, x ^= x >> 7, x ^= x << 17;
            ch = static_cast<char>('A' + x % 26);
        }
        t[c].Name = makeName(std::string_view(name, sizeof name));
        t[c].Parent = 1;
        t[c].Level = 1;
        (last ? t[last].NextSibling : t[1].FirstChild) = c;
        t[c].PrevSibling = last;
        last = c;
    }
    return t;
}

} // namespace qm::bench
