#include "store/sort_key.h"

#include <algorithm>
#include <cstring>

#include "store/name_codec.h"

namespace qm {

namespace {

// Ranges this short are sorted by comparison; longer ones are first split by one rank.
constexpr std::size_t kSmallRange = 64;

void sortFrom(SortKey* first, SortKey* last, int depth,
              const std::function<void(std::size_t)>& sorted) {
    const auto n = static_cast<std::size_t>(last - first);
    if (n <= kSmallRange || depth == kNameLength) {
        std::sort(first, last);
        if (sorted)
            sorted(n);
        return;
    }
    std::array<std::size_t, 257> begin{};
    for (const SortKey* k = first; k != last; ++k)
        ++begin[k->rankAt(depth) + 1];
    for (int b = 0; b < 256; ++b)
        begin[b + 1] += begin[b];
    std::array<std::size_t, 256> next{};
    std::copy(begin.begin(), begin.end() - 1, next.begin());
    // Each key goes straight to the next free place of its bucket, displacing the key
    // there, until the key that belongs where the chain started comes back.
    for (int b = 0; b < 256; ++b) {
        while (next[b] < begin[b + 1]) {
            SortKey moving = first[next[b]];
            for (int to = moving.rankAt(depth); to != b; to = moving.rankAt(depth))
                std::swap(moving, first[next[to]++]);
            first[next[b]++] = moving;
        }
    }
    for (int b = 0; b < 256; ++b)
        if (begin[b + 1] > begin[b])
            sortFrom(first + begin[b], first + begin[b + 1], depth + 1, sorted);
}

} // namespace

RankTable rankTableFor(const std::array<char32_t, 256>& keys) {
    std::array<char32_t, 256> order = keys;
    std::sort(order.begin(), order.end());
    const auto end = std::unique(order.begin(), order.end());
    RankTable t;
    t.asciiKept = true;
    for (int b = 0; b < 256; ++b) {
        t.rank[b] = static_cast<std::uint8_t>(std::lower_bound(order.begin(), end, keys[b]) -
                                              order.begin());
        t.asciiKept = t.asciiKept && (b >= 0x80 || t.rank[b] == b);
    }
    return t;
}

const RankTable& codeRanks() {
    static const RankTable table = [] {
        std::array<char32_t, 256> codes{};
        for (int b = 0; b < 256; ++b)
            codes[b] = decodeByte(static_cast<unsigned char>(b));
        return rankTableFor(codes);
    }();
    return table;
}

SortKey sortKey(const NameField& name, std::uint32_t tag, const RankTable& ranks) {
    static_assert(kNameLength == 20, "the key packs 8 + 8 + 4 name bytes");
    const auto* b = reinterpret_cast<const unsigned char*>(name.data());
    std::uint64_t head[2];
    std::uint32_t tail;
    std::memcpy(head, b, 16);
    std::memcpy(&tail, b + 16, 4);
    const bool plain = ranks.asciiKept && ((head[0] | head[1] | tail) & 0x8080808080808080ull) == 0;
    const auto& rank = ranks.rank;
    SortKey k{0, 0, 0};
    for (int i = 0; i < 8; ++i) {
        k.head = (k.head << 8) | (plain ? b[i] : rank[b[i]]);
        k.middle = (k.middle << 8) | (plain ? b[8 + i] : rank[b[8 + i]]);
    }
    for (int i = 16; i < kNameLength; ++i)
        k.tail = (k.tail << 8) | (plain ? b[i] : rank[b[i]]);
    k.tail = k.tail << 32 | tag;
    return k;
}

void sortKeys(SortKey* first, SortKey* last, const std::function<void(std::size_t)>& sorted) {
    sortFrom(first, last, 0, sorted);
}

} // namespace qm
