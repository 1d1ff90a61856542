// The profile reader and writer where the settings tests do not reach: the
// fallbacks, texts cut to their buffer, keys changed in place and erased. The
// same cases run against our own natively and against the system's profile
// services under Wine, so the two must agree.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "tests/support/temp_folder.h"

namespace {

std::string text(const char* section, const char* key, const char* fallback, const std::string& path) {
    char buffer[256];
    platform::profileText(section, key, fallback, buffer, sizeof buffer, path.c_str());
    return buffer;
}

}  // namespace

TEST(ProfileRead, FallbacksAndTextsCutToTheBuffer) {
    TempFolder folder;
    std::string path = folder.file("set.ini");
    EXPECT_EQ(text("Setting", "SaveFile", "000", path), "000");
    folder.write("set.ini", "[Other]\r\nPort=1\r\n[Setting]\r\nSaveDir=C:\\\x95\xdb\x91\xb6\r\n");
    EXPECT_EQ(platform::profileInt("Setting", "Port", 80, path.c_str()), 80);
    EXPECT_EQ(platform::profileInt("Other", "Missing", -1, path.c_str()), -1);
    char small[4];
    EXPECT_EQ(platform::profileText("Setting", "SaveDir", "", small, sizeof small, path.c_str()), 3u);
    EXPECT_STREQ(small, "C:\\");
}

TEST(ProfileWrite, CreatesUpdatesAndErases) {
    TempFolder folder;
    std::string path = folder.file("set.ini");
    ASSERT_TRUE(platform::writeProfileText("Setting", "SaveFile", "000", path.c_str()));
    ASSERT_TRUE(platform::writeProfileText("Setting", "Port", "80", path.c_str()));
    ASSERT_TRUE(platform::writeProfileText("ImgPreset", "preset0", "100x100", path.c_str()));
    ASSERT_TRUE(platform::writeProfileText("Setting", "Port", "8010", path.c_str()));
    EXPECT_EQ(folder.read("set.ini"), "[Setting]\r\nSaveFile=000\r\nPort=8010\r\n[ImgPreset]\r\npreset0=100x100\r\n");
    ASSERT_TRUE(platform::writeProfileText("ImgPreset", nullptr, nullptr, path.c_str()));
    EXPECT_EQ(text("ImgPreset", "preset0", "-1x-1", path), "-1x-1");
    EXPECT_EQ(platform::profileInt("Setting", "Port", 80, path.c_str()), 8010);
    ASSERT_TRUE(platform::writeProfileText("Setting", "SaveFile", nullptr, path.c_str()));
    EXPECT_EQ(text("Setting", "SaveFile", "gone", path), "gone");
}
