// Splitting a posted body: every form of body as a table row, cut bodies,
// failures, and the part copy.
#include "save/submission.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "app/file_handle.h"
#include "tests/support/temp_folder.h"

namespace {

// A record-form body: letter, 8-digit lengths, header, CR LF, picture and,
// when given, the animation length and bytes.
std::string recordBody(char letter, const std::string& header, const std::string& picture,
                       const std::optional<std::string>& animation = "ANI") {
    auto field = [](size_t n) {
        std::string digits = std::to_string(n);
        return std::string(8 - digits.size(), '0') + digits;
    };
    std::string body(1, letter);
    body += field(header.size()) + header + field(picture.size()) + "\r\n" + picture;
    if (animation) body += field(animation->size()) + *animation;
    return body;
}

const std::string oldRecord = "old record";  // _tmppch.dat before the body: an animation not announced keeps it

struct Split {
    SubmissionFlags flags;
    std::string picture;
    std::string record;
};

// Decodes body in a folder that holds an older picture and record.
Split split(const std::string& body) {
    TempFolder folder;
    folder.write("_tmppng.dat", "older picture");
    folder.write("_tmppch.dat", oldRecord);
    folder.write("_post.dat", body);
    SubmissionFlags flags = 0xFFFF;
    EXPECT_TRUE(decodeSubmission(flags));
    return {flags, folder.read("_tmppng.dat"), folder.read("_tmppch.dat")};
}

std::string bytes(int count, int step) {
    std::string text;
    for (int i = 0; i < count; ++i) text += static_cast<char>((i * step + i / 256) & 0xFF);
    return text;
}

}  // namespace

TEST(DecodeSubmission, EveryFormOfBody) {
    struct Case {
        const char* what;
        std::string body;
        SubmissionFlags flags;
        std::string picture, record;
    };
    const SubmissionFlags spch = hasAnimation | isSpch;
    const std::string crossed = [] {
        std::string body = recordBody('S', "1", "PICT");
        return body.replace(18, 2, "\0z", 2);
    }();
    const std::string bigPicture = bytes(100003, 7), bigRecord = bytes(40961, 13);
    const Case cases[] = {
        {"SPCH record", recordBody('S', "1", "PICT"), spch, "PICT", "ANI"},
        {"PCH record", recordBody('P', "1", "PICT"), hasAnimation, "PICT", "ANI"},
        {"only capital S is SPCH", recordBody('s', "1", "PICT"), hasAnimation, "PICT", "ANI"},
        {"any other letter", recordBody('\0', "1", "PICT"), hasAnimation, "PICT", "ANI"},
        {"marker 0", recordBody('S', "0", "PICT"), 0, "PICT", oldRecord},
        {"marker 10", recordBody('S', "10", "PICT"), 0, "PICT", oldRecord},
        {"empty marker", recordBody('S', "", "PICT"), 0, "PICT", oldRecord},
        {"marker 2", recordBody('S', "2", "PICT"), 0, "PICT", oldRecord},
        {"marker x1", recordBody('S', "x1", "PICT"), 0, "PICT", oldRecord},
        {"marker -1", recordBody('S', "-1", "PICT"), 0, "PICT", oldRecord},
        {"marker 01", recordBody('P', "01", "PICT"), hasAnimation, "PICT", "ANI"},
        {"marker ' 1'", recordBody('P', " 1", "PICT"), hasAnimation, "PICT", "ANI"},
        {"marker +1", recordBody('P', "+1", "PICT"), hasAnimation, "PICT", "ANI"},
        {"marker 1abc", recordBody('P', "1abc", "PICT"), hasAnimation, "PICT", "ANI"},
        {"marker tab 1 blank", recordBody('P', "\t1 ", "PICT"), hasAnimation, "PICT", "ANI"},
        {"no animation", recordBody('S', "0", "PICT", std::nullopt), 0, "PICT", oldRecord},
        {"the two bytes after the picture length", crossed, spch, "PICT", "ANI"},
        {"length -0000001", "P000000010-0000001\r\nPICT", 0, "", oldRecord},
        {"length 00000000", "P00000001000000000\r\nPICT", 0, "", oldRecord},
        {"length abcdefgh", "P000000010abcdefgh\r\nPICT", 0, "", oldRecord},
        {"length '   +0003'", "P000000010   +0003\r\nPICT", 0, "PIC", oldRecord},
        {"length 0002xxxx", "P0000000100002xxxx\r\nPICT", 0, "PI", oldRecord},
        {"length '       4'", "P000000010       4\r\nPICT", 0, "PICT", oldRecord},
        {"length -9999999", "P000000010-9999999\r\nPICT", 0, "", oldRecord},
        {"bytes after the last field", recordBody('S', "1", "PICT") + "trailing", spch, "PICT", "ANI"},
        {"a record not announced", recordBody('S', "0", "PICT", std::nullopt) + "00000003ANI", 0, "PICT", oldRecord},
        {"parts larger than a copy block", recordBody('S', "1", bigPicture, bigRecord), spch, bigPicture, bigRecord},
        {"lengths beyond the body", "S00000001199999999\r\nPICT", spch, "PICT", ""},
        {"record length beyond the body", "P00000001100000004\r\nPICT99999999ANIM", hasAnimation, "PICT", "ANIM"},
        {"long header: its first digits", recordBody('S', "1" + std::string(39, 'x'), "PICT"), spch, "PICT", "ANI"},
        {"40 digits: 31 fit", recordBody('S', std::string(39, '0') + "1", "PICT"), 0, "PICT", oldRecord},
        {"huge header length skips to the end", "S999999991x00000004\r\nPICT00000003ANI", spch, "", ""},
        {"negative header length", "S-000000500000004\r\nPICT00000003ANI", 0, "PICT", oldRecord},
        {"raw form", "junji.gif\r\nGIF89a picture", rawImage, "GIF89a picture", oldRecord},
        {"raw form in capitals", "JUNJI.GIF\r\nGIF89a picture", rawImage, "GIF89a picture", oldRecord},
        {"raw form in mixed case", "Junji.Gif\r\nGIF89a picture", rawImage, "GIF89a picture", oldRecord},
        {"raw signature alone", "JUNJI.GIF\r\n", rawImage, "", oldRecord},
        {"near miss LF CR", "junji.gif\n\r", 0, "", oldRecord},
        {"near miss CR", "junji.gif\r", 0, "", oldRecord},
        {"near miss gi", "junji.gi\r\n", 0, "", oldRecord},
        {"near miss blank", "junji.gif \r\n", 0, "", oldRecord},
    };
    for (const Case& c : cases) {
        Split s = split(c.body);
        EXPECT_EQ(s.flags, c.flags) << c.what;
        EXPECT_EQ(s.picture, c.picture) << c.what;
        EXPECT_EQ(s.record, c.record) << c.what;
    }
}

// A body cut after n bytes: each part holds what exists of it, the flags say
// what the fields read so far announced. Offsets of the body
// S 00000001 1 00000004 CR LF PICT 00000003 ANI: header length 1..8, header 9,
// picture length 10..17, line break 18..19, picture 20..23, animation length
// 24..31, animation 32..34.
TEST(DecodeSubmission, EveryCutGivesOnlyTheBytesThatExist) {
    const std::string full = recordBody('S', "1", "PICT");
    ASSERT_EQ(full.size(), 35u);
    for (size_t n = 0; n <= full.size(); ++n) {
        Split s = split(full.substr(0, n));
        bool markerRead = n >= 10;
        EXPECT_EQ(s.flags, markerRead ? hasAnimation | isSpch : 0u) << "cut " << n;
        EXPECT_EQ(s.picture, n <= 20 ? "" : full.substr(20, std::min<size_t>(n, 24) - 20)) << "cut " << n;
        EXPECT_EQ(s.record, !markerRead ? oldRecord : n <= 32 ? "" : full.substr(32, n - 32)) << "cut " << n;
    }
}

TEST(DecodeSubmission, AMissingBodyTouchesNothingAndAPictureThatCannotBeMadeIsSkipped) {
    TempFolder folder;
    folder.write("_tmppng.dat", "old picture");
    SubmissionFlags flags = 0x7;
    EXPECT_FALSE(decodeSubmission(flags));
    EXPECT_EQ(flags, 0u);
    EXPECT_EQ(folder.read("_tmppng.dat"), "old picture");
    EXPECT_FALSE(folder.exists("_tmppch.dat"));

    std::filesystem::remove(folder.path() / "_tmppng.dat");
    std::filesystem::create_directory(folder.path() / "_tmppng.dat");
    folder.write("_post.dat", recordBody('S', "1", "PICT"));
    ASSERT_TRUE(decodeSubmission(flags));
    EXPECT_EQ(flags, hasAnimation | isSpch);
    EXPECT_EQ(folder.read("_tmppch.dat"), "ANI");
}

TEST(CopyPart, MovesCountBytesFromThePositionAndAdvancesEvenWhenTheTargetFails) {
    TempFolder folder;
    folder.write("source.dat", "0123456789");
    folder.write("c.dat", "older");
    FileHandle source;
    ASSERT_TRUE(source.openRead("source.dat"));
    EXPECT_TRUE(copyPart(source, "c.dat", 0));
    EXPECT_TRUE(copyPart(source, "d.dat", -5));
    EXPECT_EQ(source.tell(), 0);
    EXPECT_EQ(folder.read("c.dat"), "");
    EXPECT_TRUE(folder.exists("d.dat"));
    source.seek(2, platform::SeekOrigin::begin);
    EXPECT_TRUE(copyPart(source, "a.dat", 3));
    EXPECT_EQ(source.tell(), 5);
    EXPECT_FALSE(copyPart(source, "missing/a.dat", 1));
    EXPECT_EQ(source.tell(), 6);
    EXPECT_TRUE(copyPart(source, "b.dat", 100));
    EXPECT_EQ(source.tell(), 10);
    EXPECT_EQ(folder.read("a.dat"), "234");
    EXPECT_EQ(folder.read("b.dat"), "6789");
}
