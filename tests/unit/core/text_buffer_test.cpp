// The text buffer: its room, and its double-byte-aware scans through their
// users, the path helpers and the file name check.
#include "app/text_buffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A text is never cut where the buffer can grow: assign and append take the
// room they need and keep it. Where it cannot, nothing is written past it.
TEST(TextBufferCapacity, GrowsAsNeededAndNeverWritesPastItself) {
    TextBuffer t;
    t.assign(std::string(100, 'a').c_str());
    t.append(std::string(500, 'c').c_str());
    EXPECT_EQ(std::string(t.text()), std::string(100, 'a') + std::string(500, 'c'));
    t.assign("abc");
    EXPECT_EQ(t.capacity(), 600);
    TextBuffer small("abc");
    EXPECT_EQ(small.setCharAt(63, 'x'), 63);  // beyond the capacity: not stored
    EXPECT_STREQ(small.text(), "abc");
}

// The strings of the program's resources: the filter ends in its double
// break, an entry longer than the buffer is cut there, a missing one is empty.
TEST(TextBufferCapacity, StringResourcesAreCutToTheBuffer) {
    TextBuffer filter(255);
    filter.loadString(2);
    EXPECT_EQ(std::string(filter.text()).substr(filter.length() - 6), "\n*.*\n\n");
    TextBuffer small;
    small.loadString(3);
    EXPECT_EQ(small.length(), 63);
    small.loadString(999);
    EXPECT_TRUE(small.isEmpty());
}

// Each path helper on each path: \ and / are both separators, trail bytes
// 5C are none. Each row: the path, its extension, directory, base name and
// file name.
TEST(TextBufferPath, HelpersTreatBothSeparatorsAlike) {
    const char* const cases[][5] = {
        {"C:\\dir.old\\file", "old\\file", "C:\\dir.old", "file", "file"},
        {"noext", "", "", "noext", "noext"},
        {"C:\\ソフト\\表.txt", "txt", "C:\\ソフト", "表", "表.txt"},
        {"a\x81\x2E" "b", "", "", "a\x81\x2E" "b", "a\x81\x2E" "b"},  // 2E after a lead byte is no dot
        {"a/b\\pic.SPCH", "SPCH", "a/b", "pic", "pic.SPCH"},
        {"a/b/name", "", "a/b", "name", "name"},
        {"C:\\x\\000[x400y300].png", "png", "C:\\x", "000[x400y300]", "000[x400y300].png"},
    };
    for (const auto& c : cases) {
        TextBuffer extension, baseName, fileName, directory(c[0]);
        TextBuffer(c[0]).extension(extension);
        TextBuffer(c[0]).baseName(baseName);
        TextBuffer(c[0]).fileNamePart(fileName);
        directory.cutToDirectory();
        EXPECT_EQ((std::vector<std::string>{extension.text(), directory.text(), baseName.text(), fileName.text()}),
                  std::vector<std::string>(c + 1, c + 5))
            << c[0];
    }
}

TEST(FileNameCheck, RefusesTheElevenCharacters) {
    for (const char* bad : {"a\\b", "a/b", "a:b", "a,b", "a;b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b"})
        EXPECT_FALSE(TextBuffer(bad).isValidFileName(false)) << bad;
    EXPECT_TRUE(TextBuffer("ソフト表").isValidFileName(false));  // trail bytes 0x5C are fine
}
