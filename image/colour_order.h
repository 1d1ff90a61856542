// Rows of 3-byte pixels between the picture's blue, green, red order and
// PNG's red, green, blue: the same swap of the first and third byte either way.
#pragma once

#include <cstdint>
#include <cstring>

// Every pixel but the last goes as one word: its bytes reversed and shifted
// down, the fourth byte written being the first of the next pixel, which is
// written after it. from and to must not overlap.
inline void swapRedAndBlue(const uint8_t* from, uint8_t* to, int32_t width) {
    for (int32_t x = 1; x < width; ++x, from += 3, to += 3) {
        uint32_t word;
        std::memcpy(&word, from, 4);
        word = __builtin_bswap32(word) >> 8;
        std::memcpy(to, &word, 4);
    }
    to[0] = from[2];
    to[1] = from[1];
    to[2] = from[0];
}
