// The date header text. (Content types are the end-to-end tests' table.)
#include <gtest/gtest.h>

#include <ctime>
#include <random>

#include "server/http_text.h"

// Against the C library on random times up to the year 3000; the ticks carry
// a fraction of a second that must be dropped, not rounded.
TEST(HttpDate, MatchesTheCalendar) {
    constexpr platform::FileTime secondsFrom1601To1970 = 11644473600ULL, ticksPerSecond = 10000000;
    std::mt19937_64 random(20261207);
    for (int i = 0; i < 20000; ++i) {
        std::time_t seconds = static_cast<std::time_t>(random() % (32503680000ULL));
        char expected[64];
        std::strftime(expected, sizeof expected, "%a, %d %b %Y %H:%M:%S GMT\r\n", std::gmtime(&seconds));
        TextBuffer date;
        platform::FileTime ticks = (static_cast<platform::FileTime>(seconds) + secondsFrom1601To1970) * ticksPerSecond;
        formatHttpDate(ticks + 1234567, date);
        ASSERT_STREQ(date.text(), expected) << seconds;
    }
}
