#include "app/file_handle.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/temp_folder.h"

TEST(FileHandleReadLine, CountsBytesAndDropsTheBreak) {
    TempFolder folder;
    folder.write("lines.txt", "abc\r\ndef");
    FileHandle f;
    ASSERT_TRUE(f.openRead("lines.txt"));
    char line[64];
    EXPECT_EQ(f.readLine(line, 63, true), 5);
    EXPECT_STREQ(line, "abc");
    EXPECT_EQ(f.readLine(line, 63, true), 3);
    EXPECT_STREQ(line, "def");
    EXPECT_EQ(f.readLine(line, 63, true), 0);
    EXPECT_STREQ(line, "");
}

TEST(FileHandleReadLine, KeepsTheBreakAndStopsAtMax) {
    TempFolder folder;
    folder.write("lines.txt", "abcdefgh\r\nx\ny\r\n");
    FileHandle f;
    ASSERT_TRUE(f.openRead("lines.txt"));
    char line[64];
    EXPECT_EQ(f.readLine(line, 4, true), 4);
    EXPECT_STREQ(line, "abcd");
    EXPECT_EQ(f.readLine(line, 63, false), 6);
    EXPECT_STREQ(line, "efgh\r\n");
    EXPECT_EQ(f.readLine(line, 63, true), 5);  // a lone LF does not end a line
    EXPECT_STREQ(line, "x\ny");
}

TEST(FileHandleReadLine, LeadByteTakesItsTrailByte) {
    TempFolder folder;
    // 83 0D is not a CR: the lead byte 83 takes 0D as its trail byte.
    folder.write("sjis.txt", std::string("\x83\r\n\r\n", 5));
    FileHandle f;
    ASSERT_TRUE(f.openRead("sjis.txt"));
    char line[64];
    EXPECT_EQ(f.readLine(line, 63, true), 5);
    EXPECT_EQ(std::string(line), std::string("\x83\r\n"));
}

TEST(FileHandleOpen, FailedOpenLeavesItClosed) {
    TempFolder folder;
    FileHandle f;
    EXPECT_FALSE(f.openRead("missing.dat"));
    EXPECT_FALSE(f.isOpen());
    EXPECT_FALSE(f.close());
    EXPECT_EQ(f.read(nullptr, 0), 0u);
}

TEST(FileHandleOpen, CreateTruncatesAndAppendAdds) {
    TempFolder folder;
    folder.write("a.dat", "0123456789");
    FileHandle f;
    ASSERT_TRUE(f.createWrite("a.dat"));
    EXPECT_TRUE(f.writeText("ab"));
    f.close();
    ASSERT_TRUE(f.openAppend("a.dat"));
    EXPECT_TRUE(f.writeByte('c'));
    f.close();
    EXPECT_EQ(folder.read("a.dat"), "abc");
    ASSERT_TRUE(f.openAppend("new.dat"));
    f.close();
    EXPECT_TRUE(folder.exists("new.dat"));
    ASSERT_TRUE(f.openRead("a.dat"));
    EXPECT_EQ(f.size(), 3u);
    EXPECT_EQ(f.seek(1, platform::SeekOrigin::begin), 1);
    char c;
    EXPECT_EQ(f.read(&c, 1), 1u);
    EXPECT_EQ(c, 'b');
    EXPECT_EQ(f.tell(), 2);
}

TEST(FileHandleOpen, JapaneseNamesRoundTrip) {
    TempFolder folder;
    FileHandle f;
    ASSERT_TRUE(f.createWrite("ソフト表.txt"));
    f.writeText("x");
    f.close();
    EXPECT_TRUE(fileExists("ソフト表.txt"));
    FileFinder finder;
    ASSERT_TRUE(finder.first("*.TXT"));
    TextBuffer name;
    finder.name(name);
    EXPECT_STREQ(name.text(), "ソフト表.txt");
}

TEST(FileSearch, WildcardsIgnoreLetterCase) {
    TempFolder folder;
    folder.write("oekaki131.jar", "1");
    folder.write("Pen.GIF", "12");
    EXPECT_TRUE(fileExists("oekaki*.jar"));
    EXPECT_TRUE(fileExists("OEKAKI1?1.JAR"));
    EXPECT_FALSE(fileExists("oekaki?.jar"));
    EXPECT_TRUE(fileExists("pen.gif"));
    EXPECT_EQ(fileSizeByName("pen.gif"), 2u);
    EXPECT_EQ(fileSizeByName("none.gif"), 0u);
    FileFinder finder;
    ASSERT_TRUE(finder.first("*.*"));
    int found = 0;
    do ++found; while (finder.next());
    EXPECT_GE(found, 2);
}

TEST(FileSearch, FolderPathsAndTimes) {
    TempFolder folder;
    folder.write("t.dat", "abc");
    std::string full = folder.file("t.dat");
    EXPECT_TRUE(fileExists(full.c_str()));
    EXPECT_EQ(fileSizeByName(full.c_str()), 3u);
    FileHandle f;
    ASSERT_TRUE(f.openRead("t.dat"));
    platform::FileTime written = 0;
    ASSERT_TRUE(f.times(nullptr, nullptr, &written));
    platform::FileTime now = platform::currentTime();
    EXPECT_LE(written, now + 20000000u);
    EXPECT_GT(written, now - 600000000u);  // within ten minutes
}

TEST(Flags, SetFlagSetsAndClears) {
    uint16_t flags = 23;
    setFlag(flags, 8, true);
    EXPECT_EQ(flags, 31);
    setFlag(flags, 1, false);
    EXPECT_EQ(flags, 30);
    setFlag(flags, 0x8000, true);
    EXPECT_EQ(flags, 0x801E);
}
