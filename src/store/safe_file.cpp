#include "store/safe_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace fs = std::filesystem;

namespace {

std::string describeErrno(int err) {
    return std::strerror(err);
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// A link is replaced by writing through to its target, so the link itself survives.
std::string resolveTarget(const std::string& path) {
    std::error_code ec;
    if (fs::is_symlink(path, ec)) {
        const fs::path target = fs::weakly_canonical(path, ec);
        if (!ec)
            return target.string();
    }
    return path;
}

mode_t newFileMode(const std::string& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0)
        return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

bool writeFileSafely(const std::string& path, const std::function<bool(const ByteSink&)>& produce,
                     std::string& error) {
    const std::string target = resolveTarget(path);
    std::error_code ec;
    if (fs::is_directory(target, ec)) {
        error = "it is a folder";
        return false;
    }
    fs::path folder = fs::path(target).parent_path();
    if (folder.empty())
        folder = ".";
    std::string tmpl = (folder / ("." + fs::path(target).filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        error = "cannot create a file in " + folder.string() + ": " + describeErrno(errno);
        return false;
    }
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
    if (writeErr == 0 && ::fchmod(fd, newFileMode(target)) != 0)
        writeErr = errno;
    if (writeErr == 0 && ::fsync(fd) != 0)
        writeErr = errno;
    if (::close(fd) != 0 && writeErr == 0)
        writeErr = errno;
    if (writeErr == 0 && ::rename(tmpl.c_str(), target.c_str()) != 0)
        writeErr = errno;
    if (writeErr != 0) {
        ::unlink(tmpl.c_str());
        error = describeErrno(writeErr);
        return false;
    }
    // Make the rename itself durable.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

bool readWholeFile(const std::string& path, std::string& bytes, std::string& error) {
    // Opening a pipe must not wait for a writer; regular files ignore the flag.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = describeErrno(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a regular file";
        ::close(fd);
        return false;
    }
    bytes.clear();
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = describeErrno(errno);
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

bool copyFileSafely(const std::string& from, const std::string& to, std::string& error) {
    std::string bytes;
    if (!readWholeFile(from, bytes, error))
        return false;
    return writeFileSafely(
        to, [&](const ByteSink& sink) { return sink(bytes.data(), bytes.size()); }, error);
}

bool regularFileExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
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
