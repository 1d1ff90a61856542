#include "save/submission.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/file_handle.h"
#include "tests/support/temp_folder.h"

namespace {

// A record-form body: letter, 8-digit lengths, header, CR LF, picture and,
// when given, the animation length and bytes.
std::string recordBody(char letter, const std::string& header, const std::string& picture,
                       const std::string* animation = nullptr) {
    auto field = [](size_t n) {
        std::string digits = std::to_string(n);
        return std::string(8 - digits.size(), '0') + digits;
    };
    std::string body(1, letter);
    body += field(header.size()) + header + field(picture.size()) + "\r\n" + picture;
    if (animation) body += field(animation->size()) + *animation;
    return body;
}

struct Decoded {
    bool result;
    SubmissionFlags flags;
};

Decoded decodeBody(const TempFolder& folder, const std::string& body) {
    folder.write("_post.dat", body);
    Decoded d{false, 0xFFFF};
    d.result = decodeSubmission(d.flags);
    return d;
}

const std::string animation = "ANI";

}  // namespace

TEST(DecodeRecordForm, SpchBodySplitsIntoBothParts) {
    TempFolder folder;
    Decoded d = decodeBody(folder, recordBody('S', "1", "PICT", &animation));
    ASSERT_TRUE(d.result);
    EXPECT_EQ(d.flags, hasAnimation | isSpch);
    EXPECT_EQ(folder.read("_tmppng.dat"), "PICT");
    EXPECT_EQ(folder.read("_tmppch.dat"), "ANI");
}

TEST(DecodeRecordForm, OnlyCapitalSMeansSpch) {
    for (char letter : {'P', 's', 'x', '\0'}) {
        TempFolder folder;
        Decoded d = decodeBody(folder, recordBody(letter, "1", "PICT", &animation));
        ASSERT_TRUE(d.result);
        EXPECT_EQ(d.flags, hasAnimation) << "letter " << int(letter);
        EXPECT_EQ(folder.read("_tmppng.dat"), "PICT");
        EXPECT_EQ(folder.read("_tmppch.dat"), "ANI");
    }
}

TEST(DecodeRecordForm, MarkerOtherThanOneLeavesAnOldAnimationAlone) {
    for (const char* header : {"0", "10", "", "2", "x1", "-1"}) {
        TempFolder folder;
        folder.write("_tmppch.dat", "old record");
        Decoded d = decodeBody(folder, recordBody('S', header, "PICT", &animation));
        ASSERT_TRUE(d.result);
        EXPECT_EQ(d.flags, 0u) << "header '" << header << "'";
        EXPECT_EQ(folder.read("_tmppng.dat"), "PICT");
        EXPECT_EQ(folder.read("_tmppch.dat"), "old record");
    }
}

TEST(DecodeRecordForm, MarkerIsReadAsAnInteger) {
    for (const char* header : {"01", " 1", "+1", "1abc", "\t1 "}) {
        TempFolder folder;
        Decoded d = decodeBody(folder, recordBody('P', header, "PICT", &animation));
        EXPECT_EQ(d.flags, hasAnimation) << "header '" << header << "'";
        EXPECT_EQ(folder.read("_tmppch.dat"), "ANI");
    }
}

TEST(DecodeRecordForm, NoAnimationNeverCreatesTheRecord) {
    TempFolder folder;
    Decoded d = decodeBody(folder, recordBody('S', "0", "PICT"));
    EXPECT_EQ(d.flags, 0u);
    EXPECT_FALSE(folder.exists("_tmppch.dat"));
}

TEST(DecodeRecordForm, TheTwoBytesAfterThePictureLengthAreSkippedWhateverTheyAre) {
    TempFolder folder;
    std::string body = recordBody('S', "1", "PICT", &animation);
    body.replace(18, 2, "\0z", 2);
    Decoded d = decodeBody(folder, body);
    EXPECT_EQ(d.flags, hasAnimation | isSpch);
    EXPECT_EQ(folder.read("_tmppng.dat"), "PICT");
    EXPECT_EQ(folder.read("_tmppch.dat"), "ANI");
}

TEST(DecodeRecordForm, LengthFieldsAreReadAsIntegers) {
    struct Case {
        const char* field;
        const char* picture;
    };
    const Case cases[] = {
        {"-0000001", ""}, {"00000000", ""}, {"abcdefgh", ""}, {"   +0003", "PIC"},
        {"0002xxxx", "PI"}, {"       4", "PICT"}, {"-9999999", ""},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        std::string body = std::string("P00000001") + "0" + c.field + "\r\nPICT";
        Decoded d = decodeBody(folder, body);
        ASSERT_TRUE(d.result);
        EXPECT_EQ(d.flags, 0u);
        EXPECT_EQ(folder.read("_tmppng.dat"), c.picture) << "field '" << c.field << "'";
    }
}

TEST(DecodeRecordForm, BytesAfterTheLastFieldAreIgnored) {
    TempFolder folder;
    Decoded d = decodeBody(folder, recordBody('S', "1", "PICT", &animation) + "trailing bytes");
    EXPECT_EQ(folder.read("_tmppng.dat"), "PICT");
    EXPECT_EQ(folder.read("_tmppch.dat"), "ANI");
    d = decodeBody(folder, recordBody('S', "0", "PICT") + "00000003ANI");
    EXPECT_EQ(d.flags, 0u);
    EXPECT_EQ(folder.read("_tmppng.dat"), "PICT");
}

TEST(DecodeRecordForm, PartsLargerThanOneCopyBlockArriveWhole) {
    TempFolder folder;
    std::string picture, record;
    for (int i = 0; i < 100003; ++i) picture += static_cast<char>((i * 7 + i / 256) & 0xFF);
    for (int i = 0; i < 40961; ++i) record += static_cast<char>((i * 13) & 0xFF);
    Decoded d = decodeBody(folder, recordBody('S', "1", picture, &record));
    EXPECT_EQ(d.flags, hasAnimation | isSpch);
    EXPECT_EQ(folder.read("_tmppng.dat"), picture);
    EXPECT_EQ(folder.read("_tmppch.dat"), record);
}

TEST(DecodeRawForm, SignatureInAnyCaseIsTheRawForm) {
    for (const char* signature : {"junji.gif\r\n", "JUNJI.GIF\r\n", "Junji.Gif\r\n"}) {
        TempFolder folder;
        folder.write("_tmppch.dat", "old record");
        Decoded d = decodeBody(folder, std::string(signature) + "GIF89a picture");
        ASSERT_TRUE(d.result);
        EXPECT_EQ(d.flags, rawImage);
        EXPECT_EQ(folder.read("_tmppng.dat"), "GIF89a picture");
        EXPECT_EQ(folder.read("_tmppch.dat"), "old record");
    }
}

TEST(DecodeRawForm, SignatureAloneGivesAnEmptyPicture) {
    TempFolder folder;
    folder.write("_tmppng.dat", "older picture");
    Decoded d = decodeBody(folder, "JUNJI.GIF\r\n");
    EXPECT_EQ(d.flags, rawImage);
    EXPECT_TRUE(folder.exists("_tmppng.dat"));
    EXPECT_EQ(folder.read("_tmppng.dat"), "");
}

TEST(DecodeRawForm, NearMissesAreRecords) {
    for (const char* head : {"junji.gif\n\r", "junji.gif\r", "junji.gi\r\n", "junji.gif \r\n"}) {
        TempFolder folder;
        Decoded d = decodeBody(folder, head);
        EXPECT_EQ(d.flags & rawImage, 0u) << head;
    }
}

TEST(DecodeFailure, MissingBodyTouchesNothing) {
    TempFolder folder;
    folder.write("_tmppng.dat", "old picture");
    SubmissionFlags flags = 0x7;
    EXPECT_FALSE(decodeSubmission(flags));
    EXPECT_EQ(flags, 0u);
    EXPECT_EQ(folder.read("_tmppng.dat"), "old picture");
    EXPECT_FALSE(folder.exists("_tmppch.dat"));
}

TEST(DecodeFailure, PictureThatCannotBeCreatedStillLeavesTheAnimationInPlace) {
    TempFolder folder;
    std::filesystem::create_directory(folder.path() / "_tmppng.dat");
    Decoded d = decodeBody(folder, recordBody('S', "1", "PICT", &animation));
    ASSERT_TRUE(d.result);
    EXPECT_EQ(d.flags, hasAnimation | isSpch);
    EXPECT_EQ(folder.read("_tmppch.dat"), "ANI");
}

// A body cut after n bytes: each part holds what exists of it, the flags say
// what the fields read so far announced. Offsets of the body
// S 00000001 1 00000004 CR LF PICT 00000003 ANI: header length 1..8, header 9,
// picture length 10..17, line break 18..19, picture 20..23, animation length
// 24..31, animation 32..34.
TEST(DecodeCutBody, EveryCutGivesOnlyTheBytesThatExist) {
    const std::string full = recordBody('S', "1", "PICT", &animation);
    ASSERT_EQ(full.size(), 35u);
    for (size_t n = 0; n <= full.size(); ++n) {
        TempFolder folder;
        Decoded d = decodeBody(folder, full.substr(0, n));
        ASSERT_TRUE(d.result);
        bool markerRead = n >= 10;
        EXPECT_EQ(d.flags, markerRead ? hasAnimation | isSpch : 0u) << "cut " << n;
        std::string picture = n <= 20 ? "" : full.substr(20, std::min<size_t>(n, 24) - 20);
        EXPECT_EQ(folder.read("_tmppng.dat"), picture) << "cut " << n;
        EXPECT_EQ(folder.exists("_tmppch.dat"), markerRead) << "cut " << n;
        std::string record = n <= 32 ? "" : full.substr(32, n - 32);
        if (markerRead) {
            EXPECT_EQ(folder.read("_tmppch.dat"), record) << "cut " << n;
        }
    }
}

TEST(DecodeCutBody, DeclaredLengthsBeyondTheBodyGiveWhatExists) {
    TempFolder folder;
    Decoded d = decodeBody(folder, "S00000001199999999\r\nPICT");
    EXPECT_EQ(d.flags, hasAnimation | isSpch);
    EXPECT_EQ(folder.read("_tmppng.dat"), "PICT");
    EXPECT_EQ(folder.read("_tmppch.dat"), "");

    d = decodeBody(folder, "P00000001100000004\r\nPICT99999999ANIM");
    EXPECT_EQ(d.flags, hasAnimation);
    EXPECT_EQ(folder.read("_tmppch.dat"), "ANIM");
}

TEST(DecodeHeaderLength, LongHeaderReadsItsFirstDigitsAndSkipsTheRest) {
    TempFolder folder;
    std::string header = "1" + std::string(39, 'x');
    Decoded d = decodeBody(folder, recordBody('S', header, "PICT", &animation));
    EXPECT_EQ(d.flags, hasAnimation | isSpch);
    EXPECT_EQ(folder.read("_tmppng.dat"), "PICT");
    EXPECT_EQ(folder.read("_tmppch.dat"), "ANI");

    // 40 digits: only the first 31 fit the buffer, so the marker is not 1.
    d = decodeBody(folder, recordBody('S', std::string(39, '0') + "1", "PICT", &animation));
    EXPECT_EQ(d.flags, 0u);
    EXPECT_EQ(folder.read("_tmppng.dat"), "PICT");
}

TEST(DecodeHeaderLength, HugeHeaderLengthSkipsToTheEnd) {
    TempFolder folder;
    Decoded d = decodeBody(folder, "S999999991x00000004\r\nPICT00000003ANI");
    EXPECT_EQ(d.flags, hasAnimation | isSpch);
    EXPECT_EQ(folder.read("_tmppng.dat"), "");
    EXPECT_EQ(folder.read("_tmppch.dat"), "");
}

TEST(DecodeHeaderLength, NegativeHeaderLengthIsAnEmptyHeader) {
    TempFolder folder;
    folder.write("_tmppch.dat", "old record");
    Decoded d = decodeBody(folder, "S-000000500000004\r\nPICT00000003ANI");
    EXPECT_EQ(d.flags, 0u);
    EXPECT_EQ(folder.read("_tmppng.dat"), "PICT");
    EXPECT_EQ(folder.read("_tmppch.dat"), "old record");
}

TEST(CopyPart, MovesExactlyCountBytesFromTheCurrentPosition) {
    TempFolder folder;
    folder.write("source.dat", "0123456789");
    FileHandle source;
    ASSERT_TRUE(source.openRead("source.dat"));
    source.seek(2, platform::SeekOrigin::begin);
    EXPECT_TRUE(copyPart(source, "a.dat", 3));
    EXPECT_EQ(source.tell(), 5);
    EXPECT_TRUE(copyPart(source, "b.dat", 100));
    EXPECT_EQ(source.tell(), 10);
    EXPECT_EQ(folder.read("a.dat"), "234");
    EXPECT_EQ(folder.read("b.dat"), "56789");
}

TEST(CopyPart, CountOfZeroOrLessGivesAnEmptyFile) {
    TempFolder folder;
    folder.write("source.dat", "0123456789");
    folder.write("a.dat", "older");
    FileHandle source;
    ASSERT_TRUE(source.openRead("source.dat"));
    EXPECT_TRUE(copyPart(source, "a.dat", 0));
    EXPECT_TRUE(copyPart(source, "b.dat", -5));
    EXPECT_EQ(source.tell(), 0);
    EXPECT_TRUE(folder.exists("b.dat"));
    EXPECT_EQ(folder.read("a.dat"), "");
    EXPECT_EQ(folder.read("b.dat"), "");
}

TEST(CopyPart, TargetThatCannotBeCreatedIsFalseAndSkipsThePart) {
    TempFolder folder;
    folder.write("source.dat", "0123456789");
    FileHandle source;
    ASSERT_TRUE(source.openRead("source.dat"));
    EXPECT_FALSE(copyPart(source, "missing/a.dat", 4));
    EXPECT_EQ(source.tell(), 4);
    EXPECT_FALSE(copyPart(source, "missing/a.dat", 400));
    EXPECT_EQ(source.tell(), 10);
}
