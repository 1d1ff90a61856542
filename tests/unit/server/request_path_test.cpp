// The gate between request paths and files: what is served, what is 404.
#include <gtest/gtest.h>

#include <string>

#include "server/request_path.h"

TEST(RequestPath, NamesInsideTheFolderAreKeptAsSent) {
    const std::pair<const char*, const char*> cases[] = {
        {"/draw.html", "draw.html"},            {"/res/a/b/c.gif", "res/a/b/c.gif"},
        {"/a%2e%2e/b", "a%2e%2e/b"},            {"/%2e%2e/set.ini", "%2e%2e/set.ini"},  // no percent-decoding
        {"/.hidden", ".hidden"},                {"/a..b", "a..b"},
        {"/conference.txt", "conference.txt"},  {"/console", "console"},
        {"/COM10", "COM10"},                    {"/LPT", "LPT"},
        {"/nul_file", "nul_file"},
        {"/\x83\x5C.txt", "\x83\x5C.txt"},  // a trail byte 0x5C is not a backslash
        {"/\x95\x7C.txt", "\x95\x7C.txt"},  // nor is a trail byte 0x7C a bar
    };
    for (const auto& [path, expected] : cases) {
        TextBuffer name(255);
        ASSERT_TRUE(requestFileName(path, name)) << path;
        EXPECT_EQ(std::string(name.text()), expected);
    }
}

// Beside the path attacks the end-to-end tests send to the program.
TEST(RequestPath, EscapesDevicesAndCharactersNoFileNameHasAreRefused) {
    const char* refused[] = {
        // Empty names and a missing slash.
        "/", "", "draw.html", "//draw.html", "/res//res.zip", "/res/", "http://host/draw.html",
        // Parent and dot segments, and names ending in a dot or blank.
        "/..", "/res/..", "/.../x", "/draw.html ", "/res /x", "/.. /x",
        // Drives, streams and backslashes.
        "/c:", "/C:draw.html", "/draw.html::$DATA", "/\\Windows", "/..\\set.ini",
        // Devices in any case, with extensions, in any segment.
        "/Con.txt", "/nul.tar.gz", "/COM0", "/con/x.txt", "/CONIN$", "/conout$.txt", "/CON .txt",
        // Control and wildcard characters; the query part stays in the name.
        "/draw.html?x=1", "/a\"b", "/a<b", "/a>b", "/a\tb", "/a\x01" "b", "/a\x7F" "b",
    };
    for (const char* path : refused) {
        TextBuffer name(255);
        EXPECT_FALSE(requestFileName(path, name)) << path;
    }
}
