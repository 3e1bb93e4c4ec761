#include "store/cells_file.h"

#include <cstring>

#include "store/byte_order.h"
#include "store/safe_file.h"

namespace qm {

namespace {

using namespace bytes;

bool validCell(std::int16_t c) {
    return c >= -1 && c < kCellCount;
}

bool inTreeAt(const std::vector<bool>& inTree, std::int32_t slot) {
    return slot >= 1 && static_cast<std::size_t>(slot) < inTree.size() && inTree[slot];
}

// A record that names nothing usable comes back empty; a stale neighbour link is dropped.
Cell sanitize(Cell c, const std::vector<bool>& inTree) {
    if (!inTreeAt(inTree, c.Nod) || !validCell(c.PrevCel) || !validCell(c.NextCel))
        return Cell{};
    if (c.PrevNod != 0 && !inTreeAt(inTree, c.PrevNod)) {
        c.PrevNod = 0;
        c.PrevCel = -1;
    }
    if (c.NextNod != 0 && !inTreeAt(inTree, c.NextNod))
        c.NextNod = 0;
    return c;
}

} // namespace

std::vector<Cell> decodeCells(const std::string& bytes, const std::vector<bool>& inTree) {
    std::vector<Cell> cells;
    const std::size_t count = std::min<std::size_t>(bytes.size() / kCellRecordSize, kCellCount);
    for (std::size_t i = 0; i < count; ++i) {
        const char* r = bytes.data() + i * kCellRecordSize;
        Cell c;
        c.PrevCel = getI16(r);
        c.NextCel = getI16(r + 2);
        c.Nod = getI32(r + 4);
        c.PrevNod = getI32(r + 8);
        c.NextNod = getI32(r + 12);
        c.Mode = getI16(r + 16);
        cells.push_back(sanitize(c, inTree));
    }
    return cells;
}

std::vector<Cell> readCellsFile(const std::string& path, const std::vector<bool>& inTree) {
    std::string bytes;
    std::string error;
    // However long the file has grown, only its 15 records are read.
    if (!regularFileExists(path) ||
        !readFileStart(path, kCellCount * kCellRecordSize, bytes, error))
        return {};
    return decodeCells(bytes, inTree);
}

std::string encodeCells(const CellArray& cells) {
    std::string bytes(kCellCount * kCellRecordSize, '\0');
    for (int i = 0; i < kCellCount; ++i) {
        char* r = bytes.data() + i * kCellRecordSize;
        putI16(r, cells[i].PrevCel);
        putI16(r + 2, cells[i].NextCel);
        putI32(r + 4, cells[i].Nod);
        putI32(r + 8, cells[i].PrevNod);
        putI32(r + 12, cells[i].NextNod);
        putI16(r + 16, cells[i].Mode);
    }
    return bytes;
}

bool writeCellsFile(const std::string& path, const CellArray& cells, std::string& error) {
    const std::string bytes = encodeCells(cells);
    return writeFileSafely(
        path, [&](const ByteSink& sink) { return sink(bytes.data(), bytes.size()); }, error,
        kCompanionRules);
}

} // namespace qm
