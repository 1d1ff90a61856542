// Animation files: the SPCH header, the size of an animation, anim.html's
// script string and file address, and the play step of a Java applet's
// animation (the painter's own is the end-to-end tests' part).
#include "pages/playback.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/support/temp_folder.h"

// Each row: the file, the line capacity and the entries read.
TEST(SpchHeader, LinesUpToTheFirstWithoutEqualsInPiecesOfTheCapacity) {
    using Entries = std::vector<std::pair<std::string, int32_t>>;
    const std::tuple<std::string, int, Entries> cases[] = {
        {"x= -12abc\r\ny=\r\nz=+7\r\nbinary\x01\x02\r\nafter=3\r\n", 255, {{"x", -12}, {"y", 0}, {"z", 7}}},
        {"last=1", 255, {{"last", 1}}},  // no line end at the end of the file
        {"x=1\ny=2\r\nz=3\r\n", 255, {{"x", 1}, {"z", 3}}},  // a lone LF ends no line
        {"k\x83\r\n=5\r\nw=7\r\n", 255, {{"k\x83\r\n", 5}, {"w", 7}}},  // 83 takes the CR as its trail byte
        {"a=1\r\nbb=22222222=3\r\n", 8, {{"a", 1}, {"bb", 22222}, {"222", 3}}},
        {"k=123456789012\r\nw=7\r\n", 8, {{"k", 123456}}},
        {"", 255, {}},
        {"a=1\r\nb\x83", 255, {{"a", 1}}},  // ends on a lead byte
        {"n=99999999999999999999\r\nm=-99999999999999999999\r\n", 255, {{"n", 2147483647}, {"m", -2147483647 - 1}}},
    };
    for (const auto& [file, capacity, expected] : cases) {
        TempFolder folder;
        folder.write("a.spch", file);
        Entries entries;
        EXPECT_TRUE(readSpchHeader(folder.file("a.spch").c_str(), capacity,
                                   [&](const char* key, int32_t value) { entries.emplace_back(key, value); }));
        EXPECT_EQ(entries, expected) << file;
    }
}

// Each row: the file name, its bytes (null: no such file), width, height and layers.
TEST(AnimationSize, PchNameTagsSpchHeadersAndTheDefaults) {
    const std::tuple<const char*, const char*, int32_t, int32_t, int32_t> cases[] = {
        {"pic[x640y480].pch", nullptr, 640, 480, 2},  // the file itself is never read
        {"pic.PCH", nullptr, 300, 300, 2},
        // The tag: both numbers from the last bracket or nothing.
        {"pic[x640].pch", nullptr, 300, 300, 2},
        {"pic[640x480].pch", nullptr, 300, 300, 2},
        {"pic[x-1y5].pch", nullptr, 300, 300, 2},
        {"a[x1y2]b[x3y4].pch", nullptr, 3, 4, 2},
        {"pic[x7y8]\x83\x5b.pch", nullptr, 7, 8, 2},  // ゼ is 83 5B: its trail byte is the code of [
        {"pic[x10y20.pch", nullptr, 10, 20, 2},        // the closing bracket is not needed
        {"pic.spch", "image_width=400\r\nIMAGE_HEIGHT=300\r\nlayer_max=5\r\nquality=2\r\n\r\n", 400, 300, 5},
        {"pic.png", "\x89PNG\r\n\x1a\n", 300, 300, 2},
        {"missing[x5y5].spch", nullptr, 300, 300, 2},  // the tag counts only for .pch
        {"pic[x5y5].pchx", nullptr, 300, 300, 2},
        {"own.pch", "NEO \x40\x01\xC8\x01strokes", 320, 456, 2},
    };
    for (const auto& [name, bytes, expectedWidth, expectedHeight, expectedLayers] : cases) {
        TempFolder folder;
        if (bytes) folder.write(name, bytes);
        int32_t width = 1, height = 1, layers = 1;
        readAnimationSize(folder.file(name).c_str(), width, height, layers);
        EXPECT_EQ(std::tuple(width, height, layers), std::tuple(expectedWidth, expectedHeight, expectedLayers)) << name;
    }
    // A built-in painter's record, whatever its name: "SKHV", version 1, width, height, layers.
    const std::tuple<const char*, std::string, int32_t, int32_t, int32_t> records[] = {
        {"mine.spch", std::string("SKHV\x01\x00\x40\x01\xC8\x01\x05", 11), 320, 456, 5},
        {"wide.pch", std::string("SKHV\x01\x00\xD1\x07\xC8\x01\x05", 11), 300, 300, 2},  // 2001 wide
        {"new.pch", std::string("SKHV\x02\x00\x40\x01\xC8\x01\x05", 11), 300, 300, 2},   // a later version
    };
    for (const auto& [name, bytes, expectedWidth, expectedHeight, expectedLayers] : records) {
        TempFolder folder;
        folder.write(name, bytes);
        int32_t width = 1, height = 1, layers = 1;
        readAnimationSize(folder.file(name).c_str(), width, height, layers);
        EXPECT_EQ(std::tuple(width, height, layers), std::tuple(expectedWidth, expectedHeight, expectedLayers)) << name;
    }
}

TEST(AnimationPage, TheNameIsEscapedForItsScriptString) {
    TempFolder folder;
    std::string dir = folder.path().string();
    ASSERT_TRUE(writeAnimationPage(dir.c_str(), "it's\\a\nb\r.pch", 300, 300, 2, false));
    EXPECT_NE(folder.read("anim.html").find("var filename='it\\'s\\\\a\\nb\\r.pch';\r\n"), std::string::npos);
    // ソ is 83 5C: its trail byte is no backslash and stays as it is.
    ASSERT_TRUE(writeAnimationPage(dir.c_str(), "\x83\x5c.pch", 300, 300, 2, false));
    EXPECT_NE(folder.read("anim.html").find("var filename='\x83\x5c.pch';\r\n"), std::string::npos);
}

TEST(AnimationPage, FileAddressTurnsSeparatorsButNoTrailBytes) {
    TextBuffer out;
    animationPageAddress("C:\\My Apps\\\x83\x5c", out);  // C:\My Apps\ソ
    EXPECT_STREQ(out.text(), "file:///C:/My Apps/\x83\x5c/anim.html");
}

#ifndef _WIN32
// Natively, with a browser that writes the address it was started with to
// address.txt (the launch of a browser program, and its warning box, are the
// end-to-end tests' part on both systems).
TEST(PlayAnimation, AJavaAnimationIsCopiedAndItsPageOpenedAsAFile) {
    TempFolder folder;
    std::string dir = folder.path().string();
    folder.write("browser", "#!/bin/sh\nprintf %s \"$1\" >address.part && mv address.part address.txt\n");
    std::filesystem::permissions(folder.path() / "browser", std::filesystem::perms::owner_all);
    folder.write("set.ini", "[Browser]\r\nFlag=1\r\nPath=" + folder.file("browser") + "\r\n");
    folder.write("neo.js", "");  // the painter does not take the Java applets' animations
    std::filesystem::create_directory(folder.path() / "saved");
    folder.write("saved/pic[x64y32].pch", "pch bytes");
    std::string path = folder.file("saved/pic[x64y32].pch");
    PlaybackRequest request{path.c_str(), 64, 32, 2, true, 8080};
    EXPECT_FALSE(playAnimation(request, dir.c_str(), nullptr));  // without the viewer
    EXPECT_FALSE(folder.exists("anim.html"));
    folder.write("PCHViewer.jar", "");
    ASSERT_TRUE(playAnimation(request, dir.c_str(), nullptr));
    EXPECT_NE(folder.read("anim.html").find("var filename='pic[x64y32].pch';"), std::string::npos);
    EXPECT_EQ(folder.read("_load.dat"), "pch bytes");
    for (int i = 0; i < 100 && !folder.exists("address.txt"); ++i) platform::sleepMilliseconds(100);
    EXPECT_EQ(folder.read("address.txt"), "file://" + dir + "/anim.html");
}
#endif
