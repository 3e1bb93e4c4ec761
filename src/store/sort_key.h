#pragma once
// Names packed into integer keys, so a sort compares three words instead of twenty bytes.
// The sorted walk and the cell lists share it, each with its own order of the bytes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "store/node.h"

namespace qm {

/// Each byte's place in an order of names: comparing places compares the names.
struct RankTable {
    std::array<std::uint8_t, 256> rank{};
    bool asciiKept = false; // bytes below 80h rank as themselves: plain names need no lookup
};
/// The table of the order in which bytes compare as their `keys` do; equal keys share a place.
RankTable rankTableFor(const std::array<char32_t, 256>& keys);
/// The order of the decoded character codes, compareNames' order.
const RankTable& codeRanks();

/// A name's 20 ranks packed big-endian into three words; the low half of the last holds a
/// tag (a position or a slot). Keys compare as the names, then as their tags.
struct SortKey {
    std::uint64_t head;
    std::uint64_t middle;
    std::uint64_t tail; // ranks 16..19, then the tag

    bool operator<(const SortKey& o) const {
        if (head != o.head)
            return head < o.head;
        if (middle != o.middle)
            return middle < o.middle;
        return tail < o.tail;
    }
    std::uint32_t tag() const { return static_cast<std::uint32_t>(tail); }
    void setTag(std::uint32_t tag) { tail = (tail & ~std::uint64_t(0xFFFFFFFF)) | tag; }
    /// Rank `depth` (0..19) of the name.
    std::uint8_t rankAt(int depth) const {
        const std::uint64_t word = depth < 8 ? head : depth < 16 ? middle : tail >> 32;
        const int shift = depth < 16 ? 56 - 8 * (depth % 8) : 24 - 8 * (depth - 16);
        return static_cast<std::uint8_t>(word >> shift);
    }
};

SortKey sortKey(const NameField& name, std::uint32_t tag, const RankTable& ranks);

/// Sorts keys in place and without a second buffer: long ranges are first split by rank,
/// which mispredicts far less than comparing. `sorted`, when given, hears of each range
/// that found its place, with its size.
void sortKeys(SortKey* first, SortKey* last,
              const std::function<void(std::size_t sorted)>& sorted = {});

} // namespace qm
