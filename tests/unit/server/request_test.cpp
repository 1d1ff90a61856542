// Reading request headers: where they end, the method, the body length, the
// request-line tokens, and the gate of Host, Origin and Sec-Fetch-Site.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "server/request.h"
#include "server/request_gate.h"

namespace {

int sizeOf(const std::string& s) { return static_cast<int>(s.size()); }

int endOf(const std::string& s) { return request::headerEnd(s.data(), sizeOf(s)); }

}  // namespace

TEST(RequestIntake, HeaderEndsAfterTheFirstBlankLineWithinTheRange) {
    EXPECT_EQ(endOf("GET / HTTP/1.1\r\n\r\n"), 18);
    EXPECT_EQ(endOf("GET / HTTP/1.1\r\nHost: x\r\n\r\nbody\r\n\r\n"), 27);
    for (const char* open : {"GET / HTTP/1.1\r\nHost: x\r\n", "GET / HTTP/1.1\r\n\r", "\n\n\n\n", ""})
        EXPECT_EQ(endOf(open), -1) << open;
    EXPECT_EQ(request::headerEnd("GET / HTTP/1.1\r\n\r\n", 17), -1);
}

// Other spellings of GET over a socket are the end-to-end tests' part.
TEST(RequestIntake, OnlyGetAndPostAreKnownMethods) {
    const std::pair<std::string, request::Method> cases[] = {
        {"GET / HTTP/1.1\r\n\r\n", request::Method::get},    {"POST /x HTTP/1.1\r\n\r\n", request::Method::post},
        {"POSTS / HTTP/1.1\r\n\r\n", request::Method::other}, {"\r\n\r\n", request::Method::other},
        {std::string(40, 'G') + " / HTTP/1.1\r\n\r\n", request::Method::other},
    };
    for (const auto& [header, method] : cases)
        EXPECT_EQ(request::methodOf(header.data(), sizeOf(header)), method) << header;
}

// Beside the bad lengths the end-to-end tests send.
TEST(RequestIntake, BodyLengthIsAPlainDecimalWithinTheBound) {
    using request::BodyLength;
    // Each row: the fields between the request line and the blank line, the result and the value read.
    const std::tuple<const char*, BodyLength, uint32_t> cases[] = {
        {"Host: x\r\ncontent-length: 7", BodyLength::valid, 7}, {"CONTENT-LENGTH:9 ", BodyLength::valid, 9},
        {"Content-Length: 007", BodyLength::valid, 7}, {"Content-Length: 5\r\nContent-Length: 5", BodyLength::valid, 5},
        {"Content-Length: 268435456", BodyLength::valid, 268435456},
        {"Content-Length: 268435457", BodyLength::invalid, 0},  {"Content-Length: 4294967296", BodyLength::invalid, 0},
        {"Content-Length: 99999999999999999999", BodyLength::invalid, 0},
        {"Content-Length: +5", BodyLength::invalid, 0},         {"Content-Length: 12abc", BodyLength::invalid, 0},
        {"Content-Length: 1 2", BodyLength::invalid, 0},        {"Content-Length: ", BodyLength::invalid, 0},
        {"Content-Length: 5\r\nContent-Length: 6", BodyLength::invalid, 0},
        {"Host: x", BodyLength::missing, 0},                    {"X-Note: Content-Length: 5", BodyLength::missing, 0},
        {"Content-Lengths: 5", BodyLength::missing, 0},
    };
    for (const auto& [fields, result, expected] : cases) {
        std::string header = std::string("POST / HTTP/1.1\r\n") + fields + "\r\n\r\n";
        uint32_t value = 0;
        EXPECT_EQ(request::bodyLength(header.data(), sizeOf(header), value), result) << fields;
        if (result == BodyLength::valid) {
            EXPECT_EQ(value, expected) << fields;
        }
    }
    // Only the given range is read: not the body, and a value cut off by its end has no line end.
    uint32_t value = 0;
    std::string text = "POST / HTTP/1.1\r\nHost: x\r\n\r\nContent-Length: 5\r\n";
    EXPECT_EQ(request::bodyLength(text.data(), endOf(text), value), BodyLength::missing);
    text = "POST / HTTP/1.1\r\nContent-Length: 12";
    EXPECT_EQ(request::bodyLength(text.data(), sizeOf(text), value), BodyLength::invalid);
}

TEST(RequestIntake, RequestLineTokensAreTheWordsOfTheFirstLineWithinTheirLimits) {
    request::RequestLine line;
    std::string text = "GET  /a\tHTTP/1.0\r\nHost: x\r\n\r\n";
    ASSERT_TRUE(request::readRequestLine(text.data(), sizeOf(text), line));
    EXPECT_EQ(line.method + std::string("|") + line.path + "|" + line.version, "GET|/a|HTTP/1.0");
    text = "GET\r\nHost: x\r\n\r\n";
    ASSERT_TRUE(request::readRequestLine(text.data(), sizeOf(text), line));
    EXPECT_EQ(line.method + std::string("|") + line.path + "|" + line.version, "GET||");
    const size_t pathLimit = sizeof line.path - 1;
    text = std::string(15, 'G') + " /" + std::string(pathLimit - 1, 'a') + " HTTP/" + std::string(26, '1') + "\r\n\r\n";
    EXPECT_TRUE(request::readRequestLine(text.data(), sizeOf(text), line));  // each token at its limit
    for (size_t at : {size_t{15}, 16 + pathLimit, text.size() - 4}) {
        std::string longer = std::string(text).insert(at, "x");
        EXPECT_FALSE(request::readRequestLine(longer.data(), sizeOf(longer), line)) << at;
    }
}

// ---- The request gate --------------------------------------------------------

namespace {

// Port, open to the network, the connection's local address, the machine's name.
const request::Site loopback{8010, false, "", ""}, loopback80{80, false, "", ""};
const request::Site overIpv4{8010, true, "192.168.1.5", "Atelier"}, overIpv6{8010, true, "fd00::2", "Atelier"};

bool ownHost(const std::string& host, const request::Site& site) {
    return request::isOwnHost(host.data(), sizeOf(host), site);
}

bool ownOrigin(const std::string& origin, const request::Site& site) {
    return request::isOwnOrigin(origin.data(), sizeOf(origin), site);
}

}  // namespace

// Beside the foreign hosts the end-to-end tests send.
TEST(RequestGate, HostNamesThisMachineOnLoopback) {
    const std::pair<const char*, bool> cases[] = {
        {"localhost", true},         {"localhost:8010", true},    {"LocalHost:80", true},
        {"127.0.0.1", true},         {"[::1]", true},             {"[::1]:8010", true},
        {"localhost:", true},        {"localhost:65535", true},   {"localhost:123456", false},
        {"localhost:80a", false},    {"localhost:-1", false},     {"localhost :80", false},
        {"localhost.evil.example", false}, {"evil.localhost", false}, {"127.1", false},
        {"2130706433", false},       {"0.0.0.0", false},          {"[::1", false},
        {"::1", false},              {"[::1]x", false},           {"[0:0:0:0:0:0:0:1]", false},
        {"[::ffff:127.0.0.1]", false}, {"[::1]:80:80", false},    {"192.168.1.5", false},
        {"Atelier", false},          {"localhost@evil.example", false}, {"evil.example#localhost", false},
    };
    for (const auto& [host, own] : cases) EXPECT_EQ(ownHost(host, loopback), own) << host;
}

// Each row: the host, and whether it is own over IPv4 and over IPv6.
TEST(RequestGate, OnTheNetworkTheConnectionsAddressAndTheMachinesNameAreOwnToo) {
    const std::tuple<const char*, bool, bool> cases[] = {
        {"localhost:8010", true, true},   {"[::1]", true, true},                {"192.168.1.5", true, false},
        {"192.168.1.5:8010", true, false}, {"[fd00::2]:8010", false, true},    {"[FD00::2]", false, true},
        {"fd00::2", false, false},        {"[192.168.1.5]", false, false},      {"192.168.1.6", false, false},
        {"192.168.1.5.evil.example", false, false},                             {"atelier", true, true},
        {"ATELIER:8010", true, true},     {"Atelier.local", true, true},        {"atelier.LOCAL:80", true, true},
        {"Atelier.", false, false},       {"Atelier.evil.example", false, false}, {"evil-Atelier", false, false},
        {"Atelier.locale", false, false},
    };
    for (const auto& [host, ownOverIpv4, ownOverIpv6] : cases) {
        EXPECT_EQ(ownHost(host, overIpv4), ownOverIpv4) << host;
        EXPECT_EQ(ownHost(host, overIpv6), ownOverIpv6) << host;
    }
    // Unknown address and name: the loopback names alone.
    const request::Site unknown{8010, true, "", ""};
    EXPECT_TRUE(ownHost("localhost", unknown));
    EXPECT_FALSE(ownHost("", unknown));
    EXPECT_FALSE(ownHost(".local", unknown));
}

TEST(RequestGate, OriginIsThisServersSchemeHostAndPort) {
    const std::pair<const char*, bool> cases[] = {
        {"http://localhost:8010", true},     {"http://127.0.0.1:8010", true},  {"http://[::1]:8010", true},
        {"HTTP://LOCALHOST:8010", true},     {"http://localhost:08010", true}, {"http://localhost", false},
        {"http://localhost:", false},        {"https://localhost:8010", false}, {"http://localhost:8010/", false},
        {"http://localhost.:8010", false},   {"http://127.0.0.1.evil.example:8010", false},  {"", false},
        {"localhost:8010", false},           {"http:/localhost:8010", false},  {"http://user@localhost:8010", false},
        {"http://localhost:8010 http://evil.example", false},                  {"http://[::1]8010", false},
    };
    for (const auto& [origin, own] : cases) EXPECT_EQ(ownOrigin(origin, loopback), own) << origin;
    // Port 80 is the one an origin leaves out; on the network, the address the page was loaded from.
    for (auto [origin, site, own] :
         {std::tuple{"http://localhost", &loopback80, true}, {"http://localhost:80", &loopback80, true},
          {"http://localhost:8010", &loopback80, false}, {"http://192.168.1.5:8010", &overIpv4, true},
          {"http://[fd00::2]:8010", &overIpv6, true}, {"http://atelier.local:8010", &overIpv4, true},
          {"http://192.168.1.5:8010", &loopback, false}, {"http://192.168.1.9:8010", &overIpv4, false}})
        EXPECT_EQ(ownOrigin(origin, *site), own) << origin;
}

// How the gate reads the fields; foreign hosts and posts are the end-to-end tests' part.
TEST(RequestGate, GetsAndPostsAreAdmittedOnlyFromThisMachinesPages) {
    const std::string get = "GET /set.ini HTTP/1.1\r\n", ownPost = "POST / HTTP/1.1\r\nHost: localhost:8010\r\n";
    const std::pair<std::string, bool> cases[] = {
        // Host in any letter case, blanks around its value; one only.
        {get + "host:   127.0.0.1:8010  ", true},                 {get + "HOST: evil.example", false},
        {get + "X-Host: evil.example\r\nHost: localhost", true},  {get + "Host: localhost\r\nHost: localhost", false},
        // A GET's Origin is not looked at: reading back is what Host keeps out.
        {get + "Host: localhost\r\nOrigin: http://evil.example", true},
        // A POST's Origin and Sec-Fetch-Site, each one only.
        {ownPost + "Sec-Fetch-Site: none", true},                 {ownPost + "Sec-Fetch-Site: ", false},
        {ownPost + "origin: http://localhost:8010\r\nOrigin: http://localhost:8010", false},
        {ownPost + "Sec-Fetch-Site: same-origin\r\nSec-Fetch-Site: same-origin", false},
        // Other methods are not answered, so the gate has nothing to keep.
        {"HEAD / HTTP/1.1\r\nHost: evil.example", true},
    };
    for (const auto& [fields, admitted] : cases) {
        std::string header = fields + "\r\n\r\n";
        request::Method method = request::methodOf(header.data(), sizeOf(header));
        EXPECT_EQ(request::admits(header.data(), sizeOf(header), method, loopback), admitted) << fields;
    }
    // The program's own addresses are read back only by its own pages, like a POST.
    const std::pair<std::string, bool> ownPages[] = {
        {get + "Host: localhost", true},                                  {get + "Sec-Fetch-Site: none", true},
        {get + "Sec-Fetch-Site: same-origin\r\nOrigin: http://localhost:8010", true},
        {get + "Origin: http://evil.example", false},                     {get + "Sec-Fetch-Site: cross-site", false},
        {get + "Sec-Fetch-Site: same-site", false},                       {get + "Origin: null", false},
        {get + "Host: evil.example\r\nSec-Fetch-Site: same-origin", false},
    };
    for (const auto& [fields, admitted] : ownPages) {
        std::string header = fields + "\r\n\r\n";
        EXPECT_EQ(request::admitsFromOwnPages(header.data(), sizeOf(header), loopback), admitted) << fields;
    }
    // A foreign Host in the body or past the range is not this request's.
    std::string text = "GET / HTTP/1.1\r\nHost: localhost\r\n\r\nHost: evil.example\r\n";
    EXPECT_TRUE(request::admits(text.data(), endOf(text), request::Method::get, loopback));
    text = "GET / HTTP/1.1\r\nHost: evil.example\r\n\r\n";
    EXPECT_TRUE(request::admits(text.data(), 16, request::Method::get, loopback));
}
