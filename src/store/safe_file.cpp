#include "store/safe_file.h"

#include "store/message_text.h"

#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qm {

namespace fs = std::filesystem;

namespace {

// A temporary file is named ".<file>.qmtmp-<pid>-XXXXXX" and locked by its writer while
// it is written. A leftover is removed only when both say its writer is gone: no process
// of that id lives here, and nobody holds the lock (a writer in another process space, or
// on another machine sharing the folder, still holds it).
constexpr std::string_view kTempMark = ".qmtmp-";
// Leaves room in a file name for the mark, a process id and mkstemp's six characters.
constexpr std::size_t kMaxNamePart = 200;
constexpr std::size_t kRandomPart = 6;

mode_t defaultFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool readOnly(const std::string& path, const struct stat& st) {
    return (st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

std::string tempPrefix(const fs::path& target) {
    std::string name = target.filename().string();
    if (name.size() > kMaxNamePart)
        name.resize(kMaxNamePart);
    return "." + name + std::string(kTempMark);
}

// The writer's process id in what follows the prefix ("<pid>-XXXXXX"), or 0.
pid_t leftoverWriter(std::string_view rest) {
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash > 9 || rest.size() != dash + 1 + kRandomPart)
        return 0;
    pid_t pid = 0;
    for (const char c : rest.substr(0, dash)) {
        if (c < '0' || c > '9')
            return 0;
        pid = pid * 10 + (c - '0');
    }
    for (const char c : rest.substr(dash + 1)) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            return 0;
    }
    return pid;
}

bool processGone(pid_t pid) {
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Removes the temporary files that interrupted saves of one file left in its folder.
void removeLeftovers(const fs::path& folder, const std::string& prefix) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.substr(0, prefix.size()) != prefix)
            continue;
        const pid_t writer = leftoverWriter(name.substr(prefix.size()));
        if (writer <= 0 || !processGone(writer))
            continue;
        const int fd =
            ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat opened {};
        struct stat named {};
        // The lock is held while the name is checked and removed, so it is this very file.
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_dev == opened.st_dev && named.st_ino == opened.st_ino)
            ::unlinkat(dirFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(dir);
}

} // namespace

std::string outputRefusal(const std::string& path, const WriteRules& rules) {
    struct stat st {};
    const bool exists =
        (rules.followLink ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) == 0;
    // Writing over any of these would not leave a file behind, or would feed what reads them.
    if (const char* kind = exists ? otherKind(st.st_mode) : nullptr)
        return kind;
    // The same file by device and inode: another spelling, a hard link, a link to it.
    struct stat source {};
    if (exists && !rules.source.empty() &&
        ::stat(std::string(rules.source).c_str(), &source) == 0 && source.st_dev == st.st_dev &&
        source.st_ino == st.st_ino)
        return "it is " + shownText(rules.source) + " itself, which is being read";
    if (!rules.replace) {
        struct stat any {};
        if (exists || ::lstat(path.c_str(), &any) == 0)
            return std::string(kExistsRefusal);
    }
    if (exists && rules.keepReadOnly && S_ISREG(st.st_mode) && readOnly(path, st))
        return "it is read-only";
    return {};
}

bool writeFileSafely(const std::string& path, const std::function<bool(const ByteSink&)>& produce,
                     std::string& error, const WriteRules& rules) {
    error = outputRefusal(path, rules);
    if (!error.empty())
        return false;
    // A link is replaced by writing through to its target, so the link itself survives.
    const std::string target = rules.followLink ? resolveLink(path).value_or(path) : path;
    struct stat st {};
    const bool replacesFile =
        (rules.followLink ? ::stat(target.c_str(), &st) : ::lstat(target.c_str(), &st)) == 0 &&
        S_ISREG(st.st_mode);
    const mode_t mode = replacesFile ? (st.st_mode & 07777) : defaultFileMode();

    std::string tmpl;
    const int fd = createTempBeside(target, tmpl, error);
    if (fd < 0)
        return false;
    int writeErr = 0;
    const ByteSink sink = [&](const char* data, std::size_t size) {
        if (writeErr != 0)
            return false;
        if (!writeAll(fd, data, size))
            writeErr = errno;
        return writeErr == 0;
    };
    const bool produced = produce(sink);
    if (writeErr == 0 && !produced)
        writeErr = ECANCELED;
    if (writeErr == 0 && ::fchmod(fd, mode) != 0)
        writeErr = errno;
    if (writeErr == 0 && ::fsync(fd) != 0)
        writeErr = errno;
    if (writeErr == 0 && ::rename(tmpl.c_str(), target.c_str()) != 0)
        writeErr = errno;
    if (writeErr != 0) {
        ::unlink(tmpl.c_str());
        ::close(fd);
        error = errnoText(writeErr);
        return false;
    }
    ::close(fd);
    syncFolderOf(target);
    return true;
}

int createTempBeside(const std::string& target, std::string& tempPath, std::string& error) {
    fs::path folder = fs::path(target).parent_path();
    if (folder.empty())
        folder = ".";
    const std::string prefix = tempPrefix(target);
    removeLeftovers(folder, prefix);
    tempPath = (folder / (prefix + std::to_string(::getpid()) + "-XXXXXX")).string();
    const int fd = ::mkostemp(tempPath.data(), O_CLOEXEC);
    if (fd < 0) {
        error = "cannot create a file in " + shownText(folder.string()) + ": " + errnoText(errno);
        return -1;
    }
    // Held until the file is renamed or removed: while it is, no other save takes it for
    // a leftover.
    ::flock(fd, LOCK_EX | LOCK_NB);
    return fd;
}

void syncFolderOf(const std::string& path) {
    fs::path folder = fs::path(path).parent_path();
    if (folder.empty())
        folder = ".";
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

bool readWholeFile(const std::string& path, std::string& bytes, std::string& error) {
    struct stat st {};
    const FileDescriptor fd(openRegular(path, error, &st));
    if (fd.get() < 0)
        return false;
    bytes.clear();
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    return readUpTo(fd.get(), static_cast<std::size_t>(-1), bytes, error);
}

bool readFileStart(const std::string& path, std::size_t limit, std::string& bytes,
                   std::string& error) {
    const FileDescriptor fd(openRegular(path, error));
    if (fd.get() < 0)
        return false;
    bytes.clear();
    return readUpTo(fd.get(), limit, bytes, error);
}

bool copyFileSafely(const std::string& from, const std::string& to, std::string& error) {
    const FileDescriptor file(openRegular(from, error));
    const int fd = file.get();
    if (fd < 0)
        return false;
    std::string readError;
    const bool ok = writeFileSafely(
        to,
        [&](const ByteSink& sink) {
            std::vector<char> buffer(1 << 16);
            for (;;) {
                const ssize_t n = readSome(fd, buffer.data(), buffer.size());
                if (n < 0) {
                    readError = errnoText(errno);
                    return false;
                }
                if (n == 0)
                    return true;
                if (!sink(buffer.data(), static_cast<std::size_t>(n)))
                    return false;
            }
        },
        error, kCompanionRules);
    if (!readError.empty())
        error = readError;
    return ok;
}

std::string companionPath(const std::string& dataPath, char last) {
    if (dataPath.empty())
        return dataPath;
    std::string p = dataPath;
    // Replace the last character, not just its last byte, of a UTF-8 path.
    while (p.size() > 1 && (static_cast<unsigned char>(p.back()) & 0xC0) == 0x80)
        p.pop_back();
    p.back() = last;
    // A data file whose name already ends in that letter would be its own companion:
    // it has none, rather than being overwritten by it.
    return p == dataPath ? std::string() : p;
}

} // namespace qm
