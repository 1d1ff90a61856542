// The date header text. (Content types are the end-to-end tests' table.)
#include <gtest/gtest.h>

#include <ctime>
#include <random>
#include <string>

#include "server/http_text.h"

namespace {

constexpr platform::FileTime ticksPerSecond = 10000000;
constexpr platform::FileTime secondsTo1970 = 11644473600ULL;

std::string dateOf(platform::FileTime ticks) {
    TextBuffer out;
    formatHttpDate(ticks, out);
    return out.text();
}

}  // namespace

// Against the C library on random times up to the year 3000; the ticks carry
// a fraction of a second that must be dropped, not rounded.
TEST(HttpDate, MatchesTheCalendar) {
    std::mt19937_64 random(20261207);
    for (int i = 0; i < 20000; ++i) {
        std::time_t seconds = static_cast<std::time_t>(random() % (32503680000ULL));
        char expected[64];
        std::strftime(expected, sizeof expected, "%a, %d %b %Y %H:%M:%S GMT\r\n", std::gmtime(&seconds));
        platform::FileTime ticks = (static_cast<platform::FileTime>(seconds) + secondsTo1970) * ticksPerSecond;
        ASSERT_EQ(dateOf(ticks + 1234567), expected) << seconds;
    }
}
