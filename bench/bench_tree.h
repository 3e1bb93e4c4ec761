#pragma once
// Large trees for the benchmarks, built through the store's own allocation from a fixed
// seed, so every run and every program measures the same tree.

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "store/node_table.h"

namespace qm::bench {

/// A tree of `items` items, the top item included: names of 3 to 20 capital letters,
/// most items with a handful of children or none, a few with hundreds or thousands.
NodeTable makeTree(std::int32_t items, std::uint64_t seed = 2024);

/// A top item named `top` with `children` children of 12 random capitals, in one list.
NodeTable makeWide(std::string_view top, std::int32_t children);

/// A folder of its own under TMPDIR (or /tmp), removed with all it holds at the end.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string file(const char* name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

/// Deletes `count` items chosen at random among the leaves: each is unlinked from its
/// siblings and parent and its slot freed, as deleting it would.
void deleteRandomLeaves(NodeTable& table, std::int32_t count, std::uint64_t seed = 7);

} // namespace qm::bench
