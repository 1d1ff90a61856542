// Numbers stored a byte at a time in files: little-endian (BMP, GIF, the
// HTML5 painter's animations) and big-endian (PNG, JPEG). The one home of
// these reads and writes; the put forms move p past what they wrote.
#pragma once

#include <cstdint>

namespace bytes {

inline uint32_t little16(const uint8_t* p) { return p[0] | static_cast<uint32_t>(p[1]) << 8; }
inline uint32_t little32(const uint8_t* p) { return little16(p) | little16(p + 2) << 16; }
inline uint32_t big16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 8 | p[1]; }
inline uint32_t big32(const uint8_t* p) { return big16(p) << 16 | big16(p + 2); }

inline void putLittle16(uint8_t*& p, uint32_t v) {
    *p++ = static_cast<uint8_t>(v);
    *p++ = static_cast<uint8_t>(v >> 8);
}
inline void putLittle32(uint8_t*& p, uint32_t v) {
    putLittle16(p, v & 0xFFFF);
    putLittle16(p, v >> 16);
}
inline void putBig32(uint8_t*& p, uint32_t v) {
    *p++ = static_cast<uint8_t>(v >> 24);
    *p++ = static_cast<uint8_t>(v >> 16);
    *p++ = static_cast<uint8_t>(v >> 8);
    *p++ = static_cast<uint8_t>(v);
}

}  // namespace bytes
