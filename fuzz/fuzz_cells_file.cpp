// Feeds arbitrary bytes to the cells file reader. The input starts with the tree it is
// checked against: a 16-bit slot count and a bit per slot, then the cells bytes.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "store/cells_file.h"

namespace {

bool inTreeAt(const std::vector<bool>& inTree, std::int32_t slot) {
    return slot >= 1 && static_cast<std::size_t>(slot) < inTree.size() && inTree[slot];
}

bool validCell(std::int16_t c) {
    return c >= -1 && c < qm::kCellCount;
}

std::int32_t field(const std::string& bytes, std::size_t at, int width) {
    std::uint32_t v = 0;
    for (int i = 0; i < width; ++i)
        v |= std::uint32_t(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return width == 2 ? static_cast<std::int16_t>(v) : static_cast<std::int32_t>(v);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::size_t slots = (data[0] | (data[1] << 8)) % 4096;
    std::size_t pos = 2;
    std::vector<bool> inTree(slots, false);
    for (std::size_t k = 0; k < slots && pos + k / 8 < size; ++k)
        inTree[k] = (data[pos + k / 8] >> (k % 8)) & 1;
    pos = std::min(size, pos + (slots + 7) / 8);
    const std::string bytes(reinterpret_cast<const char*>(data) + pos, size - pos);

    const std::vector<qm::Cell> cells = qm::decodeCells(bytes, inTree);
    CHECK(cells.size() ==
          std::min<std::size_t>(bytes.size() / qm::kCellRecordSize, qm::kCellCount));
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const qm::Cell& c = cells[i];
        if (c == qm::Cell{})
            continue;
        CHECK(inTreeAt(inTree, c.Nod));
        CHECK(validCell(c.PrevCel) && validCell(c.NextCel));
        CHECK(c.PrevNod == 0 || inTreeAt(inTree, c.PrevNod));
        CHECK(c.NextNod == 0 || inTreeAt(inTree, c.NextNod));
        // A kept record keeps its fields; only a stale neighbour link may be dropped.
        const std::size_t at = i * qm::kCellRecordSize;
        CHECK(c.NextCel == field(bytes, at + 2, 2));
        CHECK(c.Nod == field(bytes, at + 4, 4));
        CHECK(c.Mode == field(bytes, at + 16, 2));
        const std::int32_t prevNod = field(bytes, at + 8, 4);
        if (c.PrevNod == prevNod)
            CHECK(c.PrevCel == field(bytes, at, 2));
        else
            CHECK(c.PrevNod == 0 && c.PrevCel == -1);
        const std::int32_t nextNod = field(bytes, at + 12, 4);
        CHECK(c.NextNod == nextNod || c.NextNod == 0);
    }
    return 0;
}
