#pragma once
// Little-endian field access for the records of the data, cells and recovery files.

#include <cstdint>

namespace qm::bytes {

inline void putI16(char* out, std::int16_t v) {
    const auto u = static_cast<std::uint16_t>(v);
    out[0] = static_cast<char>(u & 0xFF);
    out[1] = static_cast<char>(u >> 8);
}

inline void putI32(char* out, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

inline void putU64(char* out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i)
        out[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

inline std::int16_t getI16(const char* in) {
    const auto* b = reinterpret_cast<const unsigned char*>(in);
    return static_cast<std::int16_t>(std::uint16_t(b[0]) | (std::uint16_t(b[1]) << 8));
}

inline std::int32_t getI32(const char* in) {
    const auto* b = reinterpret_cast<const unsigned char*>(in);
    return static_cast<std::int32_t>(std::uint32_t(b[0]) | (std::uint32_t(b[1]) << 8) |
                                     (std::uint32_t(b[2]) << 16) | (std::uint32_t(b[3]) << 24));
}

inline std::uint64_t getU64(const char* in) {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v |= std::uint64_t(static_cast<unsigned char>(in[i])) << (8 * i);
    return v;
}

} // namespace qm::bytes
