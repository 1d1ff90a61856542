// Reading request headers: where they end, the method, the body length, the
// request-line tokens, and the gate of Host, Origin and Sec-Fetch-Site.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "server/request.h"
#include "server/request_gate.h"

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

// ---- The request gate --------------------------------------------------------

namespace {

request::Site loopbackSite(uint16_t port = 8010) {
    request::Site site;
    site.port = port;
    return site;
}

request::Site networkSite(const char* localAddress, uint16_t port = 8010) {
    request::Site site = loopbackSite(port);
    site.openToNetwork = true;
    site.localAddress = localAddress;
    site.machineName = "Atelier";
    return site;
}

bool ownHost(const std::string& host, const request::Site& site) {
    return request::isOwnHost(host.data(), static_cast<int>(host.size()), site);
}

bool ownOrigin(const std::string& origin, const request::Site& site) {
    return request::isOwnOrigin(origin.data(), static_cast<int>(origin.size()), site);
}

bool admits(const std::string& header, const request::Site& site) {
    int length = static_cast<int>(header.size());
    return request::admits(header.data(), length, request::methodOf(header.data(), length), site);
}

}  // namespace

TEST(RequestGate, HostNamesThisMachineOnLoopback) {
    struct Case {
        const char* host;
        bool own;
    };
    const Case cases[] = {
        {"localhost", true},         {"localhost:8010", true},    {"LocalHost:80", true},
        {"127.0.0.1", true},         {"127.0.0.1:1", true},       {"[::1]", true},
        {"[::1]:8010", true},        {"localhost:", true},        {"localhost:65535", true},
        {"localhost.", false},       {"localhost.:8010", false},  {"localhost:123456", false},
        {"localhost:80a", false},    {"localhost:-1", false},     {"localhost :80", false},
        {"127.0.0.1.evil.example", false}, {"localhost.evil.example", false}, {"evil.localhost", false},
        {"evil.example", false},     {"evil.example:8010", false}, {"127.0.0.2", false},
        {"127.1", false},            {"2130706433", false},       {"0.0.0.0", false},
        {"[::1", false},             {"::1", false},              {"[::1]x", false},
        {"[0:0:0:0:0:0:0:1]", false}, {"[::ffff:127.0.0.1]", false}, {"[::1]:80:80", false},
        {"", false},                 {"192.168.1.5", false},      {"Atelier", false},
        {"localhost@evil.example", false}, {"evil.example#localhost", false},
    };
    for (const Case& c : cases) EXPECT_EQ(ownHost(c.host, loopbackSite()), c.own) << c.host;
}

TEST(RequestGate, OnTheNetworkTheConnectionsAddressAndTheMachinesNameAreOwnToo) {
    request::Site ipv4 = networkSite("192.168.1.5");
    request::Site ipv6 = networkSite("fd00::2");
    struct Case {
        const char* host;
        bool overIpv4;
        bool overIpv6;
    };
    const Case cases[] = {
        {"localhost:8010", true, true},     {"[::1]", true, true},
        {"192.168.1.5", true, false},       {"192.168.1.5:8010", true, false},
        {"[fd00::2]:8010", false, true},    {"[FD00::2]", false, true},
        {"fd00::2", false, false},          {"[192.168.1.5]", false, false},
        {"192.168.1.6", false, false},      {"192.168.1.5.evil.example", false, false},
        {"atelier", true, true},            {"ATELIER:8010", true, true},
        {"Atelier.local", true, true},      {"atelier.LOCAL:80", true, true},
        {"Atelier.", false, false},         {"Atelier.evil.example", false, false},
        {"evil-Atelier", false, false},     {"Atelier.locale", false, false},
        {"evil.example", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ownHost(c.host, ipv4), c.overIpv4) << c.host;
        EXPECT_EQ(ownHost(c.host, ipv6), c.overIpv6) << c.host;
    }
    // Unknown address and name: the loopback names alone.
    request::Site unknown = networkSite("");
    unknown.machineName = "";
    EXPECT_TRUE(ownHost("localhost", unknown));
    EXPECT_FALSE(ownHost("", unknown));
    EXPECT_FALSE(ownHost(".local", unknown));
}

TEST(RequestGate, OriginIsThisServersSchemeHostAndPort) {
    struct Case {
        const char* origin;
        bool own;
    };
    const Case cases[] = {
        {"http://localhost:8010", true},     {"http://127.0.0.1:8010", true},  {"http://[::1]:8010", true},
        {"HTTP://LOCALHOST:8010", true},     {"http://localhost:08010", true},
        {"http://localhost:8011", false},    {"http://localhost", false},      {"http://localhost:", false},
        {"http://127.0.0.1:8000", false},    {"https://localhost:8010", false}, {"http://localhost:8010/", false},
        {"http://localhost.:8010", false},   {"http://127.0.0.1.evil.example:8010", false},
        {"http://evil.example:8010", false}, {"http://evil.example", false},   {"null", false},
        {"", false},                         {"localhost:8010", false},        {"http:/localhost:8010", false},
        {"http://user@localhost:8010", false}, {"http://localhost:8010 http://evil.example", false},
        {"file://", false},                  {"http://[::1]8010", false},
    };
    for (const Case& c : cases) EXPECT_EQ(ownOrigin(c.origin, loopbackSite()), c.own) << c.origin;
    // Port 80 is the one an origin leaves out.
    EXPECT_TRUE(ownOrigin("http://localhost", loopbackSite(80)));
    EXPECT_TRUE(ownOrigin("http://localhost:80", loopbackSite(80)));
    EXPECT_FALSE(ownOrigin("http://localhost:8010", loopbackSite(80)));
    // On the network: the address the page was loaded from.
    EXPECT_TRUE(ownOrigin("http://192.168.1.5:8010", networkSite("192.168.1.5")));
    EXPECT_TRUE(ownOrigin("http://[fd00::2]:8010", networkSite("fd00::2")));
    EXPECT_TRUE(ownOrigin("http://atelier.local:8010", networkSite("192.168.1.5")));
    EXPECT_FALSE(ownOrigin("http://192.168.1.5:8010", loopbackSite()));
    EXPECT_FALSE(ownOrigin("http://192.168.1.9:8010", networkSite("192.168.1.5")));
}

TEST(RequestGate, GetsAndPostsAreAdmittedOnlyFromThisMachinesPages) {
    struct Case {
        const char* header;
        bool admitted;
    };
    const Case cases[] = {
        // Host, for every GET and POST; without one, an HTTP/1.0 client.
        {"GET /draw.html HTTP/1.1\r\nHost: localhost:8010\r\n\r\n", true},
        {"GET /draw.html HTTP/1.0\r\n\r\n", true},
        {"GET /draw.html HTTP/1.1\r\nhost:   127.0.0.1:8010  \r\n\r\n", true},
        {"GET /set.ini HTTP/1.1\r\nHost: evil.example:8010\r\n\r\n", false},
        {"GET /set.ini HTTP/1.1\r\nHost: \r\n\r\n", false},
        {"GET /set.ini HTTP/1.1\r\nHost: localhost\r\nHost: evil.example\r\n\r\n", false},
        {"GET /set.ini HTTP/1.1\r\nHOST: evil.example\r\n\r\n", false},
        {"GET /set.ini HTTP/1.1\r\nX-Host: evil.example\r\nHost: localhost\r\n\r\n", true},
        {"POST / HTTP/1.1\r\nHost: evil.example\r\nContent-Length: 1\r\n\r\n", false},
        // A GET's Origin is not looked at: reading back is what Host keeps out.
        {"GET /draw.html HTTP/1.1\r\nHost: localhost\r\nOrigin: http://evil.example\r\n\r\n", true},
        // Origin and Sec-Fetch-Site, for a POST.
        {"POST / HTTP/1.1\r\nHost: localhost:8010\r\nContent-Length: 1\r\n\r\n", true},
        {"POST / HTTP/1.1\r\nContent-Length: 1\r\n\r\n", true},
        {"POST / HTTP/1.1\r\nHost: localhost:8010\r\nOrigin: http://localhost:8010\r\n"
         "Sec-Fetch-Site: same-origin\r\n\r\n", true},
        {"POST / HTTP/1.1\r\nHost: localhost:8010\r\nSec-Fetch-Site: none\r\n\r\n", true},
        {"POST / HTTP/1.1\r\nHost: localhost:8010\r\nOrigin: http://evil.example\r\n\r\n", false},
        {"POST / HTTP/1.1\r\nHost: localhost:8010\r\nOrigin: http://127.0.0.1:8000\r\n\r\n", false},
        {"POST / HTTP/1.1\r\nHost: localhost:8010\r\nOrigin: null\r\n\r\n", false},
        {"POST / HTTP/1.1\r\nHost: localhost:8010\r\norigin: http://localhost:8010\r\n"
         "Origin: http://evil.example\r\n\r\n", false},
        {"POST / HTTP/1.1\r\nHost: localhost:8010\r\nSec-Fetch-Site: cross-site\r\n\r\n", false},
        {"POST / HTTP/1.1\r\nHost: localhost:8010\r\nSec-Fetch-Site: same-site\r\n\r\n", false},
        {"POST / HTTP/1.1\r\nHost: localhost:8010\r\nOrigin: http://localhost:8010\r\n"
         "Sec-Fetch-Site: cross-site\r\n\r\n", false},
        {"POST / HTTP/1.1\r\nHost: localhost:8010\r\nSec-Fetch-Site: same-origin\r\n"
         "Sec-Fetch-Site: cross-site\r\n\r\n", false},
        {"POST / HTTP/1.1\r\nHost: localhost:8010\r\nSec-Fetch-Site: \r\n\r\n", false},
        // Other methods are not answered, so the gate has nothing to keep.
        {"HEAD / HTTP/1.1\r\nHost: evil.example\r\n\r\n", true},
    };
    for (const Case& c : cases) EXPECT_EQ(admits(c.header, loopbackSite()), c.admitted) << c.header;
}

TEST(RequestGate, OnlyTheGivenHeaderIsRead) {
    // A foreign Host in the body or past the range is not this request's.
    std::string text = "GET / HTTP/1.1\r\nHost: localhost\r\n\r\nHost: evil.example\r\n";
    EXPECT_TRUE(request::admits(text.data(), endOf(text), request::Method::get, loopbackSite()));
    text = "GET / HTTP/1.1\r\nHost: evil.example\r\n\r\n";
    EXPECT_TRUE(request::admits(text.data(), 16, request::Method::get, loopbackSite()));
}
