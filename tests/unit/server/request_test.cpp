// Reading request headers: where they end, the method, the body length and
// the request-line tokens.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "server/request.h"

namespace {

int endOf(const std::string& s) { return request::headerEnd(s.data(), static_cast<int>(s.size())); }

request::Method methodOf(const std::string& s) { return request::methodOf(s.data(), static_cast<int>(s.size())); }

request::BodyLength lengthOf(const std::string& s, uint32_t& value) {
    return request::bodyLength(s.data(), static_cast<int>(s.size()), value);
}

}  // namespace

TEST(RequestIntake, HeaderEndsAfterTheFirstBlankLine) {
    EXPECT_EQ(endOf("GET / HTTP/1.1\r\n\r\n"), 18);
    EXPECT_EQ(endOf("GET / HTTP/1.1\r\nHost: x\r\n\r\nbody\r\n\r\n"), 27);
    EXPECT_EQ(endOf("GET / HTTP/1.1\r\nHost: x\r\n"), -1);
    EXPECT_EQ(endOf("GET / HTTP/1.1\r\nHost: x\r\n\r"), -1);
    EXPECT_EQ(endOf("\n\n\n\n"), -1);
    EXPECT_EQ(endOf(""), -1);
    // Bytes past the given length are not looked at.
    const char text[] = "GET / HTTP/1.1\r\n\r\n";
    EXPECT_EQ(request::headerEnd(text, 17), -1);
}

TEST(RequestIntake, FindStaysInsideTheRange) {
    const char text[] = "abcdefabc";
    EXPECT_EQ(request::find(text, 0, 9, "abc"), 0);
    EXPECT_EQ(request::find(text, 1, 9, "abc"), 6);
    EXPECT_EQ(request::find(text, 1, 8, "abc"), -1);
    EXPECT_EQ(request::find(text, 0, 9, ""), -1);
    EXPECT_EQ(request::find(text, -1, 9, "a"), -1);
}

TEST(RequestIntake, OnlyGetAndPostAreKnownMethods) {
    EXPECT_EQ(methodOf("GET / HTTP/1.1\r\n\r\n"), request::Method::get);
    EXPECT_EQ(methodOf("POST /x HTTP/1.1\r\n\r\n"), request::Method::post);
    EXPECT_EQ(methodOf("HEAD / HTTP/1.1\r\n\r\n"), request::Method::other);
    EXPECT_EQ(methodOf("GETX / HTTP/1.1\r\n\r\n"), request::Method::other);
    EXPECT_EQ(methodOf("POSTS / HTTP/1.1\r\n\r\n"), request::Method::other);
    EXPECT_EQ(methodOf("get / HTTP/1.1\r\n\r\n"), request::Method::other);
    EXPECT_EQ(methodOf("OPTIONS * HTTP/1.1\r\n\r\n"), request::Method::other);
    EXPECT_EQ(methodOf("\r\n\r\n"), request::Method::other);
    EXPECT_EQ(methodOf(std::string(40, 'G') + " / HTTP/1.1\r\n\r\n"), request::Method::other);
}

TEST(RequestIntake, BodyLengthIsAPlainDecimalWithinTheBound) {
    struct Case {
        const char* header;
        request::BodyLength result;
        uint32_t value;
    };
    const Case cases[] = {
        {"POST / HTTP/1.1\r\nContent-Length: 123\r\n\r\n", request::BodyLength::valid, 123},
        {"POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n", request::BodyLength::valid, 0},
        {"POST / HTTP/1.1\r\ncontent-length: 7\r\n\r\n", request::BodyLength::valid, 7},
        {"POST / HTTP/1.1\r\nCONTENT-LENGTH:9 \r\n\r\n", request::BodyLength::valid, 9},
        {"POST / HTTP/1.1\r\nContent-Length: 007\r\n\r\n", request::BodyLength::valid, 7},
        {"POST / HTTP/1.1\r\nContent-Length: 268435456\r\n\r\n", request::BodyLength::valid, 268435456},
        {"POST / HTTP/1.1\r\nContent-Length: 5\r\nContent-Length: 5\r\n\r\n", request::BodyLength::valid, 5},
        {"POST / HTTP/1.1\r\nContent-Length: 268435457\r\n\r\n", request::BodyLength::invalid, 0},
        {"POST / HTTP/1.1\r\nContent-Length: 99999999999999999999\r\n\r\n", request::BodyLength::invalid, 0},
        {"POST / HTTP/1.1\r\nContent-Length: 4294967296\r\n\r\n", request::BodyLength::invalid, 0},
        {"POST / HTTP/1.1\r\nContent-Length: -5\r\n\r\n", request::BodyLength::invalid, 0},
        {"POST / HTTP/1.1\r\nContent-Length: +5\r\n\r\n", request::BodyLength::invalid, 0},
        {"POST / HTTP/1.1\r\nContent-Length: abc\r\n\r\n", request::BodyLength::invalid, 0},
        {"POST / HTTP/1.1\r\nContent-Length: 12abc\r\n\r\n", request::BodyLength::invalid, 0},
        {"POST / HTTP/1.1\r\nContent-Length: 1 2\r\n\r\n", request::BodyLength::invalid, 0},
        {"POST / HTTP/1.1\r\nContent-Length: 0x10\r\n\r\n", request::BodyLength::invalid, 0},
        {"POST / HTTP/1.1\r\nContent-Length: \r\n\r\n", request::BodyLength::invalid, 0},
        {"POST / HTTP/1.1\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\n", request::BodyLength::invalid, 0},
        {"POST / HTTP/1.1\r\nHost: x\r\n\r\n", request::BodyLength::missing, 0},
        {"POST / HTTP/1.1\r\nX-Note: Content-Length: 5\r\n\r\n", request::BodyLength::missing, 0},
        {"POST / HTTP/1.1\r\nContent-Lengths: 5\r\n\r\n", request::BodyLength::missing, 0},
    };
    for (const Case& c : cases) {
        uint32_t value = 0;
        EXPECT_EQ(lengthOf(c.header, value), c.result) << c.header;
        if (c.result == request::BodyLength::valid) {
            EXPECT_EQ(value, c.value) << c.header;
        }
    }
}

TEST(RequestIntake, BodyLengthIsReadOnlyInsideTheGivenHeader) {
    // The body that follows the header is not searched.
    std::string text = "POST / HTTP/1.1\r\nHost: x\r\n\r\nContent-Length: 5\r\n";
    uint32_t value = 0;
    EXPECT_EQ(request::bodyLength(text.data(), endOf(text), value), request::BodyLength::missing);
    // A value cut off by the end of the range has no line end and is refused.
    std::string cut = "POST / HTTP/1.1\r\nContent-Length: 12";
    EXPECT_EQ(lengthOf(cut, value), request::BodyLength::invalid);
}

TEST(RequestIntake, RequestLineTokensHaveLimits) {
    request::RequestLine line;
    std::string text = "GET /res/res.zip HTTP/1.1\r\nHost: x\r\n\r\n";
    ASSERT_TRUE(request::readRequestLine(text.data(), static_cast<int>(text.size()), line));
    EXPECT_STREQ(line.method, "GET");
    EXPECT_STREQ(line.path, "/res/res.zip");
    EXPECT_STREQ(line.version, "HTTP/1.1");

    text = "GET  /a\tHTTP/1.0\r\n\r\n";
    ASSERT_TRUE(request::readRequestLine(text.data(), static_cast<int>(text.size()), line));
    EXPECT_STREQ(line.path, "/a");
    EXPECT_STREQ(line.version, "HTTP/1.0");

    // Tokens are taken from the request line only.
    text = "GET\r\nHost: x\r\n\r\n";
    ASSERT_TRUE(request::readRequestLine(text.data(), static_cast<int>(text.size()), line));
    EXPECT_STREQ(line.method, "GET");
    EXPECT_STREQ(line.path, "");
    EXPECT_STREQ(line.version, "");

    std::string path255 = "/" + std::string(254, 'a');
    text = "GET " + path255 + " HTTP/1.1\r\n\r\n";
    ASSERT_TRUE(request::readRequestLine(text.data(), static_cast<int>(text.size()), line));
    EXPECT_EQ(std::string(line.path), path255);

    const std::string tooLong[] = {
        "GET " + path255 + "a HTTP/1.1\r\n\r\n",
        std::string(16, 'G') + " / HTTP/1.1\r\n\r\n",
        "GET / HTTP/" + std::string(27, '1') + "\r\n\r\n",
    };
    for (const std::string& t : tooLong)
        EXPECT_FALSE(request::readRequestLine(t.data(), static_cast<int>(t.size()), line)) << t;
    std::string fits = std::string(15, 'G') + " / " + "HTTP/" + std::string(26, '1') + "\r\n\r\n";
    EXPECT_TRUE(request::readRequestLine(fits.data(), static_cast<int>(fits.size()), line));
}
