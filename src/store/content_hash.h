#pragma once
// A fast hash of a byte stream, to tell whether a file still holds the bytes last seen.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace qm {

/// The same bytes give the same value however they are split into pieces, so the bytes a
/// save writes and the bytes read back later can be compared. Not for security.
class ContentHash {
public:
    void add(const char* data, std::size_t size);
    std::uint64_t value() const;

private:
    static constexpr std::size_t kBlock = 32; // four lanes of eight bytes
    void block(const unsigned char* p);

    std::uint64_t m_lanes[4] = {0x9E3779B185EBCA87ULL, 0xC2B2AE3D27D4EB4FULL, 0x165667B19E3779F9ULL,
                                0x27D4EB2F165667C5ULL};
    unsigned char m_tail[kBlock] = {};
    std::size_t m_tailSize = 0;
    std::uint64_t m_total = 0;
};

/// The hash of every byte read from `fd` from where it stands to its end; nothing when a
/// read fails.
std::optional<std::uint64_t> hashRemainingBytes(int fd);
/// The hash of a regular file's bytes; nothing when it cannot be read.
std::optional<std::uint64_t> hashFileBytes(const std::string& path);

} // namespace qm
