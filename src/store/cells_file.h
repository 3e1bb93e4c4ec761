#pragma once
// The cells file: which node each of the 15 cells of the main window showed.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qm {

constexpr int kCellCount = 15;
constexpr int kCellRecordSize = 18;

struct Cell {
    std::int16_t PrevCel = -1;
    std::int16_t NextCel = -1;
    std::int32_t Nod = 0;
    std::int32_t PrevNod = 0;
    std::int32_t NextNod = 0;
    std::int16_t Mode = 0;
    bool operator==(const Cell&) const = default;
};

using CellArray = std::array<Cell, kCellCount>;

/// Reads the records present in a cells file (up to 15; fewer when it is short).
/// Records naming nodes outside the tree (`inTree`, per slot) or cells outside -1..14 come
/// back empty. A missing or unreadable file gives no records.
std::vector<Cell> readCellsFile(const std::string& path, const std::vector<bool>& inTree);
std::vector<Cell> decodeCells(const std::string& bytes, const std::vector<bool>& inTree);

/// The 15 records as the cells file holds them.
std::string encodeCells(const CellArray& cells);
/// Writes the 15 records safely; false with the reason on failure. A link in the cells
/// file's place is replaced, never written through.
bool writeCellsFile(const std::string& path, const CellArray& cells, std::string& error);

} // namespace qm
