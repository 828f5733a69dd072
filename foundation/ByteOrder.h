#pragma once
// Little-endian loads and stores: every binary record the game keeps in files
// is little-endian, whatever the machine that reads it.

#include <cstdint>
#include <cstring>
#include <vector>

namespace kis {

inline uint16_t LoadLE16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t LoadLE32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline void StoreLE16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void StoreLE32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// Appends n bytes to a byte buffer; the place they went. The buffer grows
// and is written in place: GCC 12 takes an insert of a byte range into an
// empty vector for an overflow (-Wstringop-overflow) in optimised builds.
inline uint8_t* AppendBytes(std::vector<uint8_t>& out, const void* bytes, size_t n) {
    const size_t at = out.size();
    out.resize(at + n);
    if (n && bytes) std::memcpy(out.data() + at, bytes, n);
    return out.data() + at;
}

inline void AppendLE16(std::vector<uint8_t>& out, uint16_t v) {
    StoreLE16(AppendBytes(out, nullptr, 2), v);
}

inline void AppendLE32(std::vector<uint8_t>& out, uint32_t v) {
    StoreLE32(AppendBytes(out, nullptr, 4), v);
}

} // namespace kis
