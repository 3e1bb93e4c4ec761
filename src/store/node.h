#pragma once
// One item of the tree as it sits in the node table and, 38 bytes wide, in the data file.

#include <array>
#include <cstdint>
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
/// The name field without its leading and trailing spaces (only spaces are trimmed).
std::string_view trimmedName(const NameField& name);

/// The signature record: slot 0 of every table and record 0 of every data file.
Node nodeHeader();

} // namespace qm
