// The profile reader and writer where the settings tests do not reach:
// fallbacks, texts cut to their buffer and keys changed in place (erasing a
// section is the settings tests' part). The same cases run against our own
// natively and against the system's profile services under Wine, so the two
// must agree.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "tests/support/temp_folder.h"

TEST(Profile, FallbacksCutTextsAndKeysChangedInPlace) {
    TempFolder folder;
    std::string path = folder.file("set.ini");
    char small[4];
    EXPECT_EQ(platform::profileText("Setting", "SaveFile", "000", small, sizeof small, path.c_str()), 3u);
    EXPECT_STREQ(small, "000");
    ASSERT_TRUE(platform::writeProfileText("Setting", "SaveDir", "C:\\\x95\xdb\x91\xb6", path.c_str()));
    ASSERT_TRUE(platform::writeProfileText("Setting", "Port", "80", path.c_str()));
    ASSERT_TRUE(platform::writeProfileText("ImgPreset", "preset0", "100x100", path.c_str()));
    ASSERT_TRUE(platform::writeProfileText("Setting", "Port", "8010", path.c_str()));
    EXPECT_EQ(folder.read("set.ini"), "[Setting]\r\nSaveDir=C:\\\x95\xdb\x91\xb6\r\nPort=8010\r\n[ImgPreset]\r\npreset0=100x100\r\n");
    EXPECT_EQ(platform::profileText("Setting", "SaveDir", "", small, sizeof small, path.c_str()), 3u);
    EXPECT_STREQ(small, "C:\\");
    EXPECT_EQ(platform::profileInt("Other", "Port", 80, path.c_str()), 80);
}
