#pragma once
// The few system calls every reader and writer of files needs, each done one way: reads and
// writes that go on after a signal, regular files only, links followed on purpose.

#include <cstddef>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace qm {

/// The system's words for an error number.
std::string errnoText(int err);
/// Why a file of this mode is not read or replaced, in the settings' two words: "it is a
/// folder", "it is not a regular file".
std::string notRegularReason(mode_t mode);
/// What else than a file this mode is ("it is a folder", "it is a pipe (FIFO)", "it is a
/// socket", "it is a device"), or nullptr for a regular file or a link.
const char* otherKind(mode_t mode);

/// An open file, closed when it goes.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor();
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

/// Opens a regular file for reading, without waiting on a pipe or taking a terminal; -1
/// with the reason. `st`, when given, receives what was opened.
int openRegular(const std::string& path, std::string& error, struct stat* st = nullptr);

/// read(2), again after a signal: the bytes read, 0 at the end, -1 on an error (errno set).
ssize_t readSome(int fd, void* buffer, std::size_t size);
/// Appends what is left of the file, at most `limit` bytes, to `bytes`; false with the reason.
bool readUpTo(int fd, std::size_t limit, std::string& bytes, std::string& error);
/// Reads exactly `size` bytes; false with the reason when the file fails or ends sooner.
bool readExactly(int fd, char* buffer, std::size_t size, std::string& error);
/// Writes all of `data`, again after a signal; false with errno set.
bool writeAll(int fd, const char* data, std::size_t size);

/// The file a symbolic link leads to, the path itself when it is no link, nothing when
/// the link cannot be followed.
std::optional<std::string> resolveLink(const std::string& path);
/// What is at the path when it is something else than a file, in otherKind's words; empty
/// for a file or nothing at all.
std::string notAFile(const std::string& path);
/// True when a regular file (or a link to one) exists at the path.
bool regularFileExists(const std::string& path);

} // namespace qm
