// Size arithmetic on lengths that come from outside: every product and sum is
// tested before it is formed, so nothing wraps past 32 bits.
#pragma once

#include <cstdint>

// False (and product untouched) when a × b does not fit in 32 bits.
inline bool multiplyChecked(uint32_t a, uint32_t b, uint32_t& product) {
    if (a != 0 && b > UINT32_MAX / a) return false;
    product = a * b;
    return true;
}

// False (and sum untouched) when a + b does not fit in 32 bits.
inline bool addChecked(uint32_t a, uint32_t b, uint32_t& sum) {
    if (b > UINT32_MAX - a) return false;
    sum = a + b;
    return true;
}
