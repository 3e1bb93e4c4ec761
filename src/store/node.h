#pragma once
// One item of the tree as it sits in the node table and, 38 bytes wide, in the data file.

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace qm {

constexpr int kNameLength = 20;
constexpr std::uint8_t kSlotInUse = 255;
constexpr std::uint8_t kSlotFree = 0;

/// A name field: 20 bytes in the Windows-1252 code page, padded with spaces.
using NameField = std::array<char, kNameLength>;

struct Node {
    std::int32_t Parent = 0;
    std::int32_t FirstChild = 0;
    std::int32_t PrevSibling = 0;
    std::int32_t NextSibling = 0;
    std::uint8_t Level = 0;
    std::uint8_t InUse = kSlotFree;
    NameField Name{};

    bool inUse() const { return InUse != kSlotFree; }
    // A link below 1 means none.
    bool hasChildren() const { return FirstChild >= 1; }
    bool hasNext() const { return NextSibling >= 1; }
    bool hasPrev() const { return PrevSibling >= 1; }
    bool operator==(const Node&) const = default;
};

/// Pads or cuts bytes to a name field.
NameField makeName(std::string_view bytes);
/// One bit per byte of the word that is not a space, gathered into the low 8 bits.
inline std::uint32_t nonSpaceBits(std::uint64_t word) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    constexpr std::uint64_t kHigh1 = 0x8080808080808080ull;
    const std::uint64_t x = word ^ 0x2020202020202020ull;
    const std::uint64_t flags = (((x & kLow7) + kLow7) | x) & kHigh1;
    return static_cast<std::uint32_t>((flags * 0x0002040810204081ull) >> 56);
}

/// The name field without its leading and trailing spaces (only spaces are trimmed).
/// Searches trim every name they test, so both ends are found with word operations.
inline std::string_view trimmedName(const NameField& name) {
    static_assert(std::endian::native == std::endian::little, "the bit order below");
    std::uint64_t w0, w1;
    std::uint32_t w2;
    std::memcpy(&w0, name.data(), 8);
    std::memcpy(&w1, name.data() + 8, 8);
    std::memcpy(&w2, name.data() + 16, 4);
    // The last four bytes are widened in a register: stored into a word in memory and read
    // back whole, they would stall the processor.
    const std::uint32_t mask = nonSpaceBits(w0) | nonSpaceBits(w1) << 8 |
                               (nonSpaceBits(0x2020202000000000ull | w2) & 0x0F) << 16;
    if (mask == 0)
        return {};
    const int first = std::countr_zero(mask);
    const int end = 32 - std::countl_zero(mask);
    return {name.data() + first, static_cast<std::size_t>(end - first)};
}

/// The signature record: slot 0 of every table and record 0 of every data file.
Node nodeHeader();

} // namespace qm
