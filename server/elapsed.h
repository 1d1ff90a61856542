// Waiting measured on the system clock, in 100 ns ticks.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Whether milliseconds have passed from since to now; a clock that has gone
// back (now before since) has let no time pass.
inline bool hasElapsed(platform::FileTime since, platform::FileTime now, uint32_t milliseconds) {
    constexpr platform::FileTime ticksPerMillisecond = 10000;
    return now >= since && now - since >= milliseconds * ticksPerMillisecond;
}
