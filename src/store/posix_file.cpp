#include "store/posix_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace qm {

namespace fs = std::filesystem;

std::string errnoText(int err) {
    return std::strerror(err);
}

std::string notRegularReason(mode_t mode) {
    return S_ISDIR(mode) ? "it is a folder" : "it is not a regular file";
}

const char* otherKind(mode_t mode) {
    if (S_ISREG(mode) || S_ISLNK(mode))
        return nullptr;
    if (S_ISDIR(mode))
        return "it is a folder";
    if (S_ISFIFO(mode))
        return "it is a pipe (FIFO)";
    if (S_ISSOCK(mode))
        return "it is a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "it is a device";
    return "it is not a regular file";
}

FileDescriptor::~FileDescriptor() {
    if (m_fd >= 0)
        ::close(m_fd);
}

int openRegular(const std::string& path, std::string& error, struct stat* st) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        error = errnoText(errno);
        return -1;
    }
    struct stat own {};
    struct stat& s = st ? *st : own;
    if (::fstat(fd, &s) != 0) {
        error = errnoText(errno);
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(s.st_mode)) {
        const char* kind = otherKind(s.st_mode);
        error = kind ? kind : "it is not a regular file";
        ::close(fd);
        return -1;
    }
    return fd;
}

ssize_t readSome(int fd, void* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

bool readUpTo(int fd, std::size_t limit, std::string& bytes, std::string& error) {
    char buffer[1 << 16];
    while (limit > 0) {
        const ssize_t n = readSome(fd, buffer, std::min(sizeof buffer, limit));
        if (n < 0) {
            error = errnoText(errno);
            return false;
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
        limit -= static_cast<std::size_t>(n);
    }
    return true;
}

bool readExactly(int fd, char* buffer, std::size_t size, std::string& error) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = readSome(fd, buffer + got, size - got);
        if (n <= 0) {
            error = n < 0 ? errnoText(errno) : "it became shorter while being read";
            return false;
        }
        got += static_cast<std::size_t>(n);
    }
    return true;
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

std::optional<std::string> resolveLink(const std::string& path) {
    std::error_code ec;
    if (!fs::is_symlink(path, ec))
        return path;
    const fs::path target = fs::weakly_canonical(path, ec);
    if (ec)
        return std::nullopt;
    return target.string();
}

std::string notAFile(const std::string& path) {
    struct stat st {};
    const char* kind = ::stat(path.c_str(), &st) == 0 ? otherKind(st.st_mode) : nullptr;
    return kind ? kind : "";
}

bool regularFileExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

} // namespace qm
