#pragma once
// What a data file was when this program last read or wrote it, so that a change by another
// program is noticed, also one that keeps the size and puts the modification time back.

#include <QString>
#include <cstdint>
#include <optional>

namespace qm {

/// A write to a file sets its change time (ctime), which no program can set back, and a
/// replacement gives it another inode: together with the size and the modification time they
/// show any change made once the clock has moved past the recorded ctime. A change within
/// that same tick of the file system's clock is seen only in the bytes, so a state recorded
/// then keeps a hash of them too.
struct DiskState {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    std::optional<std::uint64_t> hash; // of every byte; only compared within one run

    bool sameIdentity(const DiskState& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modifiedNs == other.modifiedNs && changedNs == other.changedNs;
    }
};

/// True when a later write could leave the file's times as they are: `nowNs` has not moved
/// clearly past `changedNs` (whole seconds on file systems that keep no finer times), or the
/// times come from another machine's clock.
bool identityMayMissChange(std::int64_t changedNs, std::int64_t nowNs, bool remote);

/// The state of the regular file at `path` (a link is followed), or nothing when it cannot
/// be read. `nowNs` stands for the clock the file system stamps files with, read after the
/// file's times when below 0; tests set it.
std::optional<DiskState> readDiskState(const QString& path, std::int64_t nowNs = -1);

/// The state of a file this program has just written, `written` being the hash of the bytes
/// it wrote (a ContentHash): kept whatever the clock, and nothing read back, so a change
/// made right after the write is not taken as ours.
std::optional<DiskState> writtenDiskState(const QString& path, std::uint64_t written);

/// True when the file differs from the recorded state, or cannot be read any more.
bool changedSince(const DiskState& known, const QString& path);

} // namespace qm
