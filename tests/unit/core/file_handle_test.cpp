// The file handle: a failed open, a file made anew, and file names in
// Shift_JIS. Its line reading is the SPCH header reader's and its seeks are
// the PNG reader's, each tested with its reader.
#include "app/file_handle.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/temp_folder.h"

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
