#include "store/content_hash.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "store/posix_file.h"

namespace qm {

namespace {

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ULL;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4FULL;

std::uint64_t mix(std::uint64_t lane, std::uint64_t word) {
    return std::rotl(lane + word * kPrime2, 31) * kPrime1;
}

} // namespace

void ContentHash::block(const unsigned char* p) {
    // Four independent lanes keep the multiplier busy instead of waiting on one chain.
    for (int i = 0; i < 4; ++i) {
        std::uint64_t word = 0;
        std::memcpy(&word, p + 8 * i, 8);
        m_lanes[i] = mix(m_lanes[i], word);
    }
}

void ContentHash::add(const char* data, std::size_t size) {
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    m_total += size;
    if (m_tailSize > 0) {
        const std::size_t take = std::min(size, kBlock - m_tailSize);
        std::memcpy(m_tail + m_tailSize, p, take);
        m_tailSize += take;
        p += take;
        size -= take;
        if (m_tailSize < kBlock)
            return;
        block(m_tail);
        m_tailSize = 0;
    }
    for (; size >= kBlock; p += kBlock, size -= kBlock)
        block(p);
    std::memcpy(m_tail, p, size);
    m_tailSize = size;
}

std::uint64_t ContentHash::value() const {
    std::uint64_t h = m_total * kPrime1;
    for (const std::uint64_t lane : m_lanes)
        h = mix(h, lane);
    for (std::size_t i = 0; i < m_tailSize; ++i)
        h = mix(h, m_tail[i]);
    return h ^ (h >> 29);
}

std::optional<std::uint64_t> hashRemainingBytes(int fd) {
    ContentHash hash;
    std::vector<char> buffer(std::size_t(1) << 20);
    for (;;) {
        const ssize_t n = readSome(fd, buffer.data(), buffer.size());
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            return hash.value();
        hash.add(buffer.data(), std::size_t(n));
    }
}

std::optional<std::uint64_t> hashFileBytes(const std::string& path) {
    std::string ignored;
    const FileDescriptor fd(openRegular(path, ignored));
    if (fd.get() < 0)
        return std::nullopt;
    return hashRemainingBytes(fd.get());
}

} // namespace qm
