#include "settings/disk_state.h"

#include <QFile>
#include <ctime>
#include <sys/stat.h>
#include <sys/vfs.h>

#include "store/content_hash.h"
#include "store/posix_file.h"

namespace qm {

namespace {

constexpr std::int64_t kNsPerSecond = 1'000'000'000;
// Longer than a tick of the clock files are stamped with, on every kernel configuration.
constexpr std::int64_t kTickMarginNs = 20'000'000;

std::int64_t nanoseconds(const struct timespec& t) {
    return std::int64_t(t.tv_sec) * kNsPerSecond + t.tv_nsec;
}

// Network file systems stamp files with the server's clock.
bool remoteFileSystem(int fd) {
    struct statfs fs {};
    if (::fstatfs(fd, &fs) != 0)
        return true;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x6969UL:     // NFS
    case 0x517BUL:     // SMB
    case 0xFF534D42UL: // CIFS
    case 0xFE534D42UL: // SMB2
    case 0x65735546UL: // FUSE
    case 0x01021997UL: // 9P
    case 0x00C36400UL: // Ceph
    case 0x5346414FUL: // AFS
        return true;
    default:
        return false;
    }
}

enum class Hash { IfIdentityMayMissChange, Always, Never };

std::optional<DiskState> record(const QString& path, std::int64_t nowNs, Hash mode) {
    struct stat st {};
    std::string ignored; // a file that is gone or odd has no state to compare
    const FileDescriptor file(openRegular(QFile::encodeName(path).toStdString(), ignored, &st));
    const int fd = file.get();
    if (fd < 0)
        return std::nullopt;
    DiskState state{std::uint64_t(st.st_dev), std::uint64_t(st.st_ino), std::int64_t(st.st_size),
                    nanoseconds(st.st_mtim),  nanoseconds(st.st_ctim),  std::nullopt};
    if (nowNs < 0) {
        struct timespec now {};
        ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
        nowNs = nanoseconds(now);
    }
    if (mode == Hash::Always ||
        (mode == Hash::IfIdentityMayMissChange &&
         identityMayMissChange(state.changedNs, nowNs, remoteFileSystem(fd)))) {
        state.hash = hashRemainingBytes(fd);
        if (!state.hash)
            return std::nullopt;
    }
    return state;
}

} // namespace

bool identityMayMissChange(std::int64_t changedNs, std::int64_t nowNs, bool remote) {
    // A time without a fraction most likely comes from a file system that keeps seconds.
    const std::int64_t margin = changedNs % kNsPerSecond == 0 ? 2 * kNsPerSecond : kTickMarginNs;
    return remote || nowNs - changedNs < margin;
}

std::optional<DiskState> readDiskState(const QString& path, std::int64_t nowNs) {
    return record(path, nowNs, Hash::IfIdentityMayMissChange);
}

std::optional<DiskState> writtenDiskState(const QString& path, std::uint64_t written) {
    std::optional<DiskState> state = record(path, -1, Hash::Never);
    if (state)
        state->hash = written;
    return state;
}

bool changedSince(const DiskState& known, const QString& path) {
    const std::optional<DiskState> now = record(path, -1, known.hash ? Hash::Always : Hash::Never);
    if (!now || !now->sameIdentity(known))
        return true;
    return known.hash && now->hash != known.hash;
}

} // namespace qm
