#pragma once
// What a data file held when this program last read or wrote it, so a change by another
// program is noticed even when it kept the size and the modification time.

#include <QString>
#include <cstdint>
#include <optional>

namespace qm {

struct DiskState {
    std::int64_t size = 0;
    std::uint64_t hash = 0; // of every byte; only compared within one run

    bool operator==(const DiskState&) const = default;
};

/// The state of the regular file at `path` (a link is followed), or nothing when it cannot
/// be read.
std::optional<DiskState> readDiskState(const QString& path);

} // namespace qm
