// The file handle: its line reading, a failed open, a file made anew, and file
// names in Shift_JIS. Its seeks are the PNG reader's, tested with it.
#include "app/file_handle.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "tests/support/temp_folder.h"

// One read after another on one file: cut at the maximum, CR LF kept or
// dropped, a lone LF inside a line, a lead byte that takes a CR as its trail
// byte, a last line without a break and the end of the file.
// Each read: the maximum, whether the break is dropped, the bytes taken and the line.
TEST(FileHandleReadLine, CountsTheBytesItTakes) {
    const std::tuple<int, bool, int, std::string> reads[] = {
        {4, true, 4, "abcd"},      {63, false, 6, "efgh\r\n"}, {63, true, 5, "x\ny"},
        {63, true, 5, "\x83\r\n"}, {63, true, 3, "def"},       {63, true, 0, ""},
    };
    TempFolder folder;
    folder.write("lines.txt", "abcdefgh\r\nx\ny\r\n\x83\r\n\r\ndef");
    FileHandle f;
    ASSERT_TRUE(f.openRead("lines.txt"));
    for (const auto& [max, dropBreak, taken, expected] : reads) {
        char line[64];
        EXPECT_EQ(f.readLine(line, max, dropBreak), taken) << expected;
        EXPECT_EQ(std::string(line), expected);
    }
}

// One handle: a failed open leaves it closed, a file made anew is truncated,
// and a Japanese name is found again by a pattern in other letter case.
TEST(FileHandleOpen, FailedOpenTruncatingCreateAndJapaneseNames) {
    TempFolder folder;
    FileHandle f;
    EXPECT_FALSE(f.openRead("missing.dat"));
    EXPECT_FALSE(f.isOpen());
    EXPECT_FALSE(f.close());
    EXPECT_EQ(f.read(nullptr, 0), 0u);
    folder.write("a.dat", "0123456789");
    ASSERT_TRUE(f.createWrite("a.dat"));
    EXPECT_TRUE(f.writeText("ab"));
    EXPECT_TRUE(f.writeByte('c'));
    EXPECT_TRUE(f.close());
    EXPECT_EQ(folder.read("a.dat"), "abc");
    ASSERT_TRUE(f.createWrite("ソフト表.txt"));
    f.writeText("x");
    f.close();
    FileFinder finder;
    ASSERT_TRUE(finder.first("*.TXT"));
    TextBuffer name;
    finder.name(name);
    EXPECT_STREQ(name.text(), "ソフト表.txt");
}
