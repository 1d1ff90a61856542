// The date and content-type header texts.
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

// Expected texts from Python's datetime; the ticks carry a fraction of a
// second that must be dropped, not rounded.
TEST(HttpDate, MatchesTheCalendarAcrossCenturiesAndLeapDays) {
    const std::pair<platform::FileTime, const char*> cases[] = {
        {1234567ULL, "Mon, 01 Jan 1601 00:00:00 GMT"},
        {51408011234567ULL, "Thu, 01 Mar 1601 12:00:01 GMT"},
        {31292351991234567ULL, "Sun, 28 Feb 1700 23:59:59 GMT"},
        {31292352001234567ULL, "Mon, 01 Mar 1700 00:00:00 GMT"},
        {94354847991234567ULL, "Sun, 31 Dec 1899 23:59:59 GMT"},
        {116444735991234567ULL, "Wed, 31 Dec 1969 23:59:59 GMT"},
        {116444736001234567ULL, "Thu, 01 Jan 1970 00:00:00 GMT"},
        {125962597231234567ULL, "Tue, 29 Feb 2000 01:02:03 GMT"},
        {137919572481234567ULL, "Tue, 19 Jan 2038 03:14:08 GMT"},
        {157520159991234567ULL, "Sun, 28 Feb 2100 23:59:59 GMT"},
        {157520160001234567ULL, "Mon, 01 Mar 2100 00:00:00 GMT"},
        {2650467743991234567ULL, "Fri, 31 Dec 9999 23:59:59 GMT"},
    };
    for (const auto& [ticks, text] : cases) EXPECT_EQ(dateOf(ticks), std::string(text) + "\r\n") << ticks;
}

TEST(HttpDate, AgreesWithTheCLibraryOnRandomTimes) {
    std::mt19937_64 random(20261207);
    for (int i = 0; i < 20000; ++i) {
        std::time_t seconds = static_cast<std::time_t>(random() % (32503680000ULL));  // up to the year 3000
        char expected[64];
        std::strftime(expected, sizeof expected, "%a, %d %b %Y %H:%M:%S GMT\r\n", std::gmtime(&seconds));
        ASSERT_EQ(dateOf((static_cast<platform::FileTime>(seconds) + secondsTo1970) * ticksPerSecond), expected)
            << seconds;
    }
}

TEST(ContentType, ByExtensionInAnyLetterCase) {
    const std::pair<const char*, const char*> cases[] = {
        {"DRAW.HTML", "text/html"},      {"spainter_all.JAR", "application/java-archive"},
        {"palette.js", "application/x-javascript"},                  {"res/res.Zip", "application/zip"},
        {"readme.txt", "text/plain"},    {"a.png", "image/png"},     {"a.jpg", "image/jpeg"},
        {"a.GiF", "image/gif"},          {"a.bmp", "image/bmp"},     {"a.tar.zip", "application/zip"},
        {"page.htm", "application/octet-stream"},   {"photo.jpeg", "application/octet-stream"},
        {"noextension", "application/octet-stream"}, {"folder.jar/file", "application/octet-stream"},
        {"trailingdot.", "application/octet-stream"}, {"jar", "application/octet-stream"},
    };
    for (const auto& [path, type] : cases) {
        TextBuffer line;
        contentTypeLine(path, line);
        EXPECT_EQ(std::string(line.text()), std::string("Content-Type: ") + type + "\r\n") << path;
    }
}
