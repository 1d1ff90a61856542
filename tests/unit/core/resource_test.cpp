#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/file_handle.h"
#include "app/text_buffer.h"

TEST(ProgramResources, HtmlHeadsAreShiftJisWithCrLfAndTerminated) {
    const char* data = nullptr;
    uint32_t size = 0;
    ASSERT_TRUE(loadTextResource(117, data, size));
    std::string head(data, std::strlen(data));
    EXPECT_LE(head.size() + 1, size);
    EXPECT_EQ(head.rfind("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n<html>\r\n", 0), 0u);
    EXPECT_NE(head.find("<title>お絵描き</title>\r\n"), std::string::npos);
    EXPECT_EQ(head.find("\n\n"), std::string::npos);
    ASSERT_TRUE(loadTextResource(118, data, size));
    std::string anim(data);
    EXPECT_NE(anim.find("<title>アニメーション再生</title>\r\n"), std::string::npos);
    const std::string tail = "<script type=\"text/javascript\">\r\n<!--\r\nvar filename='";
    ASSERT_GE(anim.size(), tail.size());
    EXPECT_EQ(anim.substr(anim.size() - tail.size()), tail);
    EXPECT_FALSE(loadTextResource(999, data, size));
}

TEST(ProgramResources, StringTableEntriesLoadIntoTheBlock) {
    TextBuffer filter(255);
    filter.loadString(2);
    EXPECT_EQ(std::string(filter.text()).rfind("ｲﾒｰｼﾞﾌｧｲﾙ（BMP;PNG;GIF;JPEG;PCH;SPCH）\n*.bmp;", 0), 0u);
    EXPECT_EQ(std::string(filter.text()).substr(filter.length() - 6), "\n*.*\n\n");
    TextBuffer small;  // 63 characters: the entry is cut there
    small.loadString(3);
    EXPECT_EQ(small.length(), 63);
    TextBuffer none;
    none.assign("x");
    none.loadString(999);
    EXPECT_TRUE(none.isEmpty());
}
