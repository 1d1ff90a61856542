// The gate between request paths and files: what is served, what is 404.
#include <gtest/gtest.h>

#include <string>

#include "server/request_path.h"

namespace {

struct Case {
    const char* path;
    const char* name;  // null: refused
};

void check(const Case& c) {
    TextBuffer name(255);
    bool accepted = requestFileName(c.path, name);
    if (c.name) {
        EXPECT_TRUE(accepted) << c.path;
        EXPECT_EQ(std::string(name.text()), c.name) << c.path;
    } else {
        EXPECT_FALSE(accepted) << c.path;
    }
}

}  // namespace

TEST(RequestPath, NamesInsideTheFolderAreKeptAsSent) {
    const Case cases[] = {
        {"/draw.html", "draw.html"},
        {"/res/res.zip", "res/res.zip"},
        {"/res/a/b/c.gif", "res/a/b/c.gif"},
        {"/draw.html?x=1", nullptr},  // the query part stays in the name, and ? cannot be in one
        {"/a%2e%2e/b", "a%2e%2e/b"},  // no percent-decoding
        {"/%2e%2e/set.ini", "%2e%2e/set.ini"},
        {"/.hidden", ".hidden"},
        {"/a..b", "a..b"},
        {"/conference.txt", "conference.txt"},
        {"/console", "console"},
        {"/COM10", "COM10"},
        {"/LPT", "LPT"},
        {"/nul_file", "nul_file"},
        {"/\x83\x5C.txt", "\x83\x5C.txt"},  // a trail byte 0x5C is not a backslash
        {"/\x95\x7C.txt", "\x95\x7C.txt"},  // nor is a trail byte 0x7C a bar
        {"/_load.dat", "_load.dat"},
    };
    for (const Case& c : cases) check(c);
}

TEST(RequestPath, EmptyNamesAndMissingSlashAreRefused) {
    const Case cases[] = {
        {"/", nullptr}, {"", nullptr}, {"draw.html", nullptr}, {"//draw.html", nullptr},
        {"/res//res.zip", nullptr}, {"/res/", nullptr}, {"http://host/draw.html", nullptr},
    };
    for (const Case& c : cases) check(c);
}

TEST(RequestPath, ParentAndDotSegmentsAreRefused) {
    const Case cases[] = {
        {"/..", nullptr}, {"/../set.ini", nullptr}, {"/res/../../etc/passwd", nullptr},
        {"/res/..", nullptr}, {"/./draw.html", nullptr}, {"/.../x", nullptr},
        {"/draw.html.", nullptr}, {"/draw.html ", nullptr}, {"/res /x", nullptr},
        {"/.. /x", nullptr},
    };
    for (const Case& c : cases) check(c);
}

TEST(RequestPath, AbsoluteNamesDrivesAndStreamsAreRefused) {
    const Case cases[] = {
        {"//etc/passwd", nullptr}, {"/C:/Windows/win.ini", nullptr}, {"/c:", nullptr},
        {"/C:draw.html", nullptr}, {"/draw.html::$DATA", nullptr}, {"/\\\\server\\share", nullptr},
        {"/res\\res.zip", nullptr}, {"/..\\set.ini", nullptr}, {"/\\Windows", nullptr},
    };
    for (const Case& c : cases) check(c);
}

TEST(RequestPath, DeviceNamesAreRefusedInAnyCaseAndWithExtensions) {
    const Case cases[] = {
        {"/CON", nullptr},      {"/con", nullptr},         {"/Con.txt", nullptr},   {"/NUL", nullptr},
        {"/nul.tar.gz", nullptr}, {"/AUX", nullptr},       {"/aux.html", nullptr},  {"/PRN", nullptr},
        {"/prn.jar", nullptr},  {"/COM1", nullptr},        {"/com9.zip", nullptr},  {"/COM0", nullptr},
        {"/LPT1", nullptr},     {"/lpt9.txt", nullptr},    {"/res/CON", nullptr},   {"/con/x.txt", nullptr},
        {"/CONIN$", nullptr},   {"/conout$.txt", nullptr}, {"/CON .txt", nullptr},
    };
    for (const Case& c : cases) check(c);
}

TEST(RequestPath, ControlAndWildcardCharactersAreRefused) {
    const Case cases[] = {
        {"/a*b", nullptr}, {"/a?b", nullptr}, {"/a\"b", nullptr}, {"/a<b", nullptr},
        {"/a>b", nullptr}, {"/a|b", nullptr}, {"/a\tb", nullptr}, {"/a\x01" "b", nullptr},
        {"/a\x7F" "b", nullptr},
    };
    for (const Case& c : cases) check(c);
}
