#include "settings/disk_state.h"

#include <QFile>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <string_view>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <vector>

namespace qm {

namespace {

constexpr std::size_t kChunk = std::size_t(1) << 20;
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

// Fills the buffer unless the file ends first, so the chunks (and so the hash) never depend
// on how the reads happened to be split.
ssize_t readChunk(int fd, char* data, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, data + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += std::size_t(n);
    }
    return ssize_t(got);
}

std::optional<std::uint64_t> hashBytes(int fd) {
    std::uint64_t hash = 0;
    std::vector<char> buffer(kChunk);
    for (;;) {
        const ssize_t n = readChunk(fd, buffer.data(), buffer.size());
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            return hash;
        const std::size_t h = std::hash<std::string_view>{}({buffer.data(), std::size_t(n)});
        hash = (hash ^ h) * 0x100000001b3ULL;
    }
}

enum class Hash { IfIdentityMayMissChange, Always, Never };

std::optional<DiskState> record(const QString& path, std::int64_t nowNs, Hash mode) {
    // Not waiting for a writer on a pipe; a regular file ignores the flag.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    std::optional<DiskState> state;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        state =
            DiskState{std::uint64_t(st.st_dev), std::uint64_t(st.st_ino), std::int64_t(st.st_size),
                      nanoseconds(st.st_mtim),  nanoseconds(st.st_ctim),  std::nullopt};
        if (nowNs < 0) {
            struct timespec now {};
            ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
            nowNs = nanoseconds(now);
        }
        if (mode == Hash::Always ||
            (mode == Hash::IfIdentityMayMissChange &&
             identityMayMissChange(state->changedNs, nowNs, remoteFileSystem(fd)))) {
            state->hash = hashBytes(fd);
            if (!state->hash)
                state.reset();
        }
    }
    ::close(fd);
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

bool changedSince(const DiskState& known, const QString& path) {
    const std::optional<DiskState> now = record(path, -1, known.hash ? Hash::Always : Hash::Never);
    if (!now || !now->sameIdentity(known))
        return true;
    return known.hash && now->hash != known.hash;
}

} // namespace qm
