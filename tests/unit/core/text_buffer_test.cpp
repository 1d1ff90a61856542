#include "app/text_buffer.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <string>

#ifndef _WIN32
#include "platform/posix/scripted_answers.h"
#endif

TEST(TextBufferCapacity, ConstructionRoundsUpToTheClassSizes) {
    EXPECT_EQ(TextBuffer().capacity(), 63);
    EXPECT_EQ(TextBuffer(63).capacity(), 63);
    EXPECT_EQ(TextBuffer(64).capacity(), 127);
    EXPECT_EQ(TextBuffer(128).capacity(), 255);
    EXPECT_EQ(TextBuffer(511).capacity(), 511);
    EXPECT_EQ(TextBuffer(512).capacity(), 512);
    EXPECT_EQ(TextBuffer(600).capacity(), 600);
    EXPECT_EQ(TextBuffer(600).sizeWithTerminator(), 601);
}

TEST(TextBufferCapacity, GrowthStepsAndNeverShrinks) {
    TextBuffer t;
    t.assign(std::string(200, 'a').c_str());
    EXPECT_EQ(t.capacity(), 255);
    t.assign(std::string(64, 'b').c_str());
    EXPECT_EQ(t.capacity(), 255);
    TextBuffer u;
    u.assign(std::string(100, 'a').c_str());
    EXPECT_EQ(u.capacity(), 127);
    u.append(std::string(500, 'c').c_str());
    EXPECT_EQ(u.capacity(), 600);
    EXPECT_EQ(u.length(), 600);
    TextBuffer v;
    v.assign("abc");
    v.append("def");
    EXPECT_STREQ(v.text(), "abcdef");
    EXPECT_EQ(v.capacity(), 63);
}

TEST(TextBufferCapacity, FormatIntAndSetCharStayInsideTheBlock) {
    TextBuffer t;
    t.formatInt(-12345);
    EXPECT_STREQ(t.text(), "-12345");
    t.assign("abcdef");
    EXPECT_EQ(t.setCharAt(3, '\0'), 3);
    EXPECT_STREQ(t.text(), "abc");
    t.assign("abc");
    EXPECT_EQ(t.setCharAt(63, 'x'), 63);  // beyond the capacity: not stored
    EXPECT_STREQ(t.text(), "abc");
}

TEST(TextBufferScan, TrailBytesAreNeverTakenForSeparators) {
    // ソ is 83 5C, 表 is 95 5C: both end in the byte of a backslash.
    TextBuffer t("ソ表");
    ASSERT_EQ(t.length(), 4);
    EXPECT_EQ(static_cast<unsigned char>(t.text()[1]), 0x5C);
    EXPECT_EQ(t.find(0, '\\'), -1);
    EXPECT_EQ(t.findLast('\\'), -1);
    TextBuffer path("C:\\ソフト\\表.txt");
    TextBuffer name;
    path.fileNamePart(name);
    EXPECT_STREQ(name.text(), "表.txt");
    path.cutToDirectory();
    EXPECT_STREQ(path.text(), "C:\\ソフト");
    // A trail byte 0x2E is not a dot either (83 2E does not occur in
    // Shift_JIS, but 0x2E after a lead byte must still be skipped).
    TextBuffer dotted("a\x81\x2E" "b");
    EXPECT_EQ(dotted.findLast('.'), -1);
}

TEST(TextBufferScan, FindAndSubstring) {
    TextBuffer t("key=value=x");
    EXPECT_EQ(t.find(0, '='), 3);
    EXPECT_EQ(t.find(4, '='), 9);
    EXPECT_EQ(t.find(10, '='), -1);
    EXPECT_EQ(t.findLast('='), 9);
    for (auto [length, part] : {std::pair<int, const char*>{5, "value"}, {-1, "value=x"}, {100, "value=x"}}) {
        TextBuffer out;
        t.substring(out, 4, length);
        EXPECT_STREQ(out.text(), part) << length;
    }
    EXPECT_EQ(TextBuffer("PNG").compareNoCase("png"), 0);
    EXPECT_NE(TextBuffer("PNG").compareNoCase("pn"), 0);
}

// Each path helper on each path: \ and / are both separators.
TEST(TextBufferPath, HelpersTreatBothSeparatorsAlike) {
    struct Case {
        const char* path;
        const char* extension;
        const char* directory;
        const char* baseName;
        const char* fileName;
    };
    const Case cases[] = {
        {"C:\\dir.old\\file", "old\\file", "C:\\dir.old", "file", "file"},
        {"noext", "", "", "noext", "noext"},
        {"a/b\\pic.SPCH", "SPCH", "a/b", "pic", "pic.SPCH"},
        {"a/b/name", "", "a/b", "name", "name"},
        {"C:\\x\\000[x400y300].png", "png", "C:\\x", "000[x400y300]", "000[x400y300].png"},
    };
    for (const Case& c : cases) {
        TextBuffer out;
        TextBuffer(c.path).extension(out);
        EXPECT_STREQ(out.text(), c.extension) << c.path;
        TextBuffer(c.path).baseName(out);
        EXPECT_STREQ(out.text(), c.baseName) << c.path;
        TextBuffer(c.path).fileNamePart(out);
        EXPECT_STREQ(out.text(), c.fileName) << c.path;
        TextBuffer directory(c.path);
        directory.cutToDirectory();
        EXPECT_STREQ(directory.text(), c.directory) << c.path;
    }
    TextBuffer t("a\n*.a\n\n");
    t.replaceAll('\n', '\0');
    EXPECT_EQ(std::string(t.text(), 7), std::string("a\0*.a\0\0", 7));
}

TEST(FileNameCheck, RefusesTheElevenCharacters) {
    for (const char* bad : {"a\\b", "a/b", "a:b", "a,b", "a;b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b"})
        EXPECT_FALSE(TextBuffer(bad).isValidFileName(false)) << bad;
    EXPECT_TRUE(TextBuffer("000[x400y300]").isValidFileName(false));
    EXPECT_TRUE(TextBuffer("ソフト表").isValidFileName(false));  // trail bytes 0x5C are fine
}

#ifndef _WIN32
TEST(FileNameCheck, ShowsTheCharactersInOrder) {
    platform::posix::takeShownBoxes();
    EXPECT_FALSE(TextBuffer("a,b").isValidFileName(true));
    auto boxes = platform::posix::takeShownBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "\\ / : , ; * ? \" < > |\nはファイル名に使用できません");
    EXPECT_EQ(boxes[0].caption, "ファイル名エラー");
    EXPECT_EQ(boxes[0].style & 0xF0u, platform::boxIconWarning);
    EXPECT_TRUE(TextBuffer("ok").isValidFileName(true));
    EXPECT_TRUE(platform::posix::takeShownBoxes().empty());
}
#endif
