// Animation files: the size tag of a PCH name, the SPCH header, anim.html
// byte for byte, its file address and the play step.
#include "pages/playback.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/temp_folder.h"
#include "tests/unit/pages/page_expectations.h"
#include "tests/unit/pages/tidy.h"
#include "tests/unit/pages/stand_in_browser.h"
#ifndef _WIN32
#include "platform/posix/scripted_answers.h"
#endif

namespace {

struct Size {
    int32_t width = 0, height = 0;
    bool found = false;
};

Size tagOf(const char* path) {
    Size s{-7, -7, false};
    s.found = pchSizeFromName(path, s.width, s.height);
    return s;
}

}  // namespace

TEST(PchNameTag, BothNumbersOrNothing) {
    Size s = tagOf("C:\\pics\\pic[x640y480].pch");
    EXPECT_TRUE(s.found);
    EXPECT_EQ(s.width, 640);
    EXPECT_EQ(s.height, 480);
    s = tagOf("pic.pch");
    EXPECT_FALSE(s.found);
    EXPECT_EQ(s.width, -7);  // left as it was
    s = tagOf("pic[x640].pch");
    EXPECT_FALSE(s.found);
    EXPECT_EQ(s.width, -7);
    EXPECT_EQ(s.height, -7);
    EXPECT_FALSE(tagOf("pic[640x480].pch").found);
    EXPECT_FALSE(tagOf("pic[x-1y5].pch").found);
}

TEST(PchNameTag, TheLastBracketCountsAndTrailBytesAreNoBrackets) {
    Size s = tagOf("a[x1y2]b[x3y4].pch");
    EXPECT_EQ(s.width, 3);
    EXPECT_EQ(s.height, 4);
    // ゼ is 83 5B in Shift_JIS: its trail byte is the code of [.
    s = tagOf("pic[x7y8]\x83\x5b.pch");
    EXPECT_TRUE(s.found);
    EXPECT_EQ(s.width, 7);
    EXPECT_EQ(s.height, 8);
    s = tagOf("pic[x10y20");  // the closing bracket is not needed
    EXPECT_TRUE(s.found);
    EXPECT_EQ(s.height, 20);
}

namespace {

using Entries = std::vector<std::pair<std::string, int32_t>>;

Entries headerOf(const std::string& path, int capacity, bool* opened = nullptr) {
    Entries entries;
    bool ok = readSpchHeader(path.c_str(), capacity, [&](const char* key, int32_t value) { entries.emplace_back(key, value); });
    if (opened) *opened = ok;
    return entries;
}

}  // namespace

TEST(SpchHeader, LinesUpToTheFirstWithoutEquals) {
    TempFolder folder;
    folder.write("a.spch", "image_width=400\r\nIMAGE_HEIGHT=300\r\nlayer_max=5\r\n\r\nimage_width=999\r\n");
    Entries e = headerOf(folder.file("a.spch"), 255);
    EXPECT_EQ(e, (Entries{{"image_width", 400}, {"IMAGE_HEIGHT", 300}, {"layer_max", 5}}));
    folder.write("b.spch", "x= -12abc\r\ny=\r\nz=+7\r\nbinary\x01\x02\r\nafter=3\r\n");
    e = headerOf(folder.file("b.spch"), 255);
    EXPECT_EQ(e, (Entries{{"x", -12}, {"y", 0}, {"z", 7}}));
    folder.write("c.spch", "last=1");  // no line end at the end of the file
    EXPECT_EQ(headerOf(folder.file("c.spch"), 255), (Entries{{"last", 1}}));
}

TEST(SpchHeader, LongLinesComeInPieces) {
    TempFolder folder;
    folder.write("a.spch", "a=1\r\nbb=22222222=3\r\n");
    EXPECT_EQ(headerOf(folder.file("a.spch"), 8), (Entries{{"a", 1}, {"bb", 22222}, {"222", 3}}));
    folder.write("b.spch", "k=123456789012\r\nw=7\r\n");
    EXPECT_EQ(headerOf(folder.file("b.spch"), 8), (Entries{{"k", 123456}}));
}

TEST(SpchHeader, RefusalsAndShortFiles) {
    TempFolder folder;
    bool opened = true;
    EXPECT_TRUE(headerOf(folder.file("missing.spch"), 255, &opened).empty());
    EXPECT_FALSE(opened);
    folder.write("a.spch", "a=1\r\n");
    headerOf(folder.file("a.spch"), 0, &opened);
    EXPECT_FALSE(opened);
    headerOf(folder.file("a.spch"), 100000, &opened);
    EXPECT_FALSE(opened);
    folder.write("empty.spch", "");
    EXPECT_TRUE(headerOf(folder.file("empty.spch"), 255, &opened).empty());
    EXPECT_TRUE(opened);
    folder.write("cut.spch", "a=1\r\nb\x83");  // ends on a lead byte
    EXPECT_EQ(headerOf(folder.file("cut.spch"), 255), (Entries{{"a", 1}}));
    folder.write("huge.spch", "n=99999999999999999999\r\nm=-99999999999999999999\r\n");
    EXPECT_EQ(headerOf(folder.file("huge.spch"), 255), (Entries{{"n", 2147483647}, {"m", -2147483647 - 1}}));
}

namespace {

struct Found {
    int32_t width, height, layers;
};

Found sizeOf(const std::string& path) {
    Found f{1, 1, 1};
    readAnimationSize(path.c_str(), f.width, f.height, f.layers);
    return f;
}

}  // namespace

TEST(AnimationSize, PchNamesAndSpchHeaders) {
    TempFolder folder;
    Found f = sizeOf(folder.file("pic[x640y480].pch"));  // the file itself is never read
    EXPECT_EQ(f.width, 640);
    EXPECT_EQ(f.height, 480);
    EXPECT_EQ(f.layers, 2);
    f = sizeOf(folder.file("pic.PCH"));
    EXPECT_EQ(f.width, 300);
    EXPECT_EQ(f.height, 300);
    EXPECT_EQ(f.layers, 2);
    f = sizeOf(folder.file("pic[x640].pch"));
    EXPECT_EQ(f.width, 300);
    EXPECT_EQ(f.height, 300);
    folder.write("pic.spch", "image_width=400\r\nIMAGE_HEIGHT=300\r\nlayer_max=5\r\nquality=2\r\n\r\n");
    f = sizeOf(folder.file("pic.spch"));
    EXPECT_EQ(f.width, 400);
    EXPECT_EQ(f.height, 300);
    EXPECT_EQ(f.layers, 5);
    folder.write("pic.png", "\x89PNG\r\n\x1a\n\0\0\0\rIHDR");
    f = sizeOf(folder.file("pic.png"));
    EXPECT_EQ(f.width, 300);
    EXPECT_EQ(f.height, 300);
    EXPECT_EQ(f.layers, 2);
    f = sizeOf(folder.file("missing[x5y5].spch"));  // the tag counts only for .pch
    EXPECT_EQ(f.width, 300);
}

TEST(AnimationPage, PchWithoutProgress) {
    TempFolder folder;
    ASSERT_TRUE(writeAnimationPage(folder.path().string().c_str(), "pic[x640y480].pch", 640, 480, 2, false));
    EXPECT_EQ(folder.read("anim.html"),
              pagetext::animationPage({"pic[x640y480].pch", "2", "pch", "640", "480", "480", "false"}));
}

TEST(AnimationPage, SpchWithTheProgressBar) {
    TempFolder folder;
    ASSERT_TRUE(writeAnimationPage(folder.path().string().c_str(), "pic.SPCH", 400, 300, 5, true));
    EXPECT_EQ(folder.read("anim.html"), pagetext::animationPage({"pic.SPCH", "5", "pch2", "400", "326", "300", "true"}));
}

TEST(AnimationPage, TheNameIsEscapedForItsScriptString) {
    TempFolder folder;
    std::string dir = folder.path().string();
    ASSERT_TRUE(writeAnimationPage(dir.c_str(), "it's\\a\nb\r.pch", 300, 300, 2, false));
    EXPECT_EQ(folder.read("anim.html"),
              pagetext::animationPage({"it\\'s\\\\a\\nb\\r.pch", "2", "pch", "300", "300", "300", "false"}));
    // ソ is 83 5C: its trail byte is no backslash and stays as it is.
    ASSERT_TRUE(writeAnimationPage(dir.c_str(), "\x83\x5c.pch", 300, 300, 2, false));
    EXPECT_EQ(folder.read("anim.html"), pagetext::animationPage({"\x83\x5c.pch", "2", "pch", "300", "300", "300", "false"}));
}

TEST(AnimationPage, FileAddress) {
    TextBuffer address;
    animationPageAddress("C:\\Apps\\draw", address);
    EXPECT_STREQ(address.text(), "file:///C:/Apps/draw/anim.html");
    animationPageAddress("C:\\My Apps\\\x83\x5c", address);  // C:\My Apps\ソ
    EXPECT_STREQ(address.text(), "file:///C:/My Apps/\x83\x5c/anim.html");
    animationPageAddress("/home/user/draw", address);
    EXPECT_STREQ(address.text(), "file:///home/user/draw/anim.html");
}

TEST(PlayAnimation, WritesThePageCopiesTheFileAndOpensTheAddress) {
    TempFolder folder;
    std::string dir = folder.path().string();
    browserSettings(folder, "1", standInBrowser());
    std::filesystem::create_directory(folder.path() / "saved");
    folder.write("saved/pic[x64y32].pch", "pch bytes");
    std::string path = folder.file("saved/pic[x64y32].pch");
#ifdef _WIN32
    for (char& c : path) c = c == '/' ? '\\' : c;
#endif
    PlaybackRequest request{path.c_str(), 64, 32, 2, true, 8080};
    ASSERT_TRUE(playAnimation(request, dir.c_str(), nullptr));
    EXPECT_EQ(folder.read("anim.html"), pagetext::animationPage({"pic[x64y32].pch", "2", "pch", "64", "58", "32", "true"}));
    EXPECT_EQ(folder.read("_load.dat"), "pch bytes");
    TextBuffer address;
    animationPageAddress(dir.c_str(), address);
    EXPECT_EQ(addressReceived(folder), address.text());
}

TEST(PlayAnimation, TheHtml5PaintersOwnAnimationIsServedToItAndJavaOnesStayWithTheViewer) {
    TempFolder folder;
    std::string dir = folder.path().string();
    browserSettings(folder, "1", standInBrowser());
    folder.write("neo.js", "");
    folder.write("own.pch", std::string("NEO \x40\x01\xC8\x00strokes", 15));
    std::string path = folder.file("own.pch");
    int32_t width = 0, height = 0, layers = 0;
    readAnimationSize(path.c_str(), width, height, layers);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 200);
    PlaybackRequest request{path.c_str(), 320, 200, 2, false, 8080};
    ASSERT_TRUE(playAnimation(request, dir.c_str(), nullptr));
    std::string page = pagetext::animationPage({"own.pch", "2", "pch", "320", "200", "200", "false"});
    page.replace(page.find("</head>"), 0,
                 "<script type=\"text/javascript\" src=\"neo.js\" charset=\"UTF-8\"></script>\r\n");
    page.replace(page.find("_load.dat"), 9, "_load.pch");
    EXPECT_EQ(folder.read("anim.html"), page);
    EXPECT_EQ(folder.read("_load.pch"), std::string("NEO \x40\x01\xC8\x00strokes", 15));
    EXPECT_EQ(addressReceived(folder), "http://localhost:8080/anim.html");

    folder.write("java.pch", "java bytes");
    path = folder.file("java.pch");
    request.path = path.c_str();
    ASSERT_TRUE(playAnimation(request, dir.c_str(), nullptr));
    EXPECT_EQ(folder.read("_load.dat"), "java bytes");
    TextBuffer address;
    animationPageAddress(dir.c_str(), address);
    EXPECT_EQ(addressReceived(folder), address.text());
}

#ifndef _WIN32
TEST(PlayAnimation, AnEmptyPathAsksForAFileName) {
    TempFolder folder;
    platform::posix::takeShownBoxes();
    PlaybackRequest request{"", 300, 300, 2, false, 80};
    EXPECT_FALSE(playAnimation(request, folder.path().string().c_str(), nullptr));
    auto boxes = platform::posix::takeShownBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "ファイル名を指定してください");
    EXPECT_FALSE(folder.exists("anim.html"));
}

TEST(AnimationPage, ParsesCleanlyInTidy) {
    TempFolder folder;
    ASSERT_TRUE(writeAnimationPage(folder.path().string().c_str(), "pic.spch", 300, 300, 2, true));
    EXPECT_EQ(tidyComplaints(folder, "anim.html"), "");
}
#endif
