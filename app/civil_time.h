// Calendar dates and clock times of the system's 100-nanosecond ticks.
#pragma once

#include <cstdint>

#include "platform/platform.h"

struct CivilTime {
    int64_t year;
    int month;    // 1 to 12
    int day;      // 1 to 31
    int hour;     // 0 to 23
    int minute;
    int second;   // the fraction dropped
    int weekday;  // Sunday 0 to Saturday 6
};

// The proleptic Gregorian date and time of ticks counted from 1601-01-01,
// on the clock the ticks are on (UTC, or local after platform::localTime).
CivilTime civilTimeOf(platform::FileTime ticks);
