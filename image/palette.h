// Palettes as the PNG and GIF writers store them: red, green, blue bytes per
// entry.
#pragma once

#include <cstdint>

// count census colours (0x00RRGGBB) as red, green, blue bytes into out.
inline void packPalette(const uint32_t* palette, int count, uint8_t* out) {
    for (int i = 0; i < count; ++i, out += 3) {
        out[0] = static_cast<uint8_t>(palette[i] >> 16);
        out[1] = static_cast<uint8_t>(palette[i] >> 8);
        out[2] = static_cast<uint8_t>(palette[i]);
    }
}

// The first of count packed entries that is the user colour transparent
// (0x00BBGGRR); -1 when none is.
inline int transparentEntry(const uint8_t* packed, uint32_t count, int32_t transparent) {
    const uint8_t r = static_cast<uint8_t>(transparent), g = static_cast<uint8_t>(transparent >> 8),
                  b = static_cast<uint8_t>(transparent >> 16);
    for (uint32_t i = 0; packed && i < count; ++i, packed += 3) {
        if (packed[0] == r && packed[1] == g && packed[2] == b) return static_cast<int>(i);
    }
    return -1;
}
